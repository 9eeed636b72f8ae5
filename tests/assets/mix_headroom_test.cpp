// The loudest moments of play, mixed offline through the real mixer from the committed
// sounds at Max: what comes out stays a decibel under full scale, where the mixer clamps
// (the decibel covers the clock's millisecond on each start and another decoder's rounding).
//
// What can sound at once follows from the rules of play, in frames of 1/60 s; every cue
// starts with the frame that plays it, so cues of one frame add sample for sample:
// - the music, always, and the saucer's loop while it flies; the saucer's hit and the
//   ship's explosion each stop the loop, so either stands in its place;
// - the ship fires at most every 11 frames and its shot sounds for 18: two shots;
// - each invader shot down ends one of the ship's shots. They climb 44 pixels apart and the
//   formation's rows lie 30 apart, so two can reach invaders two rows apart in one frame:
//   two bursts;
// - two shots on the blockers: the ship's and an invader's, or two invaders' fired 15
//   frames apart from rows two apart, which land together.
// The shots sound at frames 0 and 11, every other cue on any frame up to 22 (the
// explosion too, though play stops with it: harder than play can make it). The music and
// the loop may be anywhere in their loops, so each is turned to put its own loudest value
// of the same sign on the loudest instant of the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/mixer/mixer.h"
#include "audio/sample.h"
#include "stream/core.h"

namespace {

constexpr int32_t kFrame = 735;  // output frames in one game frame at 44100 Hz
constexpr int32_t kMax = 4096;   // the mixer's volume for 1.0, the menus' Max
constexpr int32_t kLastFrame = 22;
const int32_t kUnderFullScale = static_cast<int32_t>(32768 * std::pow(10.0, -1.0 / 20));

// A committed sound as the game's loader decodes it: 16-bit values, channels interleaved.
struct Sound {
  std::string name;
  int32_t channels = 0;
  std::vector<int16_t> pcm;
  int32_t Frames() const { return static_cast<int32_t>(pcm.size()) / std::max(channels, 1); }
  // Mono value `at` frames into the sound; 0 before it starts and after it ends.
  int32_t At(int64_t at) const { return at >= 0 && at < int64_t(pcm.size()) ? pcm[size_t(at)] : 0; }
};

Sound Load(const std::string& name) {
  Sound s;
  s.name = name;
  TAudioSamplePtr sample = LoadAudioSample(TUrl(BytesToText(std::string(VS_SOURCE_DIR) + "/data/" + name)));
  if (!sample) return s;
  s.channels = sample->Channels();
  const auto* v = reinterpret_cast<const int16_t*>(sample->samples);
  s.pcm.assign(v, v + size_t(sample->length) * size_t(s.channels));
  return s;
}

struct Cue {
  const Sound* sound;
  int32_t frame;
};

// The loudest instant of a pile-up of mono effects, for one sign.
struct PileUp {
  int64_t value = 0;  // the sum there, signed
  int32_t at = 0;     // output frame
  std::vector<Cue> cues;
};

// Where the fixed cues and the free ones, each on the frame from 0 to `last` that suits it
// best, add up to the highest (sign 1) or lowest (sign -1) value. At output frame
// k x 735 + j a cue of frame f adds its value (k - f) x 735 + j, so for each instant every
// free cue picks its frame on its own: the search is over instants, not arrangements.
PileUp Loudest(const std::vector<Cue>& fixed, const std::vector<const Sound*>& free, int32_t last, int sign) {
  int32_t frames = last;
  for (const Cue& c : fixed) frames = std::max(frames, c.frame + c.sound->Frames() / kFrame + 1);
  for (const Sound* s : free) frames = std::max(frames, last + s->Frames() / kFrame + 1);
  PileUp best;
  best.value = -1;
  std::vector<int32_t> at(free.size());
  for (int32_t k = 0; k < frames; ++k)
    for (int32_t j = 0; j < kFrame; ++j) {
      int64_t sum = 0;
      for (const Cue& c : fixed) sum += sign * c.sound->At(int64_t(k - c.frame) * kFrame + j);
      for (size_t i = 0; i < free.size(); ++i) {
        int32_t value = 0;
        at[i] = std::min(k, last);
        for (int32_t f = 0; f <= std::min(k, last); ++f) {
          const int32_t v = sign * free[i]->At(int64_t(k - f) * kFrame + j);
          if (v > value) value = v, at[i] = f;
        }
        sum += value;
      }
      if (sum <= best.value) continue;
      best = {sum, k * kFrame + j, fixed};
      for (size_t i = 0; i < free.size(); ++i) best.cues.push_back({free[i], at[i]});
    }
  best.value *= sign;
  return best;
}

// A looping sound turned so that its frame `from` sounds at output frame `at`.
softmix::mixer_sample* Turned(const Sound& s, int32_t from, int32_t at) {
  const int32_t n = s.Frames(), shift = ((from - at) % n + n) % n;
  std::vector<int16_t> turned(s.pcm.size());
  std::rotate_copy(s.pcm.begin(), s.pcm.begin() + shift * s.channels, s.pcm.end(), turned.begin());
  return softmix::CreateSample(n, 16, s.channels, 44100, turned.data(), 1);
}

// The frame of `s` holding its highest (sign 1) or lowest (sign -1) value on `channel`.
int32_t ExtremeFrame(const Sound& s, int32_t channel, int sign) {
  int32_t best = 0;
  for (int32_t i = 1; i < s.Frames(); ++i)
    if (sign * s.pcm[size_t(i * s.channels + channel)] > sign * s.pcm[size_t(best * s.channels + channel)]) best = i;
  return best;
}

// The cues mixed through the mixer, one game frame a fragment, over the looping beds turned
// to put their extreme of `sign` on `channel` at the pile-up's instant.
struct Mixed {
  int32_t peak = 0;   // the largest magnitude that came out
  int32_t there = 0;  // on `channel` at the pile-up's instant
  int32_t beds = 0;   // what the beds add there
};
Mixed Mix(const PileUp& pile, const std::vector<const Sound*>& beds, int32_t channel, int sign) {
  softmix::mixer m(2 * kFrame);
  std::vector<softmix::mixer_sample*> samples;
  auto start = [&](softmix::mixer_sample* s) {
    samples.push_back(s);
    const int32_t handle = m.StartSound(s, false, 0, 0);  // mixed at 20 ms: no start delay
    m.SetVolume(handle, kMax);
  };
  Mixed mixed;
  for (const Sound* bed : beds) {
    const int32_t c = bed->channels > 1 ? channel : 0, from = ExtremeFrame(*bed, c, sign);
    mixed.beds += bed->pcm[size_t(from * bed->channels + c)];
    start(Turned(*bed, from, pile.at));
  }
  std::vector<int16_t> out(size_t(2 * kFrame));
  for (int32_t frame = 0; frame <= pile.at / kFrame; ++frame) {
    for (const Cue& c : pile.cues)
      if (c.frame == frame) start(softmix::CreateSample(c.sound->Frames(), 16, 1, 44100, c.sound->pcm.data(), 0));
    m.Mix(out.data(), softmix::START_OFFSET_MS);
    for (int16_t v : out) mixed.peak = std::max(mixed.peak, std::abs(int32_t{v}));
  }
  mixed.there = out[size_t(2 * (pile.at % kFrame) + channel)];
  m.ReleaseAll();
  for (softmix::mixer_sample* s : samples) softmix::ReleaseSample(s);
  return mixed;
}

std::string Dbfs(int32_t v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f dBFS", 20 * std::log10(std::max(v, 1) / 32768.0));
  return text;
}

std::string Describe(const PileUp& p) {
  std::string text;
  for (const Cue& c : p.cues) text += (text.empty() ? "" : ", ") + c.sound->name + " at frame " + std::to_string(c.frame);
  return text;
}

}  // namespace

TEST(LoudestMomentsOfPlay, StayADecibelUnderFullScaleAtMax) {
  const Sound music = Load("swarm.ogg"), loop = Load("ufoloop.ogg"), shot = Load("shoot.ogg"),
              burst = Load("alienhit.ogg"), thud = Load("thud.ogg"), ship = Load("explode.ogg"),
              saucer = Load("ufohit.ogg");
  for (const Sound* s : {&music, &loop, &shot, &burst, &thud, &ship, &saucer})
    ASSERT_FALSE(s->pcm.empty()) << s->name << " does not load";
  ASSERT_EQ(2, music.channels);
  for (const Sound* s : {&loop, &shot, &burst, &thud, &ship, &saucer}) ASSERT_EQ(1, s->channels) << s->name;

  struct Moment {
    std::string what;
    std::vector<const Sound*> free;
    std::vector<const Sound*> beds;
  };
  const std::vector<Cue> shots = {{&shot, 0}, {&shot, 11}};
  const std::vector<Moment> moments = {
      {"the saucer flying", {&burst, &burst, &thud, &thud}, {&music, &loop}},
      {"the saucer hit", {&burst, &burst, &thud, &thud, &saucer}, {&music}},
      {"the ship hit", {&burst, &burst, &thud, &thud, &ship}, {&music}}};
  for (const Moment& m : moments) {
    int32_t worst = -1;
    PileUp worst_pile;
    for (int sign : {1, -1}) {
      const PileUp pile = Loudest(shots, m.free, kLastFrame, sign);
      for (int32_t channel : {0, 1}) {
        const Mixed mixed = Mix(pile, m.beds, channel, sign);
        const int64_t sum = pile.value + mixed.beds;
        if (sum > -32768 && sum < 32767) {
          EXPECT_EQ(sum, mixed.there) << m.what << ": expected the mixer to give the pile-up of " << Describe(pile)
                                      << " at output frame " << pile.at << ", got another value there";
        }
        if (mixed.peak > worst) worst = mixed.peak, worst_pile = pile;
      }
    }
    EXPECT_LT(worst, kUnderFullScale) << m.what << ": expected the mix under " << kUnderFullScale << " (-1 dBFS), got "
                                      << worst << " (" << Dbfs(worst) << ") from " << Describe(worst_pile)
                                      << " over the music" << (m.beds.size() > 1 ? " and the saucer's loop" : "");
  }
}
