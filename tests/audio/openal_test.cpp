// The "OpenAL" driver against OpenAL Soft itself: its wave-file back end records what was
// played, and each check reads that file back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/openal/openal_driver.h"
#include "audio/sound.h"
#include "system/timer.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDir = fs::temp_directory_path() / ("vs_openal_" + std::to_string(::getpid()));
const fs::path kWave = kDir / "played.wav";

// OpenAL Soft reads its configuration once, at its first call: this comes before any.
class WaveOutput : public ::testing::Environment {
 public:
  void SetUp() override {
    fs::create_directories(kDir);
    std::ofstream(kDir / "alsoft.conf") << "drivers = wave\n[general]\nchannels = stereo\n"
                                           "sample-type = int16\nfrequency = 44100\n[wave]\nfile = "
                                        << kWave.string() << "\n";
    ::setenv("ALSOFT_CONF", (kDir / "alsoft.conf").c_str(), 1);
    ::setenv("ALSOFT_DRIVERS", "wave", 1);
  }
  void TearDown() override { fs::remove_all(kDir); }
};
const auto* const wave_output = ::testing::AddGlobalTestEnvironment(new WaveOutput);

// A 441 Hz sine of the given length and peak, mono, 44100 Hz.
TAudioSamplePtr Sine(int32_t frames, int16_t peak = 8000) {
  TAudioSamplePtr s = TAudioSample::Create(frames, 44100, TAudioSample::FORMAT_MONO16LE);
  auto* v = reinterpret_cast<int16_t*>(s->samples);
  for (int32_t i = 0; i < frames; ++i) v[i] = static_cast<int16_t>(std::lround(peak * std::sin(i * 2 * M_PI * 441 / 44100.0)));
  return s;
}

struct TRecording {
  std::vector<int16_t> left, right;
  int left_peak = 0, right_peak = 0;
  size_t first = 0, last = 0;  // the frames between which something sounds
  size_t Span() const { return last > first ? last - first : 0; }
};

// The device is open from construction; Finish closes it, which completes the file, and reads it.
class Session {
 public:
  Session() { EXPECT_EQ(1, SelectAudioDriver(u"OpenAL")) << "expected OpenAL Soft to open its wave output"; }
  TRecording Finish() {
    SelectAudioDriver(u"Null");
    std::ifstream in(kWave, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    TRecording r;
    const size_t data = bytes.find("data");
    EXPECT_NE(std::string::npos, data) << "expected a data chunk in " << kWave;
    if (data == std::string::npos) return r;
    const auto* v = reinterpret_cast<const int16_t*>(bytes.data() + data + 8);
    const size_t frames = (bytes.size() - data - 8) / 4;
    bool any = false;
    for (size_t i = 0; i < frames; ++i) {
      r.left.push_back(v[2 * i]);
      r.right.push_back(v[2 * i + 1]);
      r.left_peak = std::max(r.left_peak, std::abs(int(v[2 * i])));
      r.right_peak = std::max(r.right_peak, std::abs(int(v[2 * i + 1])));
      if (std::abs(int(v[2 * i])) + std::abs(int(v[2 * i + 1])) > 200) {
        if (!any) r.first = i;
        any = true;
        r.last = i;
      }
    }
    return r;
  }
};

// Waits until the channel has stopped playing; a minute without that fails.
void WaitUntilEnded(const TChannelPtr& ch) {
  const int32_t start = SystemMillis();
  while (IsAudioChannelPlaying(ch) && SystemMillis() - start < 60000) DelayMillis(5);
  EXPECT_EQ(0, IsAudioChannelPlaying(ch)) << "expected the sound to have ended";
}

// Each test starts and ends with no driver current, as a program that has played nothing.
class OpenALDriver : public ::testing::Test {
 protected:
  void SetUp() override { ShutdownAudio(); }
  void TearDown() override { ShutdownAudio(); }
};

TEST_F(OpenALDriver, IsRegisteredBesideTheMixerWhichStaysTheDefault) {
  EXPECT_EQ(1, HasAudioDriver(u"openal")) << "expected the driver by name, case ignored";
  ASSERT_EQ(1, SelectAudioDriver(u"OpenAL"));
  EXPECT_TRUE(dynamic_cast<TOpenALAudioDriver*>(CurrentAudioDriver())) << "expected the OpenAL driver current";
  EXPECT_TRUE(std::dynamic_pointer_cast<TOpenALChannel>(NewAudioChannel()));
  ShutdownAudio();
  EXPECT_EQ(u"SoftMix", CurrentAudioDriver()->Name()) << "expected a program that names none to get the mixer";
  ShutdownAudio();
}

TEST_F(OpenALDriver, ASoundPlaysWholeAtItsVolumeAndPanThenEnds) {
  Session session;
  TSoundPtr sound = LoadSoundFile(Sine(11025), 0);
  TChannelPtr ch = NewAudioChannel();
  SetAudioChannelPan(ch, -1.0f);
  TChannelPtr cued = CueSoundOn(sound, ch);
  EXPECT_EQ(ch, cued) << "expected the given channel back";
  EXPECT_EQ(0, IsAudioChannelPlaying(ch)) << "expected a cued channel not to be playing";
  ResumeAudioChannel(ch);
  EXPECT_EQ(1, IsAudioChannelPlaying(ch)) << "expected it playing once resumed";
  WaitUntilEnded(ch);
  ResumeAudioChannel(ch);
  EXPECT_EQ(0, IsAudioChannelPlaying(ch)) << "expected resuming an ended sound not to start it again";
  const TRecording r = session.Finish();
  EXPECT_NEAR(8000, r.left_peak, 400) << "expected the tone's peak on the left at full volume";
  EXPECT_LT(r.right_peak, r.left_peak / 10) << "expected next to nothing on the right at pan -1";
  EXPECT_NEAR(11025.0, double(r.Span()), 11025 * 0.05) << "expected the quarter second once";
}

TEST_F(OpenALDriver, VolumeAndRateSetBeforeTheSoundAreKept) {
  Session session;
  TSoundPtr sound = LoadSoundFile(Sine(11025), 0);
  TChannelPtr ch = NewAudioChannel();
  SetAudioChannelVolume(ch, 0.25f);
  SetAudioChannelRate(ch, 2.0f);
  SetAudioChannelPan(ch, 1.0f);
  PlaySoundOn(sound, ch);
  WaitUntilEnded(ch);
  const TRecording r = session.Finish();
  EXPECT_NEAR(2000, r.right_peak, 150) << "expected a quarter of the peak on the right";
  EXPECT_LT(r.left_peak, r.right_peak / 10) << "expected next to nothing on the left at pan +1";
  EXPECT_NEAR(11025.0 / 2, double(r.Span()), 11025 * 0.05) << "expected twice the speed, half the time";
}

TEST_F(OpenALDriver, AChannelLetGoPlaysOnToItsEndAndALoopNeverEnds) {
  Session session;
  TSoundPtr once = LoadSoundFile(Sine(8820), 0);  // 0.2 s
  TSoundPtr loop = LoadSoundFile(Sine(2205), SOUND_LOOP);  // 50 ms
  EXPECT_TRUE(PlaySoundOn(once, nullptr)) << "expected a fresh channel";  // and dropped at once
  TChannelPtr looping = PlaySoundOn(loop, nullptr);
  // The wave output is written as it plays: wait until a second more of it is on disk.
  const uintmax_t started = fs::file_size(kWave);
  const int32_t start = SystemMillis();
  while (fs::file_size(kWave) < started + 44100 * 4 && SystemMillis() - start < 60000) DelayMillis(10);
  EXPECT_EQ(1, IsAudioChannelPlaying(looping)) << "expected the 50 ms loop still playing after a second";
  StopAudioChannel(looping);
  EXPECT_EQ(0, IsAudioChannelPlaying(looping));
  StopAudioChannel(looping);
  const TRecording r = session.Finish();
  EXPECT_GT(r.Span(), 44100u * 3 / 4) << "expected the loop to have sounded for most of the second, got frames "
                                     << r.first << " to " << r.last << " of " << r.left.size();
  // The sound let go sounded together with the loop, so its peaks add up in the first 0.2 s.
  int early = 0;
  for (size_t i = r.first; i < r.first + 8000 && i < r.left.size(); ++i) early = std::max(early, std::abs(int(r.left[i])));
  EXPECT_GT(early, r.left_peak * 3 / 4) << "expected the let-go sound heard beside the loop";
}

TEST_F(OpenALDriver, OtherDriversChannelsAreRefusedAndAClosedDeviceLeavesHarmlessObjects) {
  TSoundPtr sound;
  TChannelPtr ch;
  {
    Session session;
    sound = LoadSoundFile(Sine(441), 0);
    EXPECT_FALSE(PlaySoundOn(sound, std::make_shared<TChannel>())) << "expected a silent driver's channel refused";
    ch = PlaySoundOn(sound, nullptr);
    ASSERT_TRUE(ch);
    session.Finish();
  }
  EXPECT_FALSE(PlaySoundOn(sound, nullptr)) << "expected null once its device has closed";
  EXPECT_FALSE(PlaySoundOn(sound, ch));
  SetAudioChannelVolume(ch, 0.5f);
  ResumeAudioChannel(ch);
  EXPECT_EQ(0, IsAudioChannelPlaying(ch));
  StopAudioChannel(ch);
  EXPECT_FALSE(TOpenALAudioDriver().CreateSound(TAudioSample::Create(10, 44100, 0), 0))
      << "expected format 0 refused";
}

}  // namespace
