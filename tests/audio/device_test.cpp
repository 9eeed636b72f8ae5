// End to end through a real SDL device: the disk driver writes what it plays to a file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "audio/mixer/device.h"
#include "audio/mixer/device_internal.h"
#include "audio/softmix.h"
#include "audio/sound.h"
#include "system/timer.h"

namespace {

constexpr int kLevel = 16000;

TAudioSamplePtr Sine(int32_t frames, double hertz) {
  TAudioSamplePtr s = TAudioSample::Create(frames, 44100, TAudioSample::FORMAT_MONO16LE);
  auto* v = reinterpret_cast<int16_t*>(s->samples);
  for (int32_t i = 0; i < frames; ++i) v[i] = static_cast<int16_t>(std::lround(kLevel * std::sin(2 * M_PI * hertz * i / 44100)));
  return s;
}

struct Recording {
  std::vector<int16_t> values;  // stereo, interleaved
  int64_t frames() const { return static_cast<int64_t>(values.size() / 2); }
  int L(int64_t f) const { return values[static_cast<size_t>(f * 2)]; }
  int R(int64_t f) const { return values[static_cast<size_t>(f * 2 + 1)]; }
};

std::string UseFile(const char* name) {
  // Each test process has a file of its own: builds may run the same test at once.
  std::string path = testing::TempDir() + std::to_string(getpid()) + "_" + name;
  std::remove(path.c_str());
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  return path;
}

Recording Read(const std::string& path) {
  Recording r;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return r;
  int16_t buf[4096];
  size_t n;
  while ((n = std::fread(buf, 2, 4096, f)) > 0) r.values.insert(r.values.end(), buf, buf + n);
  std::fclose(f);
  return r;
}

int64_t FirstLoud(const Recording& r, int64_t from, int threshold) {
  for (int64_t f = from; f < r.frames(); ++f)
    if (std::abs(r.L(f)) > threshold) return f;
  return -1;
}

}  // namespace

TEST(SoftMixDevice, ACuedToneSoundsAtItsLevelAfterTheOffsetAndLeadAndStopsWhenStopped) {
  std::string path = UseFile("softmix_tone.raw");
  TChannelPtr first = NewAudioChannel();
  ASSERT_EQ("SoftMix", TextToBytes(CurrentAudioDriver()->Name()));
  TSoundPtr tone = LoadSoundFile(Sine(44100, 440.0), SOUND_LOOP);  // one second, 440 whole cycles: a seamless loop
  DelayMillis(250);

  const int64_t cue_played = softmix::DevicePlayedBytes() / 4;
  TChannelPtr ch = CueSoundOn(tone, nullptr);
  SetAudioChannelVolume(ch, 0.5f);
  ResumeAudioChannel(ch);
  DelayMillis(400);
  const int64_t stop_played = softmix::DevicePlayedBytes() / 4;
  StopAudioChannel(ch);
  DelayMillis(300);
  const int32_t restarts = softmix::DeviceRestarts();
  const int32_t lead = softmix::DeviceLead();
  ShutdownAudio();
  const int64_t played = softmix::DevicePlayedBytes() / 4;

  Recording r = Read(path);
  std::remove(path.c_str());
  // While the device is still paused at start SDL writes silence the callback never saw;
  // what the file holds beyond the final played count is that lead-in.
  const int64_t lead_in = r.frames() - played;
  ASSERT_GE(lead_in, 0);
  const int64_t cued_at = cue_played + lead_in, stopped_at = stop_played + lead_in;
  ASSERT_GT(r.frames(), stopped_at + 4000) << "the device wrote what it played";
  if (restarts != 0) GTEST_SKIP() << "the machine starved the mixer (" << restarts << " restarts): timing not checked";
  EXPECT_EQ(softmix::DEVICE_LEAD, lead);

  for (int64_t f = 0; f < cued_at; ++f) ASSERT_EQ(0, r.L(f)) << "silence before the cue, frame " << f;
  const int64_t onset = FirstLoud(r, 0, 1000);
  ASSERT_GE(onset, 0) << "the tone never appeared";
  // 20 ms (882 frames) plus a lead of 6 fragments, less what was already queued: 3072 frames, give or
  // take one fragment and one tick.
  const int64_t delay = onset - cued_at;
  EXPECT_GE(delay, 882 + 2560 - 300) << "the tone came too early";
  EXPECT_LE(delay, 882 + 3072 + 512 + 300) << "the tone came too late";
  std::printf("tone onset %lld frames (%.1f ms) after the cue; lead-in %lld frames\n", static_cast<long long>(delay),
              delay / 44.1, static_cast<long long>(lead_in));

  int peak_l = 0, peak_r = 0;
  for (int64_t f = onset + 200; f < onset + 8000; ++f) {
    peak_l = std::max(peak_l, std::abs(r.L(f)));
    peak_r = std::max(peak_r, std::abs(r.R(f)));
  }
  EXPECT_NEAR(kLevel / 2, peak_l, 3) << "volume 0.5 on a tone at 16000";
  EXPECT_NEAR(kLevel / 2, peak_r, 3) << "centred: the same on the right";

  // Fragments mixed before the stop still play: a lead, the fragment that may have been in
  // the mixer at that moment, and a little for the clock.
  int64_t last_loud = 0;
  for (int64_t f = 0; f < r.frames(); ++f)
    if (r.L(f) != 0) last_loud = f;
  std::printf("last sound %lld frames after the stop\n", static_cast<long long>(last_loud - stopped_at));
  const int64_t quiet_from = stopped_at + 3072 + 512 + 400;
  ASSERT_LT(quiet_from, r.frames());
  for (int64_t f = quiet_from; f < r.frames(); ++f) ASSERT_EQ(0, r.L(f)) << "still sounding " << f - stopped_at << " frames after the stop";
  EXPECT_GT(std::abs(r.L(FirstLoud(r, stopped_at, 4000))), 4000) << "it was playing when stopped";
}

TEST(SoftMixDevice, AStarvedMixerGoesSilentThenResumesWithALargerLead) {
  std::string path = UseFile("softmix_starved.raw");
  ASSERT_EQ(1, SelectAudioDriver(u"SoftMix"));
  TSoundPtr tone = LoadSoundFile(Sine(44100, 440.0), SOUND_LOOP);
  TChannelPtr ch = PlaySoundOn(tone, nullptr);
  DelayMillis(200);
  softmix::StallDevice(500);
  DelayMillis(2500);
  const int32_t restarts = softmix::DeviceRestarts();
  const int32_t lead = softmix::DeviceLead();
  const int64_t resumed_at = softmix::DevicePlayedBytes() / 4;
  StopAudioChannel(ch);
  ShutdownAudio();

  EXPECT_GE(restarts, 1) << "half a second without a tick must restart play";
  EXPECT_EQ(std::min(softmix::DEVICE_LEAD + 2 * restarts, softmix::DEVICE_MAX_LEAD), lead)
      << "the lead grows by two fragments per restart";
  if (restarts > 1) GTEST_SKIP() << "the machine starved the mixer again: silence not measured";
  Recording r = Read(path);
  std::remove(path.c_str());
  int64_t longest = 0, run = 0, end_of_longest = 0;
  for (int64_t f = 0; f < r.frames(); ++f) {
    run = r.L(f) == 0 && r.R(f) == 0 ? run + 1 : 0;
    if (run > longest) longest = run, end_of_longest = f;
  }
  EXPECT_GE(longest, 44100 * 12 / 10) << "about 1.25 s of silence";
  EXPECT_LE(longest, 44100 * 2) << "and not much more";
  EXPECT_GT(FirstLoud(r, end_of_longest, 8000), 0) << "the tone comes back after the silence";
  (void)resumed_at;
}
