// The sound files as vorbisfile decodes them: rate, channels and the lengths the
// generator meant, levels that leave room for the mix and keep its balance, and seamless loops.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tools/assetgen/sound_list.h"

namespace {

struct Decoded {
  bool ok = false;
  long rate = 0;
  int channels = 0;
  std::vector<int16_t> pcm;  // interleaved
  size_t Frames() const { return channels ? pcm.size() / size_t(channels) : 0; }
  int16_t At(size_t frame, int c) const { return pcm[frame * size_t(channels) + size_t(c)]; }
};

const Decoded& Decode(const std::string& file) {
  static std::map<std::string, Decoded> cache;
  auto it = cache.find(file);
  if (it != cache.end()) return it->second;
  Decoded& d = cache[file];
  OggVorbis_File vf;
  std::string path = std::string(VS_SOURCE_DIR) + "/data/" + file;
  if (ov_fopen(path.c_str(), &vf) != 0) return d;
  vorbis_info* vi = ov_info(&vf, -1);
  d.rate = vi->rate;
  d.channels = vi->channels;
  char buf[8192];
  int section = 0;
  long n;
  while ((n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0) {
    const auto* s = reinterpret_cast<const int16_t*>(buf);
    d.pcm.insert(d.pcm.end(), s, s + n / 2);
  }
  d.ok = n == 0;
  ov_clear(&vf);
  return d;
}

double Dbfs(double v) { return 20.0 * std::log10(v / 32768.0); }

double Rms(const Decoded& d) {
  double sum = 0;
  for (int16_t s : d.pcm) sum += double(s) * s;
  return std::sqrt(sum / double(std::max<size_t>(1, d.pcm.size())));
}

class GameSounds : public ::testing::TestWithParam<assetgen::SoundFile> {};

}  // namespace

namespace assetgen {
void PrintTo(const SoundFile& s, std::ostream* os) { *os << s.file; }
}  // namespace assetgen

TEST_P(GameSounds, DecodeAt44100HzToTheirIntendedLength) {
  const auto& s = GetParam();
  const Decoded& d = Decode(s.file);
  ASSERT_TRUE(d.ok) << s.file << " does not decode";
  EXPECT_EQ(44100, d.rate) << s.file;
  EXPECT_EQ(s.channels, d.channels) << s.file;
  EXPECT_EQ(size_t(s.frames), d.Frames()) << s.file << ": frames";
}

// Each sound leaves the rest of full scale to the others it plays with (the mix test checks
// the sum), and none is so low that it is lost under the music.
TEST_P(GameSounds, PeakLeavesRoomForTheMixWithoutDc) {
  const auto& s = GetParam();
  const Decoded& d = Decode(s.file);
  ASSERT_FALSE(d.pcm.empty()) << s.file;
  int peak = 0;
  for (int16_t v : d.pcm) peak = std::max(peak, std::abs(int(v)));
  EXPECT_LE(Dbfs(peak), -14.0) << s.file << ": expected a peak 14 dB under full scale at least, got " << Dbfs(peak)
                               << " dBFS";
  EXPECT_GE(Dbfs(peak), -24.0) << s.file << ": expected a peak no lower than -24 dBFS, got " << Dbfs(peak) << " dBFS";
  for (int c = 0; c < d.channels; ++c) {
    double sum = 0;
    for (size_t i = 0; i < d.Frames(); ++i) sum += d.At(i, c);
    double mean = sum / double(d.Frames());
    EXPECT_LT(std::fabs(mean), 0.002 * 32768) << s.file << " channel " << c << " has a DC offset of " << mean;
  }
}

// A loop must not click where it starts over; an effect must not click where it stops.
TEST_P(GameSounds, JoinWithoutAClick) {
  const auto& s = GetParam();
  const Decoded& d = Decode(s.file);
  ASSERT_GT(d.Frames(), 2u) << s.file;
  for (int c = 0; c < d.channels; ++c) {
    if (s.loops) {
      int largest = 0;
      for (size_t i = 1; i < std::min<size_t>(d.Frames(), 44100); ++i)
        largest = std::max(largest, std::abs(d.At(i, c) - d.At(i - 1, c)));
      int seam = std::abs(d.At(0, c) - d.At(d.Frames() - 1, c));
      EXPECT_LE(seam, largest) << s.file << " channel " << c << ": step across the seam";
    } else {
      EXPECT_LT(std::abs(int(d.At(d.Frames() - 1, c))), 200) << s.file << " ends with a step";
      EXPECT_LT(std::abs(int(d.At(0, c))), 2000) << s.file << " starts with a step";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Data, GameSounds, ::testing::ValuesIn(assetgen::SoundFiles()), [](const auto& info) {
  std::string n = info.param.file;
  return n.substr(0, n.find('.'));
});

// The balance the game was mixed with: the music about 7 dB (RMS) under the median effect.
TEST(GameMusic, LastsAMinuteAndSitsSevenDecibelsUnderTheEffects) {
  const Decoded& music = Decode("swarm.ogg");
  ASSERT_TRUE(music.ok);
  EXPECT_GE(music.Frames(), 60u * 44100u) << "the music is shorter than a minute";
  std::vector<double> effects;
  for (const auto& s : assetgen::SoundFiles())
    if (std::string(s.file) != "swarm.ogg") effects.push_back(Rms(Decode(s.file)));
  std::sort(effects.begin(), effects.end());
  const double median = effects[effects.size() / 2], under = Dbfs(median) - Dbfs(Rms(music));
  EXPECT_NEAR(7.0, under, 1.0) << "expected the music's RMS 6 to 8 dB under the median effect's, got " << under
                               << " dB (music " << Dbfs(Rms(music)) << " dBFS, median effect " << Dbfs(median) << " dBFS)";
}

TEST(GameMusic, BothChannelsCarryTheMixButDiffer) {
  const Decoded& music = Decode("swarm.ogg");
  ASSERT_EQ(2, music.channels);
  double diff = 0, sum = 0;
  for (size_t i = 0; i < music.Frames(); ++i) {
    diff += std::fabs(double(music.At(i, 0)) - music.At(i, 1));
    sum += std::fabs(double(music.At(i, 0))) + std::fabs(double(music.At(i, 1)));
  }
  EXPECT_GT(diff / sum, 0.02) << "the two channels are the same: no stereo image";
  EXPECT_LT(diff / sum, 0.8) << "the two channels have little in common";
}
