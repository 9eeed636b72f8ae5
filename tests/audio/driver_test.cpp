#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/mixer/device.h"
#include "audio/softmix.h"
#include "audio/sound.h"
#include "audio/sound_internal.h"
#include "system/timer.h"

namespace {

TAudioSamplePtr Tone(int32_t frames, int16_t level = 8000) {
  TAudioSamplePtr s = TAudioSample::Create(frames, 44100, TAudioSample::FORMAT_MONO16LE);
  auto* v = reinterpret_cast<int16_t*>(s->samples);
  for (int32_t i = 0; i < frames; ++i) v[i] = (i / 50) % 2 ? level : static_cast<int16_t>(-level);
  return s;
}

std::string Narrow(const std::u16string& s) { return TextToBytes(s); }

// Each test starts with no driver current, as a process that has played nothing: the first
// use selects "SoftMix". Drivers a test registers are taken back after it.
class AudioDrivers : public ::testing::Test {
 protected:
  void SetUp() override { ShutdownAudio(); }
  void TearDown() override {
    ShutdownAudio();
    for (const auto& d : registered) RemoveAudioDriver(d.get());
  }
  std::vector<TAudioDriverPtr> registered;
};
class SoftMixDriver : public AudioDrivers {};

}  // namespace

TEST_F(AudioDrivers, RegistryListsNewestFirstAndMatchesWithoutCase) {
  std::vector<std::u16string> names = ListAudioDrivers();
  ASSERT_EQ(3u, names.size());
  EXPECT_EQ("SoftMix", Narrow(names[0]));
  EXPECT_EQ("SoftMix Multimedia", Narrow(names[1]));
  EXPECT_EQ("Null", Narrow(names[2])) << "the silent driver was registered first";
  EXPECT_EQ(1, HasAudioDriver(u"softmix"));
  EXPECT_EQ(1, HasAudioDriver(u"NULL"));
  EXPECT_EQ(0, HasAudioDriver(u"SoftMi"));
}

// "SoftMix DirectSound" is registered only where the DirectSound device exists; a driver of
// that mode made by hand cannot start here, and the silent driver stays current.
TEST_F(AudioDrivers, TheDirectSoundModeCannotStartAndLeavesTheSilentDriver) {
  EXPECT_EQ(0, HasAudioDriver(u"SoftMix DirectSound")) << "expected no DirectSound driver at start-up";
  registered.push_back(TSoftMixAudioDriver::Create(u"SoftMix DirectSound", 1));
  EXPECT_EQ(0, SelectAudioDriver(u"softmix directsound")) << "expected the DirectSound device to fail to open";
  EXPECT_EQ("Null", Narrow(CurrentAudioDriver()->Name()));
  EXPECT_EQ(1, SelectAudioDriver(u"SoftMix Multimedia")) << "the multimedia device still opens";
}

TEST_F(AudioDrivers, NullAndDriversAlreadyRegisteredAreRefused) {
  const size_t before = ListAudioDrivers().size();
  RegisterAudioDriver(nullptr);
  TAudioDriverPtr silent = TAudioDriver::Create();
  registered.push_back(silent);
  RegisterAudioDriver(silent);
  const std::vector<std::u16string> names = ListAudioDrivers();
  EXPECT_EQ(before + 1, names.size()) << "expected one new entry, got a null or a doubled driver";
  EXPECT_EQ("Null", Narrow(names.front()));
}

TEST_F(AudioDrivers, AnUnknownNameLeavesTheSilentDriverCurrent) {
  EXPECT_EQ(0, SelectAudioDriver(u"Nothing Like It"));
  EXPECT_EQ("Null", Narrow(CurrentAudioDriver()->Name()));
}

TEST_F(AudioDrivers, TheSilentDriverPlaysNothingAndNeverFails) {
  ASSERT_EQ(1, SelectAudioDriver(u"null"));
  TSoundPtr snd = LoadSoundFile(Tone(100), 0);
  ASSERT_NE(nullptr, snd);
  TChannelPtr ch = CueSoundOn(snd, nullptr);
  ASSERT_NE(nullptr, ch);
  ResumeAudioChannel(ch);
  EXPECT_EQ(0, IsAudioChannelPlaying(ch));
  EXPECT_NE(nullptr, NewAudioChannel());
  EXPECT_EQ(nullptr, LoadSoundFile(TUrl(u"no/such/sound.ogg"), 0)) << "a file that cannot be read gives null";
}

// Null sounds and channels are tolerated: nothing happens, and a channel given with a null
// sound is left as it was.
TEST_F(SoftMixDriver, NullSoundsAndChannelsLeaveAPlayingChannelAlone) {
  TChannelPtr ch = PlaySoundOn(LoadSoundFile(Tone(4410), SOUND_LOOP), nullptr);
  ASSERT_EQ(1, IsAudioChannelPlaying(ch));
  TSoundPtr none;
  TChannelPtr nothing;
  EXPECT_EQ(nullptr, CueSoundOn(none, ch)) << "expected no channel for a null sound";
  EXPECT_EQ(nullptr, PlaySoundOn(none, ch)) << "expected no channel for a null sound";
  EXPECT_EQ(nullptr, CueSoundOn(none, nothing));
  EXPECT_EQ(nullptr, PlaySoundOn(none, nothing));
  SetAudioChannelVolume(nothing, 1.0f);
  SetAudioChannelPan(nothing, 1.0f);
  SetAudioChannelDepth(nothing, 1.0f);
  SetAudioChannelRate(nothing, 1.0f);
  ResumeAudioChannel(nothing);
  PauseAudioChannel(nothing);
  StopAudioChannel(nothing);
  EXPECT_EQ(0, IsAudioChannelPlaying(nothing));
  EXPECT_EQ(1, IsAudioChannelPlaying(ch)) << "expected the channel given with a null sound still playing";
  auto* mixed = static_cast<TSoftMixChannel*>(ch.get());
  const int32_t at = mixed->Position(), since = SystemMillis();
  while (mixed->Position() == at && SystemMillis() - since < 30000) DelayMillis(1);
  EXPECT_NE(at, mixed->Position()) << "expected the loop to move on; it stayed at frame " << at << " for 30 s";
  StopAudioChannel(ch);
}

// Runs with SDL's dummy audio driver: a real device that discards what it plays.
TEST_F(SoftMixDriver, StartsOnFirstUseAndReportsPlaying) {
  TChannelPtr music_channel = NewAudioChannel();
  ASSERT_EQ("SoftMix", Narrow(CurrentAudioDriver()->Name()));
  ASSERT_NE(nullptr, dynamic_cast<TSoftMixChannel*>(music_channel.get()));
  TSoundPtr loop = LoadSoundFile(Tone(4410), SOUND_LOOP);
  TSoundPtr shot = LoadSoundFile(Tone(2205), 0);  // 50 ms
  TChannelPtr ch = CueSoundOn(loop, music_channel);
  EXPECT_EQ(music_channel, ch) << "cueing on a given channel hands that channel back";
  EXPECT_EQ(0, IsAudioChannelPlaying(ch)) << "cued, still paused";
  ResumeAudioChannel(ch);
  EXPECT_EQ(1, IsAudioChannelPlaying(ch));
  TChannelPtr fx = PlaySoundOn(shot, nullptr);
  ASSERT_NE(nullptr, fx);
  EXPECT_EQ(1, IsAudioChannelPlaying(fx));
  // A loaded machine may starve the mixer into a 1.25 s restart: allow for one.
  int32_t waited = 0;
  while (IsAudioChannelPlaying(fx) && waited < 3000) DelayMillis(10), waited += 10;
  EXPECT_EQ(0, IsAudioChannelPlaying(fx)) << "a 50 ms sound is over";
  EXPECT_EQ(1, IsAudioChannelPlaying(ch)) << "a loop never ends by itself";
  EXPECT_GT(static_cast<TSoftMixChannel*>(ch.get())->Position(), 0);
  PauseAudioChannel(ch);
  EXPECT_EQ(0, IsAudioChannelPlaying(ch));
  StopAudioChannel(ch);
  StopAudioChannel(ch);
  StopAudioChannel(fx);
  EXPECT_EQ(0, IsAudioChannelPlaying(ch));
  EXPECT_EQ(0, static_cast<TSoftMixChannel*>(ch.get())->fa_channel);
}

TEST_F(SoftMixDriver, BigEndianSamplesAreConvertedAndFormatZeroRefused) {
  ASSERT_EQ(1, SelectAudioDriver(u"SoftMix Multimedia"));
  TAudioSamplePtr be = Tone(1000)->Convert(TAudioSample::FORMAT_STEREO16BE);
  auto snd = std::dynamic_pointer_cast<TSoftMixSound>(LoadSoundFile(be, 0));
  ASSERT_NE(nullptr, snd);
  ASSERT_NE(nullptr, snd->fa_sound);
  EXPECT_EQ(16, snd->fa_sound->bits);
  EXPECT_EQ(2, snd->fa_sound->channels);
  int16_t first;
  std::memcpy(&first, snd->fa_sound->data, 2);
  EXPECT_EQ(-8000, first) << "the mixer got little-endian values";
  EXPECT_EQ(nullptr, LoadSoundFile(TAudioSample::Create(10, 44100, 0), 0));
}

TEST_F(SoftMixDriver, ChannelsOfAnotherDriverAreRefused) {
  TSoundPtr snd = LoadSoundFile(Tone(1000), 0);
  ASSERT_EQ("SoftMix", Narrow(CurrentAudioDriver()->Name()));
  EXPECT_EQ(nullptr, CueSoundOn(snd, std::make_shared<TChannel>()));
}

TEST_F(SoftMixDriver, ReselectingRestartsTheDeviceAndOldHandlesGoStale) {
  TChannelPtr before = NewAudioChannel();
  ASSERT_NE(nullptr, before);
  int32_t old = static_cast<TSoftMixChannel*>(before.get())->fa_channel;
  ASSERT_EQ(1, SelectAudioDriver(u"SoftMix"));
  TChannelPtr after = NewAudioChannel();
  ASSERT_NE(nullptr, after);
  EXPECT_NE(old, static_cast<TSoftMixChannel*>(after.get())->fa_channel);
  TSoundPtr snd = LoadSoundFile(Tone(44100), SOUND_LOOP);
  TChannelPtr ch = PlaySoundOn(snd, after);
  before->Stop();  // a handle of the earlier device touches nothing now
  EXPECT_EQ(1, IsAudioChannelPlaying(ch));
  ShutdownAudio();
  EXPECT_EQ(0, IsAudioChannelPlaying(ch)) << "no device, nothing plays";
}
