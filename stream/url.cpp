// Opening streams from URLs: files, the factory chain ("incbin", "littleendian",
// "bigendian", the text encodings, "tcp", "http", "https") and the registry of resources
// compiled into the executable.
#include <algorithm>
#include <cstring>

#include "stream/endian_stream.h"
#include "stream/handler_chain.h"
#include "stream/net_internal.h"
#include "stream/stream.h"
#include "stream/text_stream_internal.h"

namespace {

struct TEmbedded {
  std::unique_ptr<TEmbedded> next;
  std::u16string name;
  const void* data;
  int64_t length;
};

std::unique_ptr<TEmbedded> embedded_head;

const TEmbedded* FindEmbedded(std::u16string_view name) {
  for (const TEmbedded* e = embedded_head.get(); e; e = e->next.get())
    if (e->name == name) return e;
  return nullptr;
}

THandlerChain<TStreamFactory> factories;

class TIncbinFactory : public TStreamFactory {
 public:
  TStreamPtr CreateStream(const TUrl&, const std::u16string& protocol, const std::u16string& path,
                          bool readable, bool writeable) override {
    if (protocol != u"incbin" || writeable) return nullptr;
    const TEmbedded* e = FindEmbedded(path);
    if (!e) return nullptr;
    // The registered bytes are read-only; the stream is never writeable.
    return TRamStream::Create(const_cast<void*>(e->data), e->length, readable, false);
  }
};

class TEndianFactory : public TStreamFactory {
 public:
  TStreamPtr CreateStream(const TUrl&, const std::u16string& protocol, const std::u16string& path,
                          bool readable, bool writeable) override {
    if (protocol != u"littleendian" && protocol != u"bigendian") return nullptr;
    TStreamPtr inner = OpenStreamUrl(TUrl(path), readable, writeable);
    if (!inner) return nullptr;
    if (protocol == u"bigendian") return TBigEndianStream::Create(std::move(inner));
    return TLittleEndianStream::Create(std::move(inner));
  }
};

void InitFactories() {
  static bool done = false;
  if (done) return;
  done = true;
  AddStreamFactory(std::make_shared<TEndianFactory>());
  AddTextStreamFactory();
  AddSocketStreamFactory();
  AddHttpStreamFactory();
  AddStreamFactory(std::make_shared<TIncbinFactory>());
}

}  // namespace

void AddStreamFactory(std::shared_ptr<TStreamFactory> factory) {
  factories.Add(std::move(factory));
}

int RegisterEmbedded(const std::u16string& name, const void* data, int64_t length) {
  if (FindEmbedded(name)) return 0;
  auto e = std::make_unique<TEmbedded>();
  e->name = name;
  e->data = data;
  e->length = length;
  e->next = std::move(embedded_head);
  embedded_head = std::move(e);
  return 1;
}

const void* EmbeddedData(std::u16string_view name) {
  const TEmbedded* e = FindEmbedded(name);
  return e ? e->data : nullptr;
}

int64_t EmbeddedSize(std::u16string_view name) {
  const TEmbedded* e = FindEmbedded(name);
  return e ? e->length : 0;
}

TStreamPtr OpenStreamUrl(const TUrl& url, bool readable, bool writeable) {
  InitFactories();
  if (url.stream) return TStreamStream::Create(url.stream);
  const std::u16string& text = url.text;
  size_t split = text.find(u"::");
  if (!text.empty() && split == std::u16string::npos) return TCStream::OpenFile(text, readable, writeable);
  std::u16string protocol, path;
  if (split != std::u16string::npos) {
    protocol = text.substr(0, split);
    path = text.substr(split + 2);
    for (char16_t& c : protocol)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  for (TStreamFactory* f = factories.Head().get(); f; f = f->_succ.get())
    if (TStreamPtr s = f->CreateStream(url, protocol, path, readable, writeable)) return s;
  return nullptr;
}

TStreamPtr OpenReadStream(const TUrl& url) { return OpenStreamUrl(url, true, false); }
TStreamPtr OpenWriteStream(const TUrl& url) { return OpenStreamUrl(url, false, true); }

static TStreamPtr Seekable(TStreamPtr s, bool readable, bool writeable) {
  if (!s || s->Pos() != -1) return s;
  auto bank = std::make_shared<TBank>();
  bank->bytes = LoadBytes(TUrl(s));
  return TBankStream::Create(std::move(bank), readable, writeable);
}

TStreamPtr OpenFileForReading(const TUrl& url) { return Seekable(OpenReadStream(url), true, false); }
TStreamPtr OpenFileForWriting(const TUrl& url) { return Seekable(OpenWriteStream(url), false, true); }

void CloseStream(const TStreamPtr& stream) {
  if (stream) stream->Close();
}

std::vector<uint8_t> LoadBytes(const TUrl& url) {
  std::vector<uint8_t> bytes;
  TStreamPtr s = OpenReadStream(url);
  if (!s) return bytes;
  bytes.resize(1024);
  size_t used = 0;
  while (!s->Eof()) {
    if (used == bytes.size()) bytes.resize(bytes.size() + bytes.size() / 2);
    int64_t n = s->Read(bytes.data() + used, static_cast<int64_t>(bytes.size() - used));
    if (n <= 0) break;  // a stream that cannot seek never says Eof; a dry read ends it
    used += static_cast<size_t>(n);
  }
  s->Close();
  bytes.resize(used);
  return bytes;
}

std::u16string LoadText(const TUrl& url) {
  std::vector<uint8_t> bytes = LoadBytes(url);
  return BytesToText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool SaveBytes(const std::vector<uint8_t>& bytes, const TUrl& url) {
  TStreamPtr s = OpenWriteStream(url);
  if (!s) return false;
  s->WriteBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
  s->Close();
  return true;
}

bool SaveText(std::u16string_view text, const TUrl& url) {
  std::string b = TextToBytes(text);
  return SaveBytes(std::vector<uint8_t>(b.begin(), b.end()), url);
}

void CopyStreamData(TStream& from, TStream& to, int64_t buffer_size) {
  std::vector<uint8_t> buf(static_cast<size_t>(std::max<int64_t>(buffer_size, 1)));
  while (!from.Eof()) {
    int64_t n = from.Read(buf.data(), static_cast<int64_t>(buf.size()));
    if (n <= 0) break;
    to.WriteBytes(buf.data(), n);
  }
}

void CopyStreamBytes(TStream& from, TStream& to, int64_t count, int64_t buffer_size) {
  std::vector<uint8_t> buf(static_cast<size_t>(std::max<int64_t>(buffer_size, 1)));
  while (count > 0) {
    int64_t n = std::min<int64_t>(count, static_cast<int64_t>(buf.size()));
    from.ReadBytes(buf.data(), n);
    to.WriteBytes(buf.data(), n);
    count -= n;
  }
}
