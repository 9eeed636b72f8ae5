// TCP and UDP on the loopback address only. Waits are for a state (bytes there, a datagram
// in), each with a bound that only a broken socket reaches.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "stream/socket_stream.h"
#include "stream/stream.h"

namespace {

constexpr int32_t kBound = 20000;  // ms; only a fault waits this long

// A port nothing listens on: taken, then let go.
int32_t FreePort() {
  auto s = TServerSocket::Listen(0, u"127.0.0.1");
  return s ? s->Port() : 0;
}

template <class Ready>
bool WaitUntil(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBound);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::u16string Url(int32_t port) {
  const std::string s = "tcp::127.0.0.1:" + std::to_string(port);
  return std::u16string(s.begin(), s.end());
}

}  // namespace

TEST(TcpStream, OpensThroughTheFactoryChainAndCarriesTypedValuesBothWays) {
  auto server = TServerSocket::Listen(0, u"127.0.0.1");
  ASSERT_TRUE(server) << "expected a listening socket on a free loopback port";
  TStreamPtr client = OpenStreamUrl(Url(server->Port()), true, true);
  ASSERT_TRUE(client) << "expected tcp::127.0.0.1:" << server->Port() << " to connect";
  auto accepted = server->Accept(kBound);
  ASSERT_TRUE(accepted) << "expected the connection to be accepted";
  EXPECT_EQ(u"127.0.0.1", accepted->RemoteAddress());

  client->WriteInt(258);
  client->WriteLine(u"hello");
  EXPECT_EQ(258, accepted->ReadInt());
  EXPECT_EQ(u"hello", accepted->ReadLine());
  accepted->WriteDouble(2.5);
  EXPECT_EQ(2.5, client->ReadDouble());

  client->Close();
  EXPECT_TRUE(accepted->Eof()) << "expected the end once the other side closed";
  char c;
  EXPECT_EQ(0, accepted->Read(&c, 1));
}

TEST(TcpStream, ReadAvailCountsWaitingBytesWithoutWaiting) {
  auto server = TServerSocket::Listen(0, u"127.0.0.1");
  ASSERT_TRUE(server);
  EXPECT_FALSE(server->Pending()) << "expected no connection waiting before any came";
  auto client = TSocketStream::Connect(u"127.0.0.1", server->Port());
  ASSERT_TRUE(client);
  ASSERT_TRUE(WaitUntil([&] { return server->Pending(); })) << "expected the connection to wait for Accept";
  auto accepted = server->Accept();
  ASSERT_TRUE(accepted);
  EXPECT_EQ(0, accepted->ReadAvail()) << "expected nothing waiting yet";
  client->WriteBytes("12345", 5);
  EXPECT_TRUE(WaitUntil([&] { return accepted->ReadAvail() == 5; }))
      << "expected 5 bytes waiting, got " << accepted->ReadAvail();
}

TEST(TcpStream, RefusedPortsUnresolvableNamesAndBadUrlsGiveNull) {
  EXPECT_FALSE(TSocketStream::Connect(u"127.0.0.1", FreePort(), kBound)) << "a port nothing listens on";
  EXPECT_FALSE(TSocketStream::Connect(u"no-such-host.invalid", 80)) << "a name that never resolves";
  EXPECT_FALSE(OpenReadStream(u"tcp::no-such-host.invalid:80"));
  EXPECT_FALSE(OpenReadStream(u"tcp::127.0.0.1")) << "no port";
  EXPECT_FALSE(OpenReadStream(u"tcp::127.0.0.1:99999")) << "a port past 65535";
  EXPECT_FALSE(OpenReadStream(u"tcp::127.0.0.1:8x0")) << "a port that is no number";
  auto taken = TServerSocket::Listen(0, u"127.0.0.1");
  ASSERT_TRUE(taken);
  EXPECT_FALSE(TServerSocket::Listen(taken->Port(), u"127.0.0.1")) << "a port already listened on";
}

// A listener that never accepts, its queue full: the kernel drops the next attempts, which
// then wait for the connect timeout instead of for ever.
TEST(TcpStream, AConnectionThatDoesNotComeTimesOutToNull) {
  auto server = TServerSocket::Listen(0, u"127.0.0.1", 1);
  ASSERT_TRUE(server);
  std::vector<std::shared_ptr<TSocketStream>> queued;
  bool timed_out = false;
  for (int i = 0; i < 64 && !timed_out; ++i) {
    auto s = TSocketStream::Connect(u"127.0.0.1", server->Port(), 300);
    if (s) queued.push_back(s);
    else timed_out = true;
  }
  EXPECT_TRUE(timed_out) << "expected a connect to a full queue to give null, got " << queued.size()
                         << " connections";
}

TEST(TcpStream, ASilentPeerEndsAReadAfterTheTimeoutWithAReadError) {
  auto server = TServerSocket::Listen(0, u"127.0.0.1");
  ASSERT_TRUE(server);
  auto client = TSocketStream::Connect(u"127.0.0.1", server->Port());
  ASSERT_TRUE(client);
  auto accepted = server->Accept(kBound);
  ASSERT_TRUE(accepted);
  client->SetTimeout(100);
  char buffer[4];
  EXPECT_EQ(0, client->Read(buffer, 4)) << "expected no bytes from a silent peer";
  EXPECT_FALSE(client->Eof()) << "silence is not the end";
  EXPECT_THROW(client->ReadInt(), TStreamReadException);
}

TEST(TcpStream, WritingToAPeerThatHasGoneRaisesAWriteErrorNotSigpipe) {
  auto server = TServerSocket::Listen(0, u"127.0.0.1");
  ASSERT_TRUE(server);
  auto client = TSocketStream::Connect(u"127.0.0.1", server->Port());
  ASSERT_TRUE(client);
  server->Accept(kBound)->Close();
  const std::string block(65536, 'x');
  bool raised = false;
  // The first writes may still be taken by the system; a reset comes back within a few.
  for (int i = 0; i < 1000 && !raised; ++i) {
    try {
      client->WriteBytes(block.data(), static_cast<int64_t>(block.size()));
    } catch (const TStreamWriteException&) {
      raised = true;
    }
  }
  EXPECT_TRUE(raised) << "expected TStreamWriteException once the peer had gone";
}

TEST(Udp, DatagramsArriveWholeWithTheirSender) {
  auto a = TUdpSocket::Open(0, u"127.0.0.1");
  auto b = TUdpSocket::Open();  // every interface, IPv4 reaching it too
  ASSERT_TRUE(a && b) << "expected two UDP sockets";
  EXPECT_EQ(-1, b->ReadAvail()) << "expected no datagram waiting";
  EXPECT_FALSE(b->Receive(0)) << "expected null when none is there";

  const std::string big(60000, 'z');
  ASSERT_EQ(1, a->Send("hello", 5, u"127.0.0.1", b->Port()));
  ASSERT_EQ(1, a->Send(nullptr, 0, u"127.0.0.1", b->Port()));
  ASSERT_EQ(1, a->Send(big.data(), static_cast<int32_t>(big.size()), u"127.0.0.1", b->Port()));
  EXPECT_TRUE(WaitUntil([&] { return b->ReadAvail() == 5; })) << "expected the 5-byte datagram first";
  auto first = b->Receive(kBound);
  auto empty = b->Receive(kBound);
  auto third = b->Receive(kBound);
  ASSERT_TRUE(first && empty && third) << "expected three datagrams";
  EXPECT_EQ("hello", std::string(first->bytes.begin(), first->bytes.end()));
  EXPECT_EQ(u"127.0.0.1", first->host);
  EXPECT_EQ(a->Port(), first->port);
  EXPECT_EQ(0u, empty->bytes.size()) << "an empty datagram is one too";
  EXPECT_EQ(big, std::string(third->bytes.begin(), third->bytes.end()));

  EXPECT_EQ(0, a->Send(big.data(), 65508, u"127.0.0.1", b->Port())) << "over the largest datagram";
  EXPECT_EQ(0, a->Send("x", 1, u"no-such-host.invalid", b->Port()));
}
