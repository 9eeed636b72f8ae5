// The message-passing layer: a host that peers connect to over TCP and that connects to other
// hosts, trading whole messages (stream/message_frame.h). Each peer that joins or leaves and
// each message is emitted as an event on the main thread, inside a poll or wait, the way timer
// ticks arrive: "PeerConnect", "PeerDisconnect" and "PeerMessage", with the peer as source.
// Builds on stream/socket_stream.h, event.h and the main-thread queue of system.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stream/message_frame.h"
#include "stream/socket_stream.h"
#include "system/event.h"

// "PeerDisconnect" carries why in its data.
constexpr int32_t PeerClosedThere = 0;  // the other side closed the connection
constexpr int32_t PeerClosedHere = 1;   // Close() on the peer or on its host
constexpr int32_t PeerMalformed = 2;    // it announced a message over the limit
constexpr int32_t PeerTimedOut = 3;     // it began a message and went silent for the timeout
constexpr int32_t PeerFailed = 4;       // the connection broke, or it let too much wait unread

struct TMessageCore;

// One connection of a host. "PeerConnect" has data 1 when the other side connected to us and 0
// when we connected to it; "PeerMessage" has the length as data and the bytes as a TBank in
// extra (EventMessage); every peer that joined leaves exactly once with "PeerDisconnect".
class TMessagePeer {
 public:
  // Queues one message; 1 when queued, 0 when the peer has left or the message is over the
  // host's limit. Messages go out in the order sent.
  int32_t Send(const void* data, int32_t size);
  int32_t Send(const std::vector<uint8_t>& bytes);
  void Close();                      // after what was queued has gone out
  bool Connected() const;            // until it leaves or Close
  std::u16string RemoteAddress() const { return _address; }
  int32_t RemotePort() const { return _port; }

 private:
  friend struct TMessageCore;
  std::weak_ptr<TMessageCore> _core;
  std::shared_ptr<TSocketStream> _socket;
  std::u16string _address;
  int32_t _port = 0;
  std::atomic<int> _state{0};  // 0 connected, 1 closing, 2 gone
  // Kept by the host's thread: bytes to write, the message being read, the last byte's time.
  std::vector<uint8_t> _outbox;
  size_t _sent = 0;
  TMessageFramer _framer;
  int64_t _last_byte_ms = 0;
};

class TMessageHost {
 public:
  ~TMessageHost();  // Close
  // A host peers can connect to on the port (0: a free one, Port() tells which); an empty
  // address listens on every interface. Null when the port cannot be had.
  static std::shared_ptr<TMessageHost> Listen(int32_t port, const std::u16string& address = u"");
  static std::shared_ptr<TMessageHost> Create();  // a host that only connects out
  // Connects to a host; the peer, or null when it cannot be reached within the timeout (ms).
  std::shared_ptr<TMessagePeer> Connect(const std::u16string& host, int32_t port, int32_t timeout = 10000);
  std::vector<std::shared_ptr<TMessagePeer>> Peers();  // those connected now
  int32_t Broadcast(const void* data, int32_t size);    // to every peer; how many took it
  int32_t Port() const;                                 // 0 when not listening
  // The largest message taken or sent (default DefaultMessageLimit); a peer announcing more is
  // dropped with PeerMalformed.
  void SetMessageLimit(int32_t bytes);
  // How long a peer may stay silent in the middle of a message (default 30000 ms).
  void SetMessageTimeout(int32_t millis);
  // Stops listening and closes every peer, each leaving with PeerClosedHere; what they had
  // queued is written as far as the system takes it at once. Events on their way still come.
  void Close();

 private:
  std::shared_ptr<TMessageCore> _core;
};

// The bytes of a "PeerMessage" event; null for any other event.
std::shared_ptr<TBank> MessageOf(const std::shared_ptr<TEvent>& event);
std::shared_ptr<TBank> EventMessage();  // of the current event of the queue
