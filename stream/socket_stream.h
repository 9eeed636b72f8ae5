// TCP and UDP over POSIX sockets: a connection is a stream ("tcp::host:port" through the
// factory chain), a listening socket hands out connections, a UDP socket sends and receives
// whole datagrams. Names under ".invalid" never resolve. Builds on stream.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stream/stream.h"

// A connected TCP socket. It cannot seek; reads wait for bytes, and writes for room, as long
// as the timeout at most.
class TSocketStream : public TStream {
 public:
  ~TSocketStream() override;
  // "host:port" or "[v6 address]:port"; null when the name does not resolve, the connection is
  // refused or does not come within the timeout (milliseconds).
  static std::shared_ptr<TSocketStream> Connect(const std::u16string& host, int32_t port,
                                                int32_t timeout = 10000);
  static std::shared_ptr<TSocketStream> Create(int fd);  // takes over a connected socket; null for -1

  bool Eof() override;  // waits for a byte or the end; false when neither came within the timeout
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;  // 0 at the end or when nothing came in time
  // 0 once the other side is gone or no room came in time, so WriteBytes raises.
  int64_t Write(const void* buffer, int64_t count) override;

  int32_t ReadAvail();                    // bytes waiting, without waiting
  void SetTimeout(int32_t millis);        // for reads and writes; default 30000, negative: for ever
  void ShutdownOutput();                  // tells the other side nothing more comes
  std::u16string RemoteAddress() const;   // "127.0.0.1", "::1"
  int32_t RemotePort() const;
  int32_t LocalPort() const;
  int Descriptor() const { return _fd; }  // -1 once closed

 private:
  bool WaitFor(short events);

  int _fd = -1;
  bool _ended = false;
  int32_t _timeout = 30000;
};

// A listening TCP socket.
class TServerSocket {
 public:
  ~TServerSocket();
  // Port 0 takes a free one (Port() tells which). An empty address listens on every interface;
  // "127.0.0.1" or "::1" only on this machine. Null when the address cannot be had.
  static std::shared_ptr<TServerSocket> Listen(int32_t port, const std::u16string& address = u"",
                                               int32_t backlog = 16);
  // The next connection, waiting for it up to the timeout (0: only one already there); else null.
  std::shared_ptr<TSocketStream> Accept(int32_t timeout = 0);
  bool Pending();  // a connection is waiting to be accepted
  int32_t Port() const { return _port; }
  void Close();
  int Descriptor() const { return _fd; }

 private:
  int _fd = -1;
  int32_t _port = 0;
};

// One datagram received, with its sender.
struct TDatagram {
  std::vector<uint8_t> bytes;
  std::u16string host;
  int32_t port = 0;
};

// A UDP socket bound to a port of this machine.
class TUdpSocket {
 public:
  ~TUdpSocket();
  // Port 0 takes a free one. An empty address binds every interface. Null when it cannot be had.
  static std::shared_ptr<TUdpSocket> Open(int32_t port = 0, const std::u16string& address = u"");
  // Sends one datagram (at most 65507 bytes); 1 when it went out, 0 when it could not.
  int32_t Send(const void* data, int32_t size, const std::u16string& host, int32_t port);
  // The next datagram, waiting for it up to the timeout (0: only one already there); else null.
  std::shared_ptr<TDatagram> Receive(int32_t timeout = 0);
  int32_t ReadAvail();  // size of the next datagram waiting, -1 when none
  int32_t Port() const { return _port; }
  void Close();

 private:
  int _fd = -1;
  int32_t _port = 0;
  int _family = 0;
};
