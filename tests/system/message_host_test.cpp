// The message host on the loopback address: two hosts in this process, a host and a second
// process, and plain TCP streams playing a misbehaving peer. Every wait is for events to come,
// pumped on this (the main) thread, with a bound only a fault reaches.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "stream/message_frame.h"
#include "stream/socket_stream.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/message_host.h"
#include "system/system.h"
#include "system/timer.h"
#include "tests/spawned_child.h"

namespace {

std::vector<std::shared_ptr<TEvent>> seen;  // every peer event, in the order emitted

std::shared_ptr<void> Collect(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  auto e = std::static_pointer_cast<TEvent>(data);
  if (e->id == EventPeerConnect || e->id == EventPeerDisconnect || e->id == EventPeerMessage) seen.push_back(e);
  return data;
}

std::string Text(const std::shared_ptr<TBank>& bank) {
  return bank ? std::string(bank->bytes.begin(), bank->bytes.end()) : "<none>";
}

class MessageHost : public ::testing::Test {
 protected:
  void SetUp() override {
    SystemDriver();
    AttachHook(EventHookChannel(), Collect);
  }
  void TearDown() override {
    hosts.clear();  // closed: every event they still owed is posted by now
    PollSystemEvents();
    DetachHook(EventHookChannel(), Collect);
    while (PollEvent()) {}
    seen.clear();
  }
  std::shared_ptr<TMessageHost> Keep(std::shared_ptr<TMessageHost> h) {
    if (h) hosts.push_back(h);
    return h;
  }
  std::shared_ptr<TMessageHost> ListenHere() { return Keep(TMessageHost::Listen(0, u"127.0.0.1")); }

  // Pumps until `n` events of the id from the source (any source when null) have come.
  bool WaitFor(int32_t id, size_t n, const std::shared_ptr<void>& source = nullptr) {
    const int32_t start = SystemMillis();
    while (Count(id, source) < n) {
      if (SystemMillis() - start > 20000) return false;
      PollSystemEvents();
      DelayMillis(1);
    }
    return true;
  }
  size_t Count(int32_t id, const std::shared_ptr<void>& source = nullptr) {
    size_t n = 0;
    for (auto& e : seen) n += e->id == id && (!source || e->source == source);
    return n;
  }
  std::shared_ptr<TEvent> Last(int32_t id) {
    for (auto it = seen.rbegin(); it != seen.rend(); ++it)
      if ((*it)->id == id) return *it;
    return nullptr;
  }
  int32_t Reason(const std::shared_ptr<void>& peer) {  // why it left, -1 when it has not
    for (auto& e : seen)
      if (e->id == EventPeerDisconnect && e->source == peer) return e->data;
    return -1;
  }
  std::shared_ptr<TMessagePeer> Joined() {  // the peer of the latest arrival
    auto e = Last(EventPeerConnect);
    return e ? std::static_pointer_cast<TMessagePeer>(e->source) : nullptr;
  }
  // A plain stream joined to the host as its `nth` peer, and the host's peer for it (null when
  // it never arrived).
  std::pair<std::shared_ptr<TSocketStream>, std::shared_ptr<TMessagePeer>> Join(TMessageHost& host, size_t nth) {
    auto stream = TSocketStream::Connect(u"127.0.0.1", host.Port());
    if (!stream || !WaitFor(EventPeerConnect, nth)) return {stream, nullptr};
    return {stream, Joined()};
  }

  std::vector<std::shared_ptr<TMessageHost>> hosts;
};

}  // namespace

TEST(MessageFramer, AMessageCutAtEveryByteComesOutTheSameAndALengthOverTheLimitStopsIt) {
  std::vector<uint8_t> wire;
  FrameMessage("hello", 5, wire);
  FrameMessage(nullptr, 0, wire);
  FrameMessage("xyz", 3, wire);
  TMessageFramer framer(16);
  std::vector<std::vector<uint8_t>> out;
  for (uint8_t b : wire) ASSERT_TRUE(framer.Feed(&b, 1, out));
  ASSERT_EQ(3u, out.size()) << "expected three messages from bytes fed one at a time";
  EXPECT_EQ("hello", std::string(out[0].begin(), out[0].end()));
  EXPECT_TRUE(out[1].empty());
  EXPECT_FALSE(framer.Partial());
  const uint8_t huge[] = {0xff, 0xff, 0xff, 0xff, 'a'};
  EXPECT_FALSE(framer.Feed(huge, sizeof huge, out)) << "a 4 GB length over a 16-byte limit";
  EXPECT_TRUE(framer.Malformed());
  EXPECT_EQ(3u, out.size());
}

TEST_F(MessageHost, TwoHostsTradeMessagesInOrderAsEventsOnTheMainThread) {
  auto server = ListenHere();
  auto client = Keep(TMessageHost::Create());
  ASSERT_TRUE(server && client);
  ASSERT_NE(0, server->Port());
  auto out = client->Connect(u"127.0.0.1", server->Port());
  ASSERT_TRUE(out) << "expected to reach the listening host";
  ASSERT_TRUE(WaitFor(EventPeerConnect, 2)) << "expected an arrival on each side";
  std::shared_ptr<TMessagePeer> in;  // the listening side's end; the two hosts post apart
  for (auto& e : seen) {
    if (e->source == out) {
      EXPECT_EQ(0, e->data) << "the side that connected sees data 0";
    } else {
      in = std::static_pointer_cast<TMessagePeer>(e->source);
      EXPECT_EQ(1, e->data) << "the side connected to sees data 1";
    }
  }
  ASSERT_TRUE(in);
  EXPECT_EQ(u"127.0.0.1", in->RemoteAddress());

  std::vector<std::string> sent;
  for (int i = 0; i < 300; ++i) {
    sent.push_back(std::string(static_cast<size_t>(i * 97 % 5000), static_cast<char>('a' + i % 26)) + std::to_string(i));
    ASSERT_EQ(1, out->Send(sent.back().data(), static_cast<int32_t>(sent.back().size())));
  }
  ASSERT_TRUE(WaitFor(EventPeerMessage, 300, in)) << "got " << Count(EventPeerMessage, in) << " of 300";
  size_t k = 0;
  for (auto& e : seen) {
    if (e->id != EventPeerMessage || k >= sent.size()) continue;
    EXPECT_EQ(sent[k], Text(MessageOf(e))) << "message " << k << " out of order or changed";
    EXPECT_EQ(static_cast<int32_t>(sent[k].size()), e->data);
    ++k;
  }

  seen.clear();
  while (PollEvent()) {}
  ASSERT_EQ(1, in->Send("answer", 6));
  const int32_t start = SystemMillis();
  while (PollEvent() != EventPeerMessage && SystemMillis() - start < 20000) DelayMillis(1);
  EXPECT_EQ(EventPeerMessage, EventID()) << "expected the answer on the event queue";
  EXPECT_EQ("answer", Text(EventMessage()));
  EXPECT_EQ(out, EventSource());
}

TEST_F(MessageHost, ALengthOverTheLimitClosesThatPeerAndNoOther) {
  auto host = ListenHere();
  ASSERT_TRUE(host);
  host->SetMessageLimit(1024);
  auto [bad, bad_peer] = Join(*host, 1);
  ASSERT_TRUE(bad_peer);
  auto [good, good_peer] = Join(*host, 2);
  ASSERT_TRUE(good_peer);

  bad->WriteBytes("\xff\xff\xff\xff", 4);  // 4 GB announced
  WriteMessage(*good, "still here", 10);
  ASSERT_TRUE(WaitFor(EventPeerDisconnect, 1, bad_peer)) << "expected the peer announcing 4 GB to be dropped";
  EXPECT_EQ(PeerMalformed, Reason(bad_peer));
  ASSERT_TRUE(WaitFor(EventPeerMessage, 1, good_peer)) << "expected the other peer's message";
  EXPECT_TRUE(good_peer->Connected());
  EXPECT_EQ(0u, Count(EventPeerDisconnect, good_peer));
  bad->SetTimeout(20000);
  EXPECT_TRUE(bad->Eof()) << "expected the host to have closed the bad connection";

  ASSERT_EQ(1, good_peer->Send("reply", 5));
  good->SetTimeout(20000);
  EXPECT_EQ("reply", Text(ReadMessage(*good))) << "a plain stream reads the host's messages";
  EXPECT_EQ(0, good_peer->Send(std::vector<uint8_t>(1025))) << "a message over the limit is not sent";
}

// The idle peer joined first: were silence between messages timed out too, it would go first.
TEST_F(MessageHost, HalfALengthThenSilenceTimesOutWhileAnIdlePeerStays) {
  auto host = ListenHere();
  ASSERT_TRUE(host);
  host->SetMessageTimeout(200);
  auto [idle, idle_peer] = Join(*host, 1);
  ASSERT_TRUE(idle_peer);
  auto [half, half_peer] = Join(*host, 2);
  ASSERT_TRUE(half_peer);
  half->WriteBytes("\x05\x00", 2);
  ASSERT_TRUE(WaitFor(EventPeerDisconnect, 1, half_peer)) << "expected the silent half message to time out";
  EXPECT_EQ(PeerTimedOut, Reason(half_peer));
  EXPECT_EQ(0u, Count(EventPeerDisconnect, idle_peer)) << "a peer silent between messages stays";
  WriteMessage(*idle, "late", 4);
  EXPECT_TRUE(WaitFor(EventPeerMessage, 1, idle_peer));
}

TEST_F(MessageHost, EveryPeerLeavesOnceWhicheverSideCloses) {
  auto server = ListenHere();
  auto client = Keep(TMessageHost::Create());
  ASSERT_TRUE(server && client);
  auto first = client->Connect(u"127.0.0.1", server->Port());
  auto second = client->Connect(u"127.0.0.1", server->Port());
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(WaitFor(EventPeerConnect, 4));
  EXPECT_EQ(2u, server->Peers().size());
  std::vector<std::shared_ptr<void>> accepted;  // in the order connected
  for (auto& e : seen)
    if (e->id == EventPeerConnect && e->data == 1) accepted.push_back(e->source);

  ASSERT_EQ(1, first->Send("last words", 10));
  first->Close();
  EXPECT_EQ(0, first->Send("x", 1)) << "nothing is taken after Close";
  ASSERT_TRUE(WaitFor(EventPeerDisconnect, 1, first));
  ASSERT_TRUE(WaitFor(EventPeerDisconnect, 1, accepted[0])) << "expected the other end to leave too";
  EXPECT_EQ(PeerClosedHere, Reason(first));
  EXPECT_EQ(PeerClosedThere, Reason(accepted[0]));
  EXPECT_EQ(1u, Count(EventPeerMessage, accepted[0])) << "what was sent before Close still arrives";

  server->Close();
  ASSERT_TRUE(WaitFor(EventPeerDisconnect, 1, second)) << "expected the host's closing to reach the other side";
  EXPECT_EQ(PeerClosedHere, Reason(accepted[1]));
  EXPECT_EQ(PeerClosedThere, Reason(second));
  EXPECT_FALSE(second->Connected());
  EXPECT_EQ(0, server->Port()) << "a closed host listens no more";
  client->Close();
  PollSystemEvents();
  EXPECT_EQ(4u, Count(EventPeerDisconnect)) << "four ends, each leaving once";
}

TEST_F(MessageHost, WhatCannotBeReachedGivesNull) {
  auto host = Keep(TMessageHost::Create());
  ASSERT_TRUE(host);
  const int32_t free_port = TServerSocket::Listen(0, u"127.0.0.1")->Port();  // let go at once
  EXPECT_FALSE(host->Connect(u"127.0.0.1", free_port)) << "a refused connection";
  EXPECT_FALSE(host->Connect(u"no-such-host.invalid", 4000)) << "a name that does not resolve";
  auto taken = ListenHere();
  ASSERT_TRUE(taken);
  EXPECT_FALSE(TMessageHost::Listen(taken->Port(), u"127.0.0.1")) << "a port already taken";
  PollSystemEvents();
  EXPECT_EQ(0u, seen.size()) << "no peer came or went";
}

TEST_F(MessageHost, AHostInAnotherProcessAnswersAndEnds) {
  auto host = ListenHere();
  ASSERT_TRUE(host);
  TSpawnedChild other({MESSAGE_PEER_PROGRAM, std::to_string(host->Port())});
  ASSERT_TRUE(other.Started());
  ASSERT_TRUE(WaitFor(EventPeerConnect, 1)) << "expected the other process to connect";
  auto peer = Joined();
  for (int i = 0; i < 20; ++i) {
    const std::string m = "message " + std::string(1, static_cast<char>('A' + i));
    ASSERT_EQ(1, peer->Send(m.data(), static_cast<int32_t>(m.size())));
  }
  ASSERT_TRUE(WaitFor(EventPeerMessage, 20)) << "got " << Count(EventPeerMessage) << " answers of 20";
  size_t k = 0;
  for (auto& e : seen) {
    if (e->id != EventPeerMessage) continue;
    EXPECT_EQ(std::string(1, static_cast<char>('A' + k++)) + " egassem", Text(MessageOf(e)));
  }
  peer->Send("bye", 3);
  EXPECT_EQ(0, other.ExitCode(20000)) << "expected the other process to end on bye";
  EXPECT_TRUE(WaitFor(EventPeerDisconnect, 1, peer));
  EXPECT_EQ(PeerClosedThere, Reason(peer));
}
