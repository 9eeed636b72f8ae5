// End to end through a real SDL device: the disk driver writes what it plays to a file.
// Every wait is a count of frames written, and every check an order or a count that holds
// however slowly a loaded machine runs the device; the timings are in bench/audio.
#include <gtest/gtest.h>

#include <algorithm>

#include "audio/mixer/device.h"
#include "audio/softmix.h"
#include "audio/sound.h"
#include "system/timer.h"
#include "tests/audio/disk_recording.h"

using namespace disk_recording;

TEST(SoftMixDevice, ACuedToneSoundsAtItsLevelAfterTheCueAndEndsWithinTheLeadOfTheStop) {
  const std::string path = UseFile(testing::TempDir(), "softmix_tone.raw");
  TChannelPtr first = NewAudioChannel();
  ASSERT_EQ("SoftMix", TextToBytes(CurrentAudioDriver()->Name()));
  TSoundPtr tone = LoadSoundFile(Sine(44100, 440.0), SOUND_LOOP);
  WaitForPlayed(4096);
  const int64_t before_cue = FileFrames(path);

  TChannelPtr ch = CueSoundOn(tone, nullptr);
  SetAudioChannelVolume(ch, 0.5f);
  ResumeAudioChannel(ch);
  WaitForPlayed(20000);
  StopAudioChannel(ch);
  const int64_t at_stop = FileFrames(path);
  WaitForPlayed(40000);
  const int32_t restarts = softmix::DeviceRestarts();
  const int32_t lead = softmix::DeviceLead();
  ShutdownAudio();

  Recording r = Read(path);
  std::remove(path.c_str());
  for (int64_t f = 0; f < before_cue; ++f) ASSERT_TRUE(r.Silent(f)) << "expected silence before the cue, frame " << f;
  const int64_t onset = FirstLoud(r, 0, 1000);
  ASSERT_GE(onset, before_cue) << "expected the tone after the cue";

  int64_t last_loud = onset;
  int peak_l = 0, peak_r = 0;
  for (int64_t f = onset; f < r.frames(); ++f) {
    if (!r.Silent(f)) last_loud = f;
    peak_l = std::max(peak_l, std::abs(r.L(f)));
    peak_r = std::max(peak_r, std::abs(r.R(f)));
  }
  EXPECT_NEAR(kLevel / 2, peak_l, 3) << "volume 0.5 on a tone at 16000";
  EXPECT_NEAR(kLevel / 2, peak_r, 3) << "centred: the same on the right";
  // What was mixed before the stop still plays: at most the lead, the fragment being mixed
  // and the buffer between the callback and the file; and the file's size may lag what was
  // written by what stdio holds back (a file-system block; 64 KiB covers any).
  const int64_t fragment_frames = softmix::DEVICE_FRAGMENT / 2, held_back = 65536 / 4;
  EXPECT_LE(last_loud, at_stop + (softmix::DEVICE_MAX_LEAD + 2) * fragment_frames + held_back)
      << "expected silence from the lead after the stop on, got sound " << last_loud - at_stop << " frames after it";
  EXPECT_EQ(std::min(softmix::DEVICE_LEAD + 2 * restarts, softmix::DEVICE_MAX_LEAD), lead)
      << "the lead grows by two fragments per restart (" << restarts << " here)";
}

TEST(SoftMixDevice, AStarvedMixerGoesSilentThenResumesWithALargerLead) {
  const std::string path = UseFile(testing::TempDir(), "softmix_starved.raw");
  ASSERT_EQ(1, SelectAudioDriver(u"SoftMix"));
  TSoundPtr tone = LoadSoundFile(Sine(44100, 440.0), SOUND_LOOP);
  TChannelPtr ch = PlaySoundOn(tone, nullptr);
  WaitForPlayed(8192);
  // A stall far longer than the lead starves the mixer; a machine that also stalls the
  // device's own thread may need another.
  for (int stalls = 0; softmix::DeviceRestarts() == 0; ++stalls) {
    ASSERT_LT(stalls, 20) << "expected a restart after a stall of 500 ms, got none in 20";
    softmix::StallDevice(500);
    DelayMillis(600);
  }
  WaitForPlayed(20000);  // play resumes
  const int32_t restarts = softmix::DeviceRestarts();
  const int32_t lead = softmix::DeviceLead();
  StopAudioChannel(ch);
  ShutdownAudio();

  EXPECT_EQ(std::min(softmix::DEVICE_LEAD + 2 * restarts, softmix::DEVICE_MAX_LEAD), lead)
      << "the lead grows by two fragments per restart (" << restarts << " here)";
  Recording r = Read(path);
  std::remove(path.c_str());
  const int64_t onset = FirstLoud(r, 0, 8000);
  ASSERT_GE(onset, 0) << "the tone played before the stall";
  int64_t silence_end = 0;
  const int64_t silence = LongestSilence(r, onset, &silence_end);
  // The restart empties the ring up to the new lead, so at least the old lead's worth of
  // fragments is silent; a sine has no run of silence longer than a frame or two.
  EXPECT_GE(silence, int64_t(softmix::DEVICE_LEAD) * softmix::DEVICE_FRAGMENT / 2)
      << "expected play to go silent when it restarted";
  EXPECT_GT(FirstLoud(r, silence_end, 8000), 0) << "expected the tone back after the silence";
}
