#include <gtest/gtest.h>

#include "audio/mixer/device.h"
#include "audio/softmix.h"
#include "audio/sound.h"

// Runs with a name SDL does not know: no device at all.
TEST(NoAudioDevice, TheGameRunsSilentOnTheNullDriver) {
  TChannelPtr music_channel = NewAudioChannel();
  EXPECT_EQ("Null", TextToBytes(CurrentAudioDriver()->Name())) << "SoftMix could not start";
  EXPECT_EQ(nullptr, dynamic_cast<TSoftMixChannel*>(music_channel.get()));
  EXPECT_EQ(nullptr, softmix::RunningMixer());
  TChannelPtr ch = CueSoundOn(LoadSoundFile(TAudioSample::Create(100, 44100, TAudioSample::FORMAT_MONO16LE), SOUND_LOOP), music_channel);
  ASSERT_NE(nullptr, ch);
  SetAudioChannelVolume(ch, 0.5f);
  ResumeAudioChannel(ch);
  EXPECT_EQ(0, IsAudioChannelPlaying(ch));
}
