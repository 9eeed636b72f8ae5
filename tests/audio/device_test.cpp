// End to end through a real SDL device: the disk driver writes what it plays to a file.
// Every wait is a count of frames written, and every check an order or a count that holds
// however slowly a loaded machine runs the device; the timings are in bench/audio.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

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

// Sign changes of one side over `frames` frames from `from`: twice the cycles of a sine.
int64_t Crossings(const Recording& r, int64_t from, int64_t frames, bool left) {
  int64_t n = 0;
  for (int64_t f = from + 1; f < from + frames; ++f) {
    const int a = left ? r.L(f - 1) : r.R(f - 1), b = left ? r.L(f) : r.R(f);
    if ((a < 0) != (b < 0)) ++n;
  }
  return n;
}

// The first stretch of `frames` frames from `from` on without a silent gap (three silent
// frames in a row: a restart of a starved device), or -1.
int64_t UnbrokenStretch(const Recording& r, int64_t from, int64_t frames) {
  int64_t start = from, silent = 0;
  for (int64_t f = from; f < r.frames(); ++f) {
    silent = r.Silent(f) ? silent + 1 : 0;
    if (silent >= 3) start = f + 1;
    if (f + 1 - start >= frames) return start;
  }
  return -1;
}

// Pan -0.5 keeps the left gain and halves the right; rate 2 reads the sample twice as fast,
// so a 441 Hz tone sounds at 882 Hz: 1764 sign changes a second on each side.
TEST(SoftMixDevice, PanAndRateOfAChannelReachWhatIsPlayed) {
  const std::string path = UseFile(testing::TempDir(), "softmix_pan_rate.raw");
  ASSERT_EQ(1, SelectAudioDriver(u"SoftMix"));
  TAudioSamplePtr tone_sample = Sine(44100, 441.0);
  TSoundPtr tone = LoadSoundFile(tone_sample, SOUND_LOOP);
  TChannelPtr ch = CueSoundOn(tone, nullptr);
  SetAudioChannelPan(ch, -0.5f);
  SetAudioChannelRate(ch, 2.0f);
  ResumeAudioChannel(ch);
  WaitForPlayed(88200);
  StopAudioChannel(ch);
  ShutdownAudio();

  Recording r = Read(path);
  std::remove(path.c_str());
  const int64_t onset = FirstLoud(r, 0, 1000);
  ASSERT_GE(onset, 0) << "expected the tone in the recording";
  const int64_t frames = 11025;  // a quarter of a second
  const int64_t from = UnbrokenStretch(r, onset + 441, frames);
  ASSERT_GE(from, 0) << "expected a quarter of a second of tone without a gap in " << r.frames() << " frames";
  int peak_l = 0, peak_r = 0;
  for (int64_t f = from; f < from + frames; ++f) {
    peak_l = std::max(peak_l, std::abs(r.L(f)));
    peak_r = std::max(peak_r, std::abs(r.R(f)));
  }
  // Rate 2 reads every second sample: the loudest of those is what full gain gives.
  const auto* source = reinterpret_cast<const int16_t*>(tone_sample->samples);
  int every_second = 0;
  for (int32_t i = 0; i < tone_sample->length; i += 2) every_second = std::max(every_second, std::abs(int{source[i]}));
  EXPECT_NEAR(every_second, peak_l, 3) << "pan to the left keeps the left gain whole";
  EXPECT_NEAR(every_second / 2, peak_r, 3) << "pan -0.5 halves the right gain";
  EXPECT_NEAR(441, Crossings(r, from, frames, true), 4) << "expected 882 Hz on the left: rate 2 doubles the pitch";
  EXPECT_NEAR(441, Crossings(r, from, frames, false), 4) << "expected 882 Hz on the right: rate 2 doubles the pitch";
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

// The disk driver cannot be unplugged, so the loss is forced; the way back is SDL's own: a
// fresh start of its audio layer and the default device opened again. The driver writes
// into a folder that is taken away meanwhile, so the first tries fail for real.
TEST(SoftMixDevice, ALostDeviceIsOpenedAgainUntilOneOpensAndTheLoopPlaysOn) {
  const std::string dir = testing::TempDir() + std::to_string(getpid()) + "_lost_device";
  ASSERT_EQ(0, mkdir(dir.c_str(), 0700));
  const std::string path = UseFile(dir + "/", "out.raw");
  ASSERT_EQ(1, SelectAudioDriver(u"SoftMix"));
  TSoundPtr tone = LoadSoundFile(Sine(44100, 440.0), SOUND_LOOP);
  TChannelPtr ch = PlaySoundOn(tone, nullptr);
  WaitForPlayed(8192);

  std::remove(path.c_str());
  ASSERT_EQ(0, rmdir(dir.c_str()));
  softmix::SetDeviceRetryMillis(20);
  softmix::LoseDevice();
  for (int waits = 0; softmix::DeviceFailedReopens() < 2; ++waits) {
    ASSERT_LT(waits, 12000) << "expected two failed tries to reopen, got " << softmix::DeviceFailedReopens();
    DelayMillis(5);
  }
  EXPECT_EQ(0, softmix::DeviceReopens()) << "expected no device while its file cannot be written";
  // Voices keep time while nothing is heard: a short sound started now comes to its end.
  TChannelPtr blip = PlaySoundOn(LoadSoundFile(Sine(2205, 440.0), 0), nullptr);
  for (int waits = 0; IsAudioChannelPlaying(blip) != 0; ++waits) {
    ASSERT_LT(waits, 12000) << "expected a 50 ms sound to end while the device is away";
    DelayMillis(5);
  }
  EXPECT_EQ(0, softmix::DeviceReopens()) << "expected it to have ended with no device open";

  ASSERT_EQ(0, mkdir(dir.c_str(), 0700));
  for (int waits = 0; softmix::DeviceReopens() == 0; ++waits) {
    ASSERT_LT(waits, 12000) << "expected the device back once it can be opened";
    DelayMillis(5);
  }
  WaitForPlayed(20000);
  Recording r = Read(path);
  StopAudioChannel(ch);
  ShutdownAudio();
  softmix::SetDeviceRetryMillis(0);
  std::remove(path.c_str());
  rmdir(dir.c_str());
  ASSERT_GE(r.frames(), 8192) << "expected the reopened device to write what it plays";
  EXPECT_GE(FirstLoud(r, 0, 8000), 0) << "expected the looping tone on the reopened device";
}
