// One thread per host does all its socket work: it polls the listening socket, every peer and
// a wake-up descriptor, reads and cuts messages, writes what was queued and notices silence.
// It touches no framework state: each event is made there and emitted on the main thread.
#include "system/message_host.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "system/event.h"
#include "system/system.h"

namespace {

// Bytes queued for one peer beyond which Send refuses: a peer that reads nothing cannot make
// the host hold everything sent to it.
constexpr size_t kMaxBacklog = 64u << 20;
constexpr size_t kReadPiece = 65536;
// Received but not yet emitted, beyond which the host stops reading until the main thread has
// pumped: the senders are held back by TCP instead of the host growing without end.
constexpr size_t kMaxInboxBytes = 16u << 20;
constexpr size_t kMaxInboxEvents = 4096;

int64_t NowMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

struct TMessageCore : std::enable_shared_from_this<TMessageCore> {
  std::mutex lock;  // the peer list, each peer's outbox, the settings
  std::vector<std::shared_ptr<TMessagePeer>> peers;
  std::shared_ptr<TServerSocket> listener;
  int wake = -1;
  std::atomic<bool> stop{false};
  std::atomic<int32_t> limit{DefaultMessageLimit};
  std::atomic<int32_t> timeout{30000};
  std::thread thread;
  // Events made on the host's thread wait here for the main thread, which one posted record
  // at a time empties, whatever their number.
  std::deque<std::shared_ptr<TEvent>> inbox;
  size_t inbox_bytes = 0;
  bool drain_posted = false;

  ~TMessageCore() {
    if (wake >= 0) ::close(wake);
  }

  void Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake, &one, sizeof one);
  }

  // With `lock` held: queues the event for the main thread.
  void Post(int32_t id, const std::shared_ptr<TMessagePeer>& peer, int32_t data,
            std::shared_ptr<TBank> message = nullptr) {
    inbox_bytes += message ? message->bytes.size() : 0;
    std::any extra;
    if (message) extra = std::move(message);
    inbox.push_back(TEvent::Create(id, peer, data, 0, 0, 0, std::move(extra)));
    if (drain_posted) return;
    drain_posted = true;
    PostToMainThread(Drain, shared_from_this(), 0);
  }

  static void Drain(const std::shared_ptr<void>& user, int32_t) {
    const auto core = std::static_pointer_cast<TMessageCore>(user);
    std::deque<std::shared_ptr<TEvent>> taken;
    {
      std::lock_guard<std::mutex> hold(core->lock);
      taken.swap(core->inbox);
      core->inbox_bytes = 0;
      core->drain_posted = false;
    }
    core->Wake();  // it may have stopped reading while the inbox was full
    for (auto& e : taken) e->Emit();
  }

  bool InboxFull() const { return inbox_bytes >= kMaxInboxBytes || inbox.size() >= kMaxInboxEvents; }

  std::shared_ptr<TMessagePeer> Adopt(std::shared_ptr<TSocketStream> socket, int32_t incoming) {
    auto peer = std::make_shared<TMessagePeer>();
    peer->_core = weak_from_this();
    peer->_address = socket->RemoteAddress();
    peer->_port = socket->RemotePort();
    peer->_socket = std::move(socket);
    std::lock_guard<std::mutex> hold(lock);
    // Queued before the thread can read from the peer, so the arrival comes first.
    Post(EventPeerConnect, peer, incoming);
    peers.push_back(peer);
    return peer;
  }

  // Called on the host's thread, with `lock` held.
  void Drop(size_t i, int32_t reason) {
    std::shared_ptr<TMessagePeer> peer = std::move(peers[i]);
    peers.erase(peers.begin() + static_cast<std::ptrdiff_t>(i));
    peer->_state = 2;
    peer->_socket->Close();
    peer->_outbox.clear();
    peer->_outbox.shrink_to_fit();
    Post(EventPeerDisconnect, peer, reason);
  }

  // Writes what the peer has queued, as far as the socket takes it; false when it broke.
  static bool Flush(TMessagePeer& peer) {
    while (peer._sent < peer._outbox.size()) {
      const ssize_t n = ::send(peer._socket->Descriptor(), peer._outbox.data() + peer._sent,
                               peer._outbox.size() - peer._sent, MSG_DONTWAIT | MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) return true;
      if (n <= 0) return false;
      peer._sent += static_cast<size_t>(n);
    }
    peer._outbox.clear();
    peer._sent = 0;
    return true;
  }

  // Reads what the peer has sent; the reason it must leave, or -1 to keep it.
  int32_t Receive(const std::shared_ptr<TMessagePeer>& peer, int64_t now) {
    uint8_t buffer[kReadPiece];
    std::vector<std::vector<uint8_t>> messages;
    int32_t reason = -1;
    // A bounded number of reads, so that one busy peer cannot hold the others back.
    for (int round = 0; round < 16 && reason < 0; ++round) {
      const ssize_t n = ::recv(peer->_socket->Descriptor(), buffer, sizeof buffer, MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) break;
      if (n == 0) reason = PeerClosedThere;
      else if (n < 0) reason = PeerFailed;
      else {
        peer->_last_byte_ms = now;
        if (!peer->_framer.Feed(buffer, static_cast<size_t>(n), messages)) reason = PeerMalformed;
      }
    }
    std::lock_guard<std::mutex> hold(lock);
    for (auto& m : messages) {  // those whole before a fault still arrive, ahead of the leaving
      auto bank = std::make_shared<TBank>();
      bank->bytes = std::move(m);
      const auto size = static_cast<int32_t>(bank->bytes.size());
      Post(EventPeerMessage, peer, size, std::move(bank));
    }
    return reason;
  }

  void Run() {
    std::vector<pollfd> fds;
    std::vector<std::shared_ptr<TMessagePeer>> polled;
    while (!stop) {
      fds.clear();
      polled.clear();
      fds.push_back({wake, POLLIN, 0});
      int64_t wait = -1;  // until the first silence runs out
      const int64_t now = NowMillis();
      short in = POLLIN;
      {
        std::lock_guard<std::mutex> hold(lock);
        if (listener) fds.push_back({listener->Descriptor(), POLLIN, 0});
        in = InboxFull() ? 0 : POLLIN;
        for (auto& p : peers) {
          p->_framer.SetLimit(static_cast<uint32_t>(limit.load()));
          const bool out = p->_sent < p->_outbox.size();
          fds.push_back({p->_socket->Descriptor(), static_cast<short>(in | (out ? POLLOUT : 0)), 0});
          polled.push_back(p);
          if (!p->_framer.Partial()) continue;
          const int64_t left = std::clamp<int64_t>(p->_last_byte_ms + timeout.load() - now, 0, 60000);
          wait = wait < 0 ? left : std::min(wait, left);
        }
      }
      if (::poll(fds.data(), fds.size(), static_cast<int>(wait)) < 0 && errno != EINTR) break;
      if (fds[0].revents & POLLIN) {
        uint64_t count;
        [[maybe_unused]] ssize_t n = ::read(wake, &count, sizeof count);
      }
      if (stop) break;
      size_t next = 1;
      if (listener && (fds[next++].revents & POLLIN))
        while (auto socket = listener->Accept(0)) Adopt(std::move(socket), 1);
      const int64_t then = NowMillis();
      for (size_t k = 0; k < polled.size(); ++k) {
        const std::shared_ptr<TMessagePeer>& peer = polled[k];
        const short revents = fds[next + k].revents;
        int32_t reason = -1;
        if (revents & (POLLIN | POLLHUP | POLLERR)) reason = Receive(peer, then);
        std::lock_guard<std::mutex> hold(lock);
        const auto at = std::find(peers.begin(), peers.end(), peer);
        if (at == peers.end()) continue;
        if (reason < 0 && !Flush(*peer)) reason = PeerFailed;
        if (reason < 0 && peer->_state == 1 && peer->_outbox.empty()) reason = PeerClosedHere;
        if (reason < 0 && peer->_framer.Partial()) {
          if (!in) peer->_last_byte_ms = then;  // not read from meanwhile: the silence is ours
          else if (then - peer->_last_byte_ms >= timeout.load()) reason = PeerTimedOut;
        }
        if (reason >= 0) Drop(static_cast<size_t>(at - peers.begin()), reason);
      }
    }
    std::lock_guard<std::mutex> hold(lock);
    if (listener) listener->Close();
    while (!peers.empty()) {
      Flush(*peers.back());
      Drop(peers.size() - 1, PeerClosedHere);
    }
  }

  bool Start() {
    wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) return false;
    SystemDriver();  // events are posted to the main thread, whose queue must be up first
    try {
      thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  void Shut() {
    if (!thread.joinable()) return;
    stop = true;
    Wake();
    thread.join();
  }
};

// ---- TMessagePeer

int32_t TMessagePeer::Send(const void* data, int32_t size) {
  const std::shared_ptr<TMessageCore> core = _core.lock();
  if (!core || size < 0 || (size > 0 && !data) || size > core->limit.load()) return 0;
  {
    std::lock_guard<std::mutex> hold(core->lock);
    if (_state != 0 || _outbox.size() - _sent + static_cast<size_t>(size) > kMaxBacklog) return 0;
    FrameMessage(data, static_cast<uint32_t>(size), _outbox);
  }
  core->Wake();
  return 1;
}

int32_t TMessagePeer::Send(const std::vector<uint8_t>& bytes) {
  return Send(bytes.data(), static_cast<int32_t>(std::min<size_t>(bytes.size(), INT32_MAX)));
}

void TMessagePeer::Close() {
  const std::shared_ptr<TMessageCore> core = _core.lock();
  if (!core) return;
  {
    std::lock_guard<std::mutex> hold(core->lock);
    if (_state != 0) return;
    _state = 1;
  }
  core->Wake();
}

bool TMessagePeer::Connected() const { return _state == 0; }

// ---- TMessageHost

std::shared_ptr<TMessageHost> TMessageHost::Create() {
  auto core = std::make_shared<TMessageCore>();
  if (!core->Start()) return nullptr;
  auto host = std::make_shared<TMessageHost>();
  host->_core = std::move(core);
  return host;
}

std::shared_ptr<TMessageHost> TMessageHost::Listen(int32_t port, const std::u16string& address) {
  auto listener = TServerSocket::Listen(port, address);
  if (!listener) return nullptr;
  auto core = std::make_shared<TMessageCore>();
  core->listener = std::move(listener);
  if (!core->Start()) return nullptr;
  auto host = std::make_shared<TMessageHost>();
  host->_core = std::move(core);
  return host;
}

TMessageHost::~TMessageHost() { Close(); }

void TMessageHost::Close() {
  if (_core) _core->Shut();
}

std::shared_ptr<TMessagePeer> TMessageHost::Connect(const std::u16string& host, int32_t port, int32_t timeout) {
  if (!_core->thread.joinable() || _core->stop) return nullptr;
  auto socket = TSocketStream::Connect(host, port, timeout);
  if (!socket) return nullptr;
  auto peer = _core->Adopt(std::move(socket), 0);
  _core->Wake();
  return peer;
}

std::vector<std::shared_ptr<TMessagePeer>> TMessageHost::Peers() {
  std::lock_guard<std::mutex> hold(_core->lock);
  std::vector<std::shared_ptr<TMessagePeer>> connected;
  for (auto& p : _core->peers)
    if (p->Connected()) connected.push_back(p);
  return connected;
}

int32_t TMessageHost::Broadcast(const void* data, int32_t size) {
  int32_t took = 0;
  for (auto& p : Peers()) took += p->Send(data, size);
  return took;
}

int32_t TMessageHost::Port() const {
  std::lock_guard<std::mutex> hold(_core->lock);
  return _core->listener && !_core->stop ? _core->listener->Port() : 0;
}

void TMessageHost::SetMessageLimit(int32_t bytes) {
  _core->limit = std::max(bytes, 0);
  _core->Wake();
}

void TMessageHost::SetMessageTimeout(int32_t millis) {
  _core->timeout = std::max(millis, 0);
  _core->Wake();
}

std::shared_ptr<TBank> MessageOf(const std::shared_ptr<TEvent>& event) {
  if (!event || event->id != EventPeerMessage) return nullptr;
  const auto* bank = std::any_cast<std::shared_ptr<TBank>>(&event->extra);
  return bank ? *bank : nullptr;
}

std::shared_ptr<TBank> EventMessage() { return MessageOf(CurrentEvent()); }
