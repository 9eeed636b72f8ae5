// Typed reads from memory, whole-stream loads and random draws.
#include <benchmark/benchmark.h>

#include <vector>

#include "stream/stream.h"
#include "system/random.h"

static void BM_ReadIntFromRam(benchmark::State& state) {
  std::vector<uint8_t> buf(4096);
  auto s = TRamStream::Create(buf.data(), static_cast<int64_t>(buf.size()), true, false);
  for (auto _ : state) {
    s->Seek(0);
    int32_t sum = 0;
    for (int i = 0; i < 1024; ++i) sum += s->ReadInt();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_ReadIntFromRam);

static void BM_LoadBytesEmbedded(benchmark::State& state) {
  static std::vector<uint8_t> blob(static_cast<size_t>(state.range(0)), 7);
  RegisterEmbedded(u"bench-blob", blob.data(), static_cast<int64_t>(blob.size()));
  for (auto _ : state) benchmark::DoNotOptimize(LoadBytes(u"incbin::bench-blob"));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadBytesEmbedded)->Arg(256 << 10);

static void BM_RandomRange(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RandomRange(0, 640));
}
BENCHMARK(BM_RandomRange);
