// The services the game does not use: text decoding per encoding, and a child process from
// its start to its exit code.
#include <benchmark/benchmark.h>

#include <string>

#include "stream/text_stream.h"
#include "system/event.h"
#include "system/process.h"

// 64 KiB of lines of mixed text (one to four bytes a character in UTF-8), read line by line.
static void BM_TextReadLines(benchmark::State& state) {
  const int32_t encoding = static_cast<int32_t>(state.range(0));
  std::string bytes;
  {
    auto holder = std::make_shared<std::string>(1 << 20, '\0');
    auto ram = TRamStream::Create(holder->data(), static_cast<int64_t>(holder->size()), true, true);
    auto w = TTextStream::Create(ram, encoding);
    while (ram->Pos() < (64 << 10)) w->WriteLine(u"Vektor Swarm \u00E9\u20AC\U0001F600 line of text");
    bytes = holder->substr(0, static_cast<size_t>(ram->Pos()));
  }
  for (auto _ : state) {
    auto r = TTextStream::Create(TRamStream::Create(bytes.data(), static_cast<int64_t>(bytes.size()), true, false), encoding);
    size_t chars = 0;
    while (!r->Eof()) chars += r->ReadLine().size();
    benchmark::DoNotOptimize(chars);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_TextReadLines)->Arg(TTextStream::LATIN1)->Arg(TTextStream::UTF8)->Arg(TTextStream::UTF16LE);

static void BM_ProcessStartToExit(benchmark::State& state) {
  for (auto _ : state) {
    TProcessPtr p = CreateProcess(u"/bin/true");
    benchmark::DoNotOptimize(p->Wait());
    while (PollEvent() != 0) {}  // exit events hold their processes, and so their pipes
  }
}
BENCHMARK(BM_ProcessStartToExit)->Unit(benchmark::kMicrosecond);
