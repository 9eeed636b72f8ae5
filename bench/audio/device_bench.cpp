// How promptly the SDL output device answers, on SDL's disk driver: the frames from a cue to
// the tone's first sound (the 20 ms start offset plus the lead, less what was queued), and
// the silence a starved mixer's restart leaves. These are the figures the device tests do
// not assert, since a loaded machine stretches them; compare runs on an idle one.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "audio/mixer/device.h"
#include "audio/softmix.h"
#include "audio/sound.h"
#include "system/timer.h"
#include "tests/audio/disk_recording.h"

using namespace disk_recording;

namespace {
const int disk_driver = setenv("SDL_AUDIODRIVER", "disk", 1);

// Starts the SoftMix driver on a file of its own and loads a looping tone; null when the
// driver does not start.
TSoundPtr StartWithTone(benchmark::State& state, const std::string& path) {
  if (SelectAudioDriver(u"SoftMix") != 1) {
    state.SkipWithError(("the SoftMix driver did not start on " + path).c_str());
    return nullptr;
  }
  return LoadSoundFile(Sine(44100, 440.0), SOUND_LOOP);
}

void BM_CueToFirstSound(benchmark::State& state) {
  int64_t total_frames = 0;
  for (auto _ : state) {
    const std::string path = UseFile("/tmp/", "device_bench_cue.raw");
    TSoundPtr tone = StartWithTone(state, path);
    if (!tone) return;
    WaitForPlayed(8192);
    const int64_t cued_at = FileFrames(path);
    TChannelPtr ch = CueSoundOn(tone, nullptr);
    ResumeAudioChannel(ch);
    WaitForPlayed(20000);
    ShutdownAudio();
    const Recording r = Read(path);
    std::remove(path.c_str());
    // The file's size lags what was written, so this counts from a little before the cue.
    total_frames += FirstLoud(r, cued_at, 1000) - cued_at;
  }
  state.counters["cue_to_sound_ms"] =
      benchmark::Counter(double(total_frames) / 44.1, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CueToFirstSound)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SilenceOfARestart(benchmark::State& state) {
  int64_t total_frames = 0, restarts = 0;
  for (auto _ : state) {
    const std::string path = UseFile("/tmp/", "device_bench_restart.raw");
    TSoundPtr tone = StartWithTone(state, path);
    if (!tone) return;
    TChannelPtr ch = PlaySoundOn(tone, nullptr);
    WaitForPlayed(8192);
    softmix::StallDevice(500);
    while (softmix::DeviceRestarts() == 0) DelayMillis(10);
    WaitForPlayed(20000);
    restarts += softmix::DeviceRestarts();
    ShutdownAudio();
    const Recording r = Read(path);
    std::remove(path.c_str());
    total_frames += LongestSilence(r, FirstLoud(r, 0, 8000));
  }
  state.counters["silence_ms"] = benchmark::Counter(double(total_frames) / 44.1, benchmark::Counter::kAvgIterations);
  state.counters["restarts"] = benchmark::Counter(double(restarts), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SilenceOfARestart)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace
