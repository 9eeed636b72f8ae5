// One second of mixer output (86 fragments of 512 stereo frames) with 1, 8 and 64 voices,
// timed against SDL_MixAudioFormat adding the same source buffers without resampling,
// which bounds from below what any mix of these voices can cost.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "audio/mixer/mixer.h"

using namespace softmix;

namespace {

constexpr int32_t kFragment = 1024;
constexpr int32_t kFragments = 44100 / (kFragment / 2) + 1;  // a second of output
constexpr int64_t kFrames = int64_t(kFragments) * (kFragment / 2);

struct Source {
  std::vector<int16_t> pcm;
  mixer_sample* sample;
  Source(int32_t channels, int32_t hertz) : pcm(static_cast<size_t>(hertz) * 2 * channels) {
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>(8000 * std::sin(double(i) * 0.031));
    sample = CreateSample(hertz * 2, 16, channels, hertz, pcm.data(), 1);
  }
  ~Source() { ReleaseSample(sample); }
};

// kind 0: mono 22050 Hz sources; kind 1: stereo 44100 Hz. ramp 1: one voice changes volume every fragment.
void BM_MixOneSecond(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  const bool stereo = state.range(1) == 1;
  const bool ramp = state.range(2) == 1;
  Source src(stereo ? 2 : 1, stereo ? 44100 : 22050);
  mixer m(kFragment);
  std::vector<int32_t> handles;
  for (int i = 0; i < voices; ++i) {
    int32_t h = m.AllocHandle();
    m.SetVolume(h, 4096 / voices);
    m.StartSound(src.sample, false, h, 0);
    handles.push_back(h);
  }
  std::vector<int16_t> out(kFragment);
  m.Mix(out.data(), 1000);  // past the start offset

  // The lower bound: SDL adds each voice's source bytes, as many as the output holds.
  std::vector<Uint8> sdl_out(kFragment * 2);
  const auto* raw = reinterpret_cast<const Uint8*>(src.pcm.data());
  const size_t src_bytes = src.pcm.size() * 2;
  double soft_ns = 0, sdl_ns = 0;
  int flip = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    for (int f = 0; f < kFragments; ++f) {
      if (ramp) m.SetVolume(handles[0], (++flip & 1) ? 1024 : 3072);
      m.Mix(out.data(), 1000);
    }
    auto t1 = std::chrono::steady_clock::now();
    size_t at = 0;
    for (int f = 0; f < kFragments; ++f) {
      std::fill(sdl_out.begin(), sdl_out.end(), 0);
      for (int v = 0; v < voices; ++v)
        SDL_MixAudioFormat(sdl_out.data(), raw + at, AUDIO_S16LSB, static_cast<Uint32>(sdl_out.size()), SDL_MIX_MAXVOLUME / voices);
      at = (at + sdl_out.size()) % (src_bytes - sdl_out.size());
    }
    auto t2 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(out.data());
    benchmark::DoNotOptimize(sdl_out.data());
    const double a = std::chrono::duration<double, std::nano>(t1 - t0).count();
    soft_ns += a;
    sdl_ns += std::chrono::duration<double, std::nano>(t2 - t1).count();
    state.SetIterationTime(a * 1e-9);
  }
  const double per = double(state.iterations()) * double(kFrames) * voices;
  state.counters["ns/frame/voice"] = soft_ns / per;
  state.counters["sdl_ns/frame/voice"] = sdl_ns / per;
  state.counters["x_sdl"] = soft_ns / sdl_ns;
  state.counters["core_share_%"] = soft_ns / double(state.iterations()) / 1e9 * 100;
}
BENCHMARK(BM_MixOneSecond)
    ->ArgNames({"voices", "stereo", "ramp"})
    ->ArgsProduct({{1, 8, 64}, {0, 1}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The game's busiest moment: the music (stereo 44100 Hz), the saucer loop and five
// effects (mono 22050 Hz), one of them fading.
void BM_BusiestMoment(benchmark::State& state) {
  Source music(2, 44100), mono(1, 22050);
  mixer m(kFragment);
  std::vector<int32_t> handles;
  handles.push_back(m.StartSound(music.sample, false, m.AllocHandle(), 0));
  for (int i = 0; i < 6; ++i) handles.push_back(m.StartSound(mono.sample, false, m.AllocHandle(), 0));
  std::vector<int16_t> out(kFragment);
  int flip = 0;
  double ns = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    for (int f = 0; f < kFragments; ++f) {
      m.SetVolume(handles[3], (++flip & 1) ? 1024 : 3072);
      m.Mix(out.data(), 1000);
    }
    benchmark::DoNotOptimize(out.data());
    ns += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
  }
  // A second of output took this share of a second of one core.
  state.counters["core_share_%"] = ns / double(state.iterations()) / 1e9 * 100;
}
BENCHMARK(BM_BusiestMoment)->Unit(benchmark::kMicrosecond);

}  // namespace
