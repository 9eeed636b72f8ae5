#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "audio/mixer/mixer.h"

using namespace softmix;

namespace {

constexpr int32_t kFragment = 1024;  // values: 512 stereo frames
constexpr int32_t kFrames = kFragment / 2;

// Every voice starts at time 0 and is mixed at time 20, so it sounds at once.
constexpr int32_t kStart = 0;
constexpr int32_t kNow = START_OFFSET_MS;

struct Sample {
  mixer_sample* s;
  explicit Sample(mixer_sample* p) : s(p) {}
  ~Sample() { ReleaseSample(s); }
  operator mixer_sample*() const { return s; }
};

mixer_sample* Mono16(const std::vector<int16_t>& v, int32_t hertz = 44100, bool loop = false) {
  return CreateSample(static_cast<int32_t>(v.size()), 16, 1, hertz, v.data(), loop ? 1 : 0);
}

std::vector<int16_t> Ramp(int n, int first, int step) {
  std::vector<int16_t> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[i] = static_cast<int16_t>(first + i * step);
  return v;
}

struct Out {
  std::vector<int16_t> v = std::vector<int16_t>(kFragment);
  int16_t L(int frame) const { return v[frame * 2]; }
  int16_t R(int frame) const { return v[frame * 2 + 1]; }
};

Out MixOnce(mixer& m, int32_t now = kNow) {
  Out o;
  m.Mix(o.v.data(), now);
  return o;
}

}  // namespace

TEST(MixerVoice, FullVolumeCentredMonoGivesItsValues) {
  mixer m(kFragment);
  Sample s(Mono16(Ramp(2000, -5000, 7)));
  ASSERT_NE(0, m.StartSound(s, false, 0, kStart));
  for (int f = 0; f < 2; ++f) {
    Out o = MixOnce(m);
    for (int i = 0; i < kFrames; ++i) {
      int want = -5000 + (f * kFrames + i) * 7;
      ASSERT_EQ(want, o.L(i)) << "left of frame " << f * kFrames + i;
      ASSERT_EQ(want, o.R(i)) << "right of frame " << f * kFrames + i;
    }
  }
}

TEST(MixerVoice, PanAndNegativeDepthShapeTheGains) {
  Sample s(Mono16(std::vector<int16_t>(600, 1000)));
  struct Case {
    int32_t pan, depth, left, right;
    const char* what;
  } cases[] = {
      {2048, 0, 500, 1000, "halfway right: the left side at half level"},
      {-4096, -1, 1000, 0, "full left: nothing on the right to turn over"},
      {0, -4096, 1000, -1000, "behind: the right side turned over"},
  };
  for (const Case& c : cases) {
    mixer m(kFragment);
    int32_t h = m.AllocHandle();
    m.SetPan(h, c.pan);
    m.SetDepth(h, c.depth);
    m.StartSound(s, false, h, kStart);
    Out o = MixOnce(m);
    EXPECT_EQ(c.left, o.L(10)) << c.what;
    EXPECT_EQ(c.right, o.R(10)) << c.what;
  }
}

TEST(MixerVoice, InterpolatesAtAHalfStep) {
  mixer m(kFragment);
  Sample s(Mono16(Ramp(1000, 0, 1000 / 10), 22050));  // 0, 100, 200 ...
  m.StartSound(s, false, 0, kStart);
  Out o = MixOnce(m);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(i * 50, o.L(i)) << "frame " << i << " reads position " << i / 2.0;
}

TEST(MixerVoice, StereoSourceFeedsEachSideFromItsOwnChannel) {
  mixer m(kFragment);
  std::vector<int16_t> v;
  for (int i = 0; i < 600; ++i) {
    v.push_back(static_cast<int16_t>(i));
    v.push_back(static_cast<int16_t>(-3 * i));
  }
  Sample s(CreateSample(600, 16, 2, 22050, v.data(), 0));
  m.StartSound(s, false, 0, kStart);
  Out o = MixOnce(m);
  EXPECT_EQ(5, o.L(11)) << "half way between frames 5 and 6, left";
  EXPECT_EQ(-17, o.R(11)) << "half way between frames 5 and 6, right: -16.5 floored";
  EXPECT_EQ(100, o.L(200));
  EXPECT_EQ(-300, o.R(200));
}

TEST(MixerVoice, EightBitLoopAdvancesHalfAFramePerOutputFrameAndWrapsCleanly) {
  mixer m(kFragment);
  std::vector<uint8_t> v(1000);
  for (int i = 0; i < 1000; ++i) v[i] = static_cast<uint8_t>(100 + (i % 50));  // ends on 149, starts on 100
  Sample s(CreateSample(1000, 8, 1, 22050, v.data(), 1));
  int32_t h = m.StartSound(s, false, 0, kStart);
  std::vector<int16_t> all;
  for (int f = 0; f < 5; ++f) {
    Out o = MixOnce(m);
    for (int i = 0; i < kFrames; ++i) all.push_back(o.L(i));
  }
  auto value = [&](int frame) { return v[frame % 1000] * 256 - 32768; };
  EXPECT_EQ(value(0), all[0]);
  EXPECT_EQ(value(999), all[1998]) << "output frame 1998 reads sample frame 999";
  // Frame 999.5 lies between the last frame and the first: the guard repeats frame 0.
  int32_t a = v[999] * 256 - 32768, b = v[0] * 256 - 32768;
  EXPECT_EQ((a + (b - a) / 2), all[1999]) << "half way into the wrap";
  EXPECT_EQ(value(0), all[2000]) << "the loop starts again exactly at 1000";
  EXPECT_EQ(value(1), all[2002]);
  EXPECT_EQ((5 * kFrames / 2) % 1000, m.Position(h)) << "frames into the sample after 2560 output frames";
  EXPECT_EQ(STATUS_LOOPED, m.Status(h));
}

TEST(MixerVoice, AVoiceAtVolumeZeroKeepsTime) {
  mixer m(kFragment);
  Sample s(Mono16(Ramp(5000, 0, 3)));
  int32_t h = m.AllocHandle();
  m.SetVolume(h, 0);
  m.StartSound(s, false, h, kStart);
  for (int f = 0; f < 3; ++f) {
    Out o = MixOnce(m);
    EXPECT_EQ(0, o.L(100)) << "silent in fragment " << f;
  }
  EXPECT_EQ(3 * kFrames, m.Position(h)) << "the position went on while silent";
  m.SetVolume(h, 4096);
  MixOnce(m);  // the volume ramps up across this fragment
  Out o = MixOnce(m);
  EXPECT_EQ(3 * (4 * kFrames + 7), o.L(7)) << "resumes at the point it would have reached";
}

TEST(MixerVoice, VolumeRampsLinearlyAcrossOneFragment) {
  mixer m(kFragment);
  Sample s(Mono16(std::vector<int16_t>(3000, 1600)));
  int32_t h = m.AllocHandle();
  m.SetVolume(h, 0);
  m.StartSound(s, false, h, kStart);
  MixOnce(m);
  m.SetVolume(h, 4096);
  Out o = MixOnce(m);
  // From silence to full level over the 512 frames of one fragment, a step every frame.
  const std::pair<int, int> expected[] = {{0, 0}, {1, 3}, {100, 312}, {256, 800}, {511, 1596}};
  for (const auto& [frame, value] : expected) EXPECT_EQ(value, o.L(frame)) << "frame " << frame;
  Out after = MixOnce(m);
  EXPECT_EQ(1600, after.L(0)) << "at the target from the next fragment on";
}

TEST(MixerVoice, RateRampsAcrossOneFragment) {
  mixer m(kFragment);
  Sample s(Mono16(Ramp(30000, 0, 1)));
  int32_t h = m.StartSound(s, false, 0, kStart);
  MixOnce(m);
  EXPECT_EQ(kFrames, m.Position(h));
  m.SetRate(h, 2 << 16);
  MixOnce(m);
  int32_t ramped = m.Position(h) - kFrames;
  EXPECT_NEAR(kFrames * 3 / 2, ramped, 2) << "speeding from 1 to 2 covers about 1.5 fragments";
  int32_t before = m.Position(h);
  MixOnce(m);
  EXPECT_EQ(2 * kFrames, m.Position(h) - before) << "at double speed from then on";
}

TEST(MixerStart, SoundsTwentyMillisecondsAfterItWasStarted) {
  mixer m(kFragment);
  Sample s(Mono16(std::vector<int16_t>(5000, 1234)));
  m.StartSound(s, false, 0, 1000);
  Out first = MixOnce(m, 1000);
  for (int i = 0; i < kFrames; ++i) ASSERT_EQ(0, first.L(i)) << "frame " << i << " is still inside the 20 ms";
  Out second = MixOnce(m, 1000);
  const int start = 882 - kFrames;  // 20 ms x 44.1 frames
  EXPECT_EQ(0, second.L(start - 1));
  EXPECT_EQ(1234, second.L(start));

  mixer late(kFragment);
  late.StartSound(s, false, 0, 1000);
  Out o = MixOnce(late, 1015);  // mixed 15 ms after the start: 5 ms are left
  EXPECT_EQ(0, o.L(219));
  EXPECT_EQ(1234, o.L(220)) << "5 ms x 44.1 = 220 frames";

  mixer wrap(kFragment);
  wrap.StartSound(s, false, 0, INT32_MAX - 5);
  Out w = MixOnce(wrap, INT32_MIN + 4);  // 10 ms later, across the clock's wrap
  EXPECT_EQ(0, w.L(440));
  EXPECT_EQ(1234, w.L(441)) << "10 ms left: 441 frames";
}

TEST(MixerOutput, ClampsWhenManyLoudVoicesOverlap) {
  mixer m(kFragment);
  Sample up(Mono16(std::vector<int16_t>(2000, 30000)));
  Sample down(Mono16(std::vector<int16_t>(2000, -30000)));
  for (int i = 0; i < 40; ++i) m.StartSound(up, false, 0, kStart);
  Out o = MixOnce(m);
  EXPECT_EQ(32767, o.L(5));
  EXPECT_EQ(32767, o.R(5));
  mixer m2(kFragment);
  for (int i = 0; i < 40; ++i) m2.StartSound(down, false, 0, kStart);
  EXPECT_EQ(-32768, MixOnce(m2).L(5));
  mixer m3(kFragment);
  int32_t loud = m3.AllocHandle();
  m3.SetVolume(loud, 32767);
  m3.StartSound(up, false, loud, kStart);
  EXPECT_EQ(32767, MixOnce(m3).L(5)) << "a volume far above 1.0 clamps too";
}

TEST(MixerOutput, EightBitOutputIsCentredOn128) {
  mixer m(kFragment);
  Sample s(Mono16(std::vector<int16_t>(2000, 16384)));
  std::vector<uint8_t> out(kFragment);
  m.Mix8(out.data(), kNow);
  EXPECT_EQ(128, out[0]) << "silence";
  m.StartSound(s, false, 0, kStart);
  m.Mix8(out.data(), kNow);
  EXPECT_EQ(128 + 64, out[0]) << "half scale";
}

TEST(MixerHandles, StartingTwiceOnAHandleReplacesTheVoiceAndKeepsItsSettings) {
  mixer m(kFragment);
  Sample a(Mono16(std::vector<int16_t>(5000, 2000)));
  Sample b(Mono16(std::vector<int16_t>(5000, -800)));
  int32_t h = m.AllocHandle();
  m.SetVolume(h, 2048);
  m.SetPan(h, -4096);
  EXPECT_EQ(h, m.StartSound(a, false, h, kStart));
  EXPECT_EQ(1000, MixOnce(m).L(0));
  EXPECT_EQ(h, m.StartSound(b, false, h, kStart));
  Out o = MixOnce(m);
  EXPECT_EQ(-400, o.L(0)) << "only the second voice, at the first one's volume";
  EXPECT_EQ(0, o.R(0)) << "and at its pan";
  EXPECT_EQ(1, m.ActiveVoices()) << "the first voice left the active list";
}

TEST(MixerHandles, SettingsBeforeTheFirstSoundAreHeldAndACuedVoiceWaits) {
  mixer m(kFragment);
  Sample s(Mono16(std::vector<int16_t>(5000, 4000)));
  int32_t h = m.AllocHandle();
  m.SetVolume(h, 1024);
  m.SetRate(h, 0x8000);
  m.StartSound(s, true, h, kStart);
  EXPECT_EQ(STATUS_ONCE | STATUS_PAUSED, m.Status(h));
  EXPECT_EQ(0, MixOnce(m).L(0)) << "cued, not playing";
  EXPECT_EQ(0, m.Position(h));
  m.SetPaused(h, false);
  Out o = MixOnce(m, 1000);
  EXPECT_EQ(1000, o.L(0)) << "a quarter of 4000, at once: no ramp from a setting made before the start";
  EXPECT_EQ(kFrames / 2, m.Position(h)) << "at half speed";
}

TEST(MixerHandles, StaleHandlesAreIgnored) {
  mixer m(kFragment);
  Sample s(Mono16(std::vector<int16_t>(5000, 3000)));
  int32_t old = m.AllocHandle();
  m.ReleaseHandle(old);
  m.ReleaseHandle(old);  // twice: must not corrupt the free list
  int32_t h = m.AllocHandle();
  ASSERT_NE(0, h);
  EXPECT_EQ(old & 4095, h & 4095) << "the entry is reused";
  EXPECT_NE(old, h) << "with a new serial";
  m.StartSound(s, false, h, kStart);
  m.SetVolume(old, 0);
  m.Stop(old);
  m.SetPaused(old, true);
  EXPECT_EQ(0, m.StartSound(s, false, old, kStart)) << "a stale handle starts nothing";
  EXPECT_EQ(0, m.Status(old));
  EXPECT_EQ(3000, MixOnce(m).L(0)) << "the voice on the new handle is untouched";
  for (int32_t junk : {0, -1, 4096, 0x7FFFFFFF}) {
    m.SetVolume(junk, 0);
    m.Stop(junk);
    EXPECT_EQ(0, m.Status(junk)) << junk;
  }
  EXPECT_EQ(STATUS_ONCE, m.Status(h));
  int32_t other = m.AllocHandle();
  EXPECT_NE(h & 4095, other & 4095) << "a double release handed out no entry twice";
}

TEST(MixerHandles, RunOutAtFourThousandNinetyFiveAndComeBack) {
  mixer m(kFragment);
  std::vector<int32_t> hs;
  for (int i = 0; i < 4095; ++i) hs.push_back(m.AllocHandle());
  for (int32_t h : hs) ASSERT_NE(0, h);
  EXPECT_EQ(0, m.AllocHandle()) << "4095 usable handles";
  Sample s(Mono16(std::vector<int16_t>(10, 1)));
  EXPECT_EQ(0, m.StartSound(s, false, 0, kStart)) << "no fresh handle for an auto-freed voice";
  m.ReleaseHandle(hs[100]);
  int32_t h = m.StartSound(s, false, 0, kStart);
  EXPECT_NE(0, h);
  MixOnce(m);  // ten frames: over, and the handle goes back
  EXPECT_EQ(0, m.Status(h));
  EXPECT_NE(0, m.AllocHandle()) << "the finished voice's handle was released";
}

TEST(MixerHandles, StoppedAndFinishedVoicesReportNotPlaying) {
  mixer m(kFragment);
  Sample s(Mono16(Ramp(100, 100, 1)));
  int32_t h = m.AllocHandle();
  m.StartSound(s, false, h, kStart);
  Out o = MixOnce(m);
  EXPECT_EQ(199, o.L(99)) << "the last frame";
  EXPECT_EQ(0, o.L(100)) << "nothing after the end";
  EXPECT_EQ(STATUS_FINISHED, m.Status(h)) << "a held handle keeps its finished voice";
  EXPECT_EQ(100, m.Position(h));
  m.Stop(h);
  m.Stop(h);
  EXPECT_EQ(0, m.Status(h));
  MixOnce(m);
  EXPECT_EQ(0, m.ActiveVoices());

  Sample loop(Mono16(std::vector<int16_t>(100, 7), 44100, true));
  int32_t l = m.StartSound(loop, false, 0, kStart);
  MixOnce(m);
  m.Stop(l);
  Out stopped = MixOnce(m);
  EXPECT_EQ(0, stopped.L(0)) << "a stopped loop is silent from the next fragment";
  EXPECT_EQ(0, m.ActiveVoices());
}

