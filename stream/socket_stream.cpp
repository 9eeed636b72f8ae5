// Sockets are non-blocking and every wait is a poll() with the stream's timeout, so nothing
// here waits longer than it was told. Writes never raise SIGPIPE (MSG_NOSIGNAL).
#include "stream/socket_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "stream/net_internal.h"

namespace {

using TClock = std::chrono::steady_clock;

int64_t MillisLeft(TClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
  return left < 0 ? 0 : left;
}

// poll() on one descriptor for up to `timeout` ms (negative: for ever), resumed after signals.
int PollOne(int fd, short events, int32_t timeout) {
  pollfd p{fd, events, 0};
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeout < 0 ? 0 : timeout);
  for (;;) {
    const int wait = timeout < 0 ? -1 : static_cast<int>(MillisLeft(deadline));
    const int n = ::poll(&p, 1, wait);
    if (n >= 0) return n > 0 ? p.revents : 0;
    if (errno != EINTR) return POLLERR;
  }
}

struct TAddresses {
  addrinfo* list = nullptr;
  ~TAddresses() {
    if (list) ::freeaddrinfo(list);
  }
};

std::string HostBytes(const std::u16string& host) {
  std::string h = TextToUtf8(host);
  if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
  return h;
}

bool Resolve(const std::string& host, int32_t port, int family, int socktype, int flags, TAddresses& out) {
  if (port < 0 || port > 65535 || ReservedInvalidName(host)) return false;
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = socktype;
  hints.ai_flags = flags | AI_NUMERICSERV;
  const std::string service = std::to_string(port);
  return ::getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &out.list) == 0 &&
         out.list;
}

std::u16string AddressText(const sockaddr_storage& a) {
  char text[INET6_ADDRSTRLEN] = "";
  if (a.ss_family == AF_INET) {
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, text, sizeof text);
  } else if (a.ss_family == AF_INET6) {
    const in6_addr& v6 = reinterpret_cast<const sockaddr_in6&>(a).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) ::inet_ntop(AF_INET, &v6.s6_addr[12], text, sizeof text);
    else ::inet_ntop(AF_INET6, &v6, text, sizeof text);
  }
  return Utf8ToText(text);
}

int32_t PortOf(const sockaddr_storage& a) {
  if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
  if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
  return 0;
}

int32_t BoundPort(int fd) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  return ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0 ? PortOf(a) : 0;
}

// A socket bound to the address (empty: every interface, IPv6 and IPv4 together where the
// machine has IPv6); -1 when it cannot be had. `family` tells which was bound.
int BindSocket(int socktype, int32_t port, const std::u16string& address, int& family) {
  std::vector<std::string> candidates;
  if (address.empty()) candidates = {"::", "0.0.0.0"};
  else candidates = {HostBytes(address)};
  for (const std::string& host : candidates) {
    TAddresses found;
    if (!Resolve(host, port, AF_UNSPEC, socktype, AI_PASSIVE, found)) continue;
    for (addrinfo* a = found.list; a; a = a->ai_next) {
      const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
      if (fd < 0) continue;
      const int on = 1, off = 0;
      if (socktype == SOCK_STREAM) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
      if (a->ai_family == AF_INET6 && host == "::") ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
      if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0) {
        family = a->ai_family;
        return fd;
      }
      ::close(fd);
    }
  }
  return -1;
}

class TSocketFactory : public TStreamFactory {
 public:
  TStreamPtr CreateStream(const TUrl&, const std::u16string& protocol, const std::u16string& path, bool,
                          bool) override {
    if (protocol != u"tcp") return nullptr;
    const size_t colon = path.rfind(u':');
    if (colon == std::u16string::npos || colon + 1 == path.size()) return nullptr;
    int32_t port = 0;
    for (size_t i = colon + 1; i < path.size(); ++i) {
      if (path[i] < u'0' || path[i] > u'9' || port > 65535) return nullptr;
      port = port * 10 + (path[i] - u'0');
    }
    return TSocketStream::Connect(path.substr(0, colon), port);
  }
};

}  // namespace

bool ReservedInvalidName(std::string_view host) {
  while (!host.empty() && host.back() == '.') host.remove_suffix(1);
  if (host.size() < 7) return false;
  const std::string_view tail = host.substr(host.size() - 7);
  bool match = true;
  for (size_t i = 0; i < 7; ++i) match = match && (tail[i] | 0x20) == "invalid"[i];
  return match && (host.size() == 7 || host[host.size() - 8] == '.');
}

void AddSocketStreamFactory() { AddStreamFactory(std::make_shared<TSocketFactory>()); }

// ---- TSocketStream

std::shared_ptr<TSocketStream> TSocketStream::Create(int fd) {
  if (fd < 0) return nullptr;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  const int on = 1;  // small writes go at once: request and answer must not wait on each other
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  auto s = std::make_shared<TSocketStream>();
  s->_fd = fd;
  return s;
}

std::shared_ptr<TSocketStream> TSocketStream::Connect(const std::u16string& host, int32_t port, int32_t timeout) {
  if (port <= 0 || host.empty()) return nullptr;
  TAddresses found;
  if (!Resolve(HostBytes(host), port, AF_UNSPEC, SOCK_STREAM, 0, found)) return nullptr;
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeout < 0 ? 0 : timeout);
  for (addrinfo* a = found.list; a; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      const int32_t left = timeout < 0 ? -1 : static_cast<int32_t>(MillisLeft(deadline));
      int error = ETIMEDOUT;
      socklen_t len = sizeof error;
      if (PollOne(fd, POLLOUT, left) != 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
      rc = error == 0 ? 0 : -1;
    }
    if (rc == 0) return Create(fd);
    ::close(fd);
    if (timeout >= 0 && MillisLeft(deadline) == 0) break;
  }
  return nullptr;
}

TSocketStream::~TSocketStream() { Close(); }

int TSocketStream::Close() {
  if (_fd >= 0) ::close(_fd);
  _fd = -1;
  return 0;
}

void TSocketStream::SetTimeout(int32_t millis) { _timeout = millis; }

void TSocketStream::ShutdownOutput() {
  if (_fd >= 0) ::shutdown(_fd, SHUT_WR);
}

bool TSocketStream::WaitFor(short events) { return PollOne(_fd, events, _timeout) != 0; }

int32_t TSocketStream::ReadAvail() {
  int n = 0;
  if (_fd < 0 || ::ioctl(_fd, FIONREAD, &n) != 0) return 0;
  return n;
}

bool TSocketStream::Eof() {
  if (_ended || _fd < 0) return true;
  if (ReadAvail() > 0) return false;
  if (!WaitFor(POLLIN)) return false;  // nothing yet: a Read now would find nothing either
  char probe;
  ssize_t n;
  do n = ::recv(_fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
  while (n < 0 && errno == EINTR);
  if (n > 0 || (n < 0 && errno == EAGAIN)) return false;
  _ended = true;  // closed by the other side, or reset
  return true;
}

int64_t TSocketStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || _fd < 0 || _ended) return 0;
  for (bool waited = false;;) {
    const ssize_t n = ::recv(_fd, buffer, static_cast<size_t>(count), MSG_DONTWAIT);
    if (n > 0) return n;
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      _ended = true;
      return 0;
    }
    if (errno == EAGAIN) {
      if (waited || !WaitFor(POLLIN)) return 0;
      waited = true;
    }
  }
}

int64_t TSocketStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || _fd < 0) return 0;
  for (bool waited = false;;) {
    const ssize_t n = ::send(_fd, buffer, static_cast<size_t>(count), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n > 0) return n;
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || errno != EAGAIN || waited || !WaitFor(POLLOUT)) return 0;  // EPIPE: the other side is gone
    waited = true;
  }
}

std::u16string TSocketStream::RemoteAddress() const {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  if (_fd < 0 || ::getpeername(_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return u"";
  return AddressText(a);
}

int32_t TSocketStream::RemotePort() const {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  if (_fd < 0 || ::getpeername(_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return PortOf(a);
}

int32_t TSocketStream::LocalPort() const { return _fd < 0 ? 0 : BoundPort(_fd); }

// ---- TServerSocket

std::shared_ptr<TServerSocket> TServerSocket::Listen(int32_t port, const std::u16string& address, int32_t backlog) {
  int family = 0;
  const int fd = BindSocket(SOCK_STREAM, port, address, family);
  if (fd < 0) return nullptr;
  if (::listen(fd, backlog > 0 ? backlog : 16) != 0) {
    ::close(fd);
    return nullptr;
  }
  auto s = std::make_shared<TServerSocket>();
  s->_fd = fd;
  s->_port = BoundPort(fd);
  return s;
}

TServerSocket::~TServerSocket() { Close(); }

void TServerSocket::Close() {
  if (_fd >= 0) ::close(_fd);
  _fd = -1;
}

bool TServerSocket::Pending() { return _fd >= 0 && (PollOne(_fd, POLLIN, 0) & POLLIN) != 0; }

std::shared_ptr<TSocketStream> TServerSocket::Accept(int32_t timeout) {
  if (_fd < 0) return nullptr;
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeout < 0 ? 0 : timeout);
  for (;;) {
    const int fd = ::accept4(_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) return TSocketStream::Create(fd);
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno != EAGAIN) return nullptr;  // out of descriptors, or closed
    const int32_t left = timeout < 0 ? -1 : static_cast<int32_t>(MillisLeft(deadline));
    if (left == 0 || PollOne(_fd, POLLIN, left) == 0) return nullptr;
  }
}

// ---- TUdpSocket

std::shared_ptr<TUdpSocket> TUdpSocket::Open(int32_t port, const std::u16string& address) {
  int family = 0;
  const int fd = BindSocket(SOCK_DGRAM, port, address, family);
  if (fd < 0) return nullptr;
  auto s = std::make_shared<TUdpSocket>();
  s->_fd = fd;
  s->_family = family;
  s->_port = BoundPort(fd);
  return s;
}

TUdpSocket::~TUdpSocket() { Close(); }

void TUdpSocket::Close() {
  if (_fd >= 0) ::close(_fd);
  _fd = -1;
}

int32_t TUdpSocket::Send(const void* data, int32_t size, const std::u16string& host, int32_t port) {
  if (_fd < 0 || size < 0 || size > 65507 || port <= 0 || (size > 0 && !data)) return 0;
  TAddresses found;
  // An IPv6 socket reaches IPv4 hosts through their mapped addresses.
  const int flags = _family == AF_INET6 ? AI_V4MAPPED : 0;
  if (!Resolve(HostBytes(host), port, _family, SOCK_DGRAM, flags, found)) return 0;
  for (addrinfo* a = found.list; a; a = a->ai_next) {
    ssize_t n;
    do n = ::sendto(_fd, data, static_cast<size_t>(size), MSG_NOSIGNAL, a->ai_addr, a->ai_addrlen);
    while (n < 0 && errno == EINTR);
    if (n == size) return 1;
  }
  return 0;
}

int32_t TUdpSocket::ReadAvail() {
  if (_fd < 0 || (PollOne(_fd, POLLIN, 0) & POLLIN) == 0) return -1;
  int n = 0;
  return ::ioctl(_fd, FIONREAD, &n) == 0 ? n : -1;
}

std::shared_ptr<TDatagram> TUdpSocket::Receive(int32_t timeout) {
  if (_fd < 0) return nullptr;
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeout < 0 ? 0 : timeout);
  auto d = std::make_shared<TDatagram>();
  d->bytes.resize(65536);
  for (;;) {
    sockaddr_storage from{};
    socklen_t len = sizeof from;
    const ssize_t n = ::recvfrom(_fd, d->bytes.data(), d->bytes.size(), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &len);
    if (n >= 0) {
      d->bytes.resize(static_cast<size_t>(n));
      d->bytes.shrink_to_fit();
      d->host = AddressText(from);
      d->port = PortOf(from);
      return d;
    }
    if (errno == EINTR) continue;
    // A refusal left by an earlier send (ICMP port unreachable) is no datagram: wait on.
    if (errno != EAGAIN && errno != ECONNREFUSED) return nullptr;
    const int32_t left = timeout < 0 ? -1 : static_cast<int32_t>(MillisLeft(deadline));
    if (left == 0 || PollOne(_fd, POLLIN, left) == 0) return nullptr;
  }
}
