// The HTTP stream over libcurl's multi interface, driven from the reading thread: curl runs
// only while the stream waits for bytes, and only once what it delivered has been read, so a
// body is held in memory a piece at a time. The only file that includes curl.
#include "stream/http_stream.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "stream/net_internal.h"

namespace {

// libcurl is loaded with the first HTTP stream rather than with the program: TLS and a dozen
// libraries come with it, and every program would pay their start-up, most of them without
// ever opening a URL.
struct TCurl {
  decltype(&curl_global_init) global_init;
  decltype(&curl_easy_init) easy_init;
  decltype(&curl_easy_setopt) easy_setopt;
  decltype(&curl_easy_getinfo) easy_getinfo;
  decltype(&curl_easy_cleanup) easy_cleanup;
  decltype(&curl_multi_init) multi_init;
  decltype(&curl_multi_add_handle) multi_add_handle;
  decltype(&curl_multi_remove_handle) multi_remove_handle;
  decltype(&curl_multi_perform) multi_perform;
  decltype(&curl_multi_poll) multi_poll;
  decltype(&curl_multi_info_read) multi_info_read;
  decltype(&curl_multi_cleanup) multi_cleanup;
};

// Null, said once on standard error, where libcurl cannot be loaded.
const TCurl* Curl() {
  static const TCurl* const api = []() -> const TCurl* {
    void* lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    static TCurl c;
    bool all = lib != nullptr;
    auto load = [&](auto& fn, const char* name) {
      if (all) fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
      all = all && fn;
    };
    load(c.global_init, "curl_global_init");
    load(c.easy_init, "curl_easy_init");
    load(c.easy_setopt, "curl_easy_setopt");
    load(c.easy_getinfo, "curl_easy_getinfo");
    load(c.easy_cleanup, "curl_easy_cleanup");
    load(c.multi_init, "curl_multi_init");
    load(c.multi_add_handle, "curl_multi_add_handle");
    load(c.multi_remove_handle, "curl_multi_remove_handle");
    load(c.multi_perform, "curl_multi_perform");
    load(c.multi_poll, "curl_multi_poll");
    load(c.multi_info_read, "curl_multi_info_read");
    load(c.multi_cleanup, "curl_multi_cleanup");
    if (!all) {
      std::fprintf(stderr, "HTTP streams need libcurl (libcurl.so.4): %s\n", lib ? dlerror() : "not installed");
      return nullptr;
    }
    c.global_init(CURL_GLOBAL_DEFAULT);
    return &c;
  }();
  return api;
}

// libcurl leaves SIGPIPE alone once told not to use signals, and OpenSSL writing to a server
// that has gone would end the program: SIGPIPE is held back on this thread while curl runs,
// and one it raised is taken off again.
class TNoSigpipe {
 public:
  TNoSigpipe() {
    sigemptyset(&_pipe);
    sigaddset(&_pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &_pipe, &_old);
  }
  ~TNoSigpipe() {
    sigset_t pending;
    sigpending(&pending);
    if (!sigismember(&_old, SIGPIPE) && sigismember(&pending, SIGPIPE)) {
      const timespec now{};
      sigtimedwait(&_pipe, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &_old, nullptr);
  }

 private:
  sigset_t _pipe, _old;
};

}  // namespace

struct THttpTransfer {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  int32_t timeout = 30000;
  std::string buffer;  // delivered, unread from `head` on
  size_t head = 0;
  long block_code = 0;       // the status of the header block being received
  bool headers_done = false;  // the final answer's headers are in
  bool done = false;
  CURLcode result = CURLE_OK;
  bool broken = false;  // ended in an error, or stalled past the timeout, after the stream opened

  ~THttpTransfer() {
    const TNoSigpipe hold;  // closing a TLS connection writes to it
    const TCurl& c = *Curl();  // a transfer exists only where libcurl was loaded
    if (easy) {
      c.multi_remove_handle(multi, easy);
      c.easy_cleanup(easy);
    }
    if (multi) c.multi_cleanup(multi);
  }

  // Runs curl until it delivers bytes, ends, or `timeout` ms pass without either.
  void Drive() {
    using TClock = std::chrono::steady_clock;
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeout);
    const size_t had = buffer.size();
    const bool had_headers = headers_done;
    const TCurl& c = *Curl();
    for (;;) {
      int running = 0;
      const TNoSigpipe hold;
      if (c.multi_perform(multi, &running) != CURLM_OK) {
        done = true;
        result = CURLE_FAILED_INIT;
      }
      int left = 0;
      while (CURLMsg* m = c.multi_info_read(multi, &left))
        if (m->msg == CURLMSG_DONE) done = true, result = m->data.result;
      if (done || buffer.size() > had || headers_done != had_headers) return;
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
      if (timeout >= 0 && wait <= 0) {
        broken = true;  // stalled: nothing more will be waited for
        done = true;
        result = CURLE_OPERATION_TIMEDOUT;
        return;
      }
      const int64_t slice = timeout < 0 ? 100 : std::clamp<int64_t>(wait, 1, 100);
      c.multi_poll(multi, nullptr, 0, static_cast<int>(slice), nullptr);
    }
  }
};

namespace {

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  static_cast<THttpTransfer*>(user)->buffer.append(data, size * count);
  return size * count;
}

// Headers of every answer pass here, redirects included: a status line opens a block, an
// empty line closes it. A block closed with a final status (not 1xx, not a redirect) ends the
// wait of Open; a redirect curl follows.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<THttpTransfer*>(user);
  const std::string_view line(data, size * count);
  if (line.starts_with("HTTP/")) {
    const size_t space = line.find(' ');
    t->block_code = space == std::string_view::npos ? 0 : std::strtol(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
  } else if (line == "\r\n" || line == "\n") {
    if (t->block_code >= 200 && (t->block_code < 300 || t->block_code >= 400)) t->headers_done = true;
  }
  return size * count;
}

// The host part of "scheme://[user@]host[:port]/...".
std::string_view HostOf(std::string_view url) {
  const size_t start = url.find("://") + 3;
  std::string_view rest = url.substr(start);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const size_t at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
  if (rest.starts_with('[')) return rest.substr(1, rest.find(']') - 1);
  return rest.substr(0, rest.find(':'));
}

// Loopback never goes through a proxy named in the environment; the environment's own
// exceptions still hold, since naming ours replaces them.
std::string NoProxyList() {
  std::string list = "localhost,127.0.0.0/8,::1";
  for (const char* name : {"no_proxy", "NO_PROXY"})
    if (const char* v = std::getenv(name); v && *v) list += std::string(",") + v;
  return list;
}

class THttpFactory : public TStreamFactory {
 public:
  TStreamPtr CreateStream(const TUrl&, const std::u16string& protocol, const std::u16string& path, bool,
                          bool writeable) override {
    if ((protocol != u"http" && protocol != u"https") || writeable) return nullptr;
    return THttpStream::Open(protocol + u"://" + path);
  }
};

}  // namespace

void AddHttpStreamFactory() { AddStreamFactory(std::make_shared<THttpFactory>()); }

THttpOptions& HttpDefaults() {
  static THttpOptions defaults;
  return defaults;
}

std::shared_ptr<THttpStream> THttpStream::Open(const std::u16string& url_text, const THttpOptions& options) {
  std::string url = TextToUtf8(url_text);
  if (url.find("://") == std::string::npos) {
    const size_t split = url.find("::");
    if (split == std::string::npos) return nullptr;
    url.replace(split, 2, "://");
  }
  std::string scheme = url.substr(0, url.find("://"));
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (scheme != "http" && scheme != "https") return nullptr;
  url.replace(0, scheme.size(), scheme);
  const std::string_view host = HostOf(url);
  if (host.empty() || ReservedInvalidName(host)) return nullptr;

  const TCurl* const api = Curl();
  if (!api) return nullptr;
  const TCurl& c = *api;
  auto t = std::make_unique<THttpTransfer>();
  t->timeout = options.timeout;
  t->multi = c.multi_init();
  t->easy = c.easy_init();
  if (!t->multi || !t->easy) return nullptr;
  CURL* e = t->easy;
  c.easy_setopt(e, CURLOPT_URL, url.c_str());
  c.easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  c.easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  c.easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  c.easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(std::max(options.max_redirects, 0)));
  c.easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  if (options.timeout >= 0) c.easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(options.timeout, 1)));
  const std::string no_proxy = NoProxyList();
  c.easy_setopt(e, CURLOPT_NOPROXY, no_proxy.c_str());
  const std::string ca_file = TextToUtf8(options.ca_file);
  if (!ca_file.empty()) c.easy_setopt(e, CURLOPT_CAINFO, ca_file.c_str());
  c.easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  c.easy_setopt(e, CURLOPT_WRITEDATA, t.get());
  c.easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  c.easy_setopt(e, CURLOPT_HEADERDATA, t.get());
  if (c.multi_add_handle(t->multi, e) != CURLM_OK) return nullptr;

  while (!t->headers_done && !t->done) t->Drive();
  long code = 0;
  c.easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
  // Once the final headers are in, a failure that follows belongs to the body: reading raises.
  if (!t->headers_done || code < 200 || code > 299) return nullptr;

  auto s = std::make_shared<THttpStream>();
  s->_status = static_cast<int32_t>(code);
  curl_off_t length = -1;
  if (c.easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK) s->_length = length;
  const char* type = nullptr;
  if (c.easy_getinfo(e, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) s->_type = Utf8ToText(type);
  const char* effective = nullptr;
  if (c.easy_getinfo(e, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
    s->_effective = Utf8ToText(effective);
  s->_transfer = std::move(t);
  return s;
}

THttpStream::~THttpStream() { Close(); }

int THttpStream::Close() {
  _transfer.reset();
  return 0;
}

bool THttpStream::Fill() {
  THttpTransfer* t = _transfer.get();
  if (!t) return false;
  if (t->head < t->buffer.size()) return true;
  t->buffer.clear();
  t->head = 0;
  while (t->buffer.empty() && !t->done) t->Drive();
  if (t->done && t->result != CURLE_OK) t->broken = true;
  return !t->buffer.empty();
}

bool THttpStream::Eof() {
  if (Fill()) return false;
  return !_transfer || !_transfer->broken;  // a broken transfer is no end: reading it raises
}

int64_t THttpStream::Size() { return _length > 0 ? _length : 0; }

int64_t THttpStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || !_transfer) return 0;
  if (!Fill()) {
    if (_transfer->broken) throw TStreamReadException();
    return 0;
  }
  THttpTransfer* t = _transfer.get();
  const size_t n = std::min(static_cast<size_t>(count), t->buffer.size() - t->head);
  std::memcpy(buffer, t->buffer.data() + t->head, n);
  t->head += n;
  return static_cast<int64_t>(n);
}
