// Networking on the loopback address: a TCP stream's round trip, and a message host's, a
// message each way from Send to its event on the main thread, small and large.
#include <benchmark/benchmark.h>

#include <vector>

#include "stream/socket_stream.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/message_host.h"
#include "system/system.h"

namespace {

void TcpRoundTrip(benchmark::State& state) {
  auto server = TServerSocket::Listen(0, u"127.0.0.1");
  auto a = TSocketStream::Connect(u"127.0.0.1", server->Port());
  auto b = server->Accept(10000);
  for (auto _ : state) {
    a->WriteInt(1);
    b->WriteInt(b->ReadInt() + 1);
    benchmark::DoNotOptimize(a->ReadInt());
  }
}
BENCHMARK(TcpRoundTrip);

int messages_seen = 0;
std::shared_ptr<void> CountMessages(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  if (std::static_pointer_cast<TEvent>(data)->id == EventPeerMessage) ++messages_seen;
  return data;
}

bool PumpUntil(int n) {
  for (int i = 0; i < 1000000 && messages_seen < n; ++i) PollSystemEvents();
  return messages_seen >= n;
}

void MessageEachWay(benchmark::State& state) {
  SystemDriver();
  auto server = TMessageHost::Listen(0, u"127.0.0.1");
  auto client = TMessageHost::Create();
  auto out = client->Connect(u"127.0.0.1", server->Port());
  std::shared_ptr<TMessagePeer> in;
  for (int i = 0; i < 1000000 && !in; ++i) {
    PollSystemEvents();
    auto peers = server->Peers();
    if (!peers.empty()) in = peers[0];
  }
  AttachHook(EventHookChannel(), CountMessages);
  const std::vector<uint8_t> message(static_cast<size_t>(state.range(0)), 7);
  messages_seen = 0;
  for (auto _ : state) {
    out->Send(message);
    in->Send(message);
    if (!PumpUntil(messages_seen + 2)) {
      state.SkipWithError("the messages did not come");
      break;
    }
  }
  DetachHook(EventHookChannel(), CountMessages);
  while (PollEvent()) {}
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * state.range(0));
}
BENCHMARK(MessageEachWay)->Arg(16)->Arg(65536);

}  // namespace
