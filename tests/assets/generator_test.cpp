// The committed assets are what the generator makes today: a change to the generator that
// is not followed by regenerating fails here. Pictures compare as decoded pixels and sounds
// as decoded PCM within the codec's tolerance, so a new libpng, zlib or libvorbis in a
// Debian point release changes nothing; the byte-for-byte check of the generator itself is
// opt-in (-DVS_ASSET_BYTES=ON), as such a release may change the bytes.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/sample.h"
#include "gfx/pixmap.h"
#include "tools/assetgen/sound_list.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::vector<char> Bytes(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Runs the generator into a fresh directory and answers that directory.
fs::path Generate(const std::vector<std::string>& groups) {
  fs::path dir = fs::temp_directory_path() / ("vs_assetgen_" + std::to_string(getpid()) + "_" + groups[0]);
  fs::remove_all(dir);
  std::vector<std::string> args{VS_ASSETGEN, dir.string()};
  args.insert(args.end(), groups.begin(), groups.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  int status = -1;
  if (posix_spawn(&pid, VS_ASSETGEN, nullptr, nullptr, argv.data(), environ) != 0) return {};
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? dir : fs::path();
}

TUrl UrlOf(const fs::path& p) { return TUrl(BytesToText(p.string())); }

void ExpectSamePixels(const fs::path& fresh, const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    TPixmapPtr now = LoadPixmapUrl(UrlOf(fresh / f)), committed = LoadPixmapUrl(UrlOf(fs::path(VS_SOURCE_DIR) / f));
    ASSERT_TRUE(now) << f << " was not written or does not decode";
    ASSERT_TRUE(committed) << "the committed " << f << " does not decode";
    ASSERT_EQ(committed->width, now->width) << f;
    ASSERT_EQ(committed->height, now->height) << f;
    TPixmapPtr a = now->Convert(RGBA32), b = committed->Convert(RGBA32);
    int64_t differ = 0;
    for (int32_t y = 0; y < a->height; ++y)
      for (int32_t x = 0; x < a->width; ++x) differ += a->ReadPixel(x, y) != b->ReadPixel(x, y);
    EXPECT_EQ(0, differ) << f << ": expected the committed pixels, got " << differ
                         << " that differ: run vs_assetgen and commit its output";
  }
}

// The bitmap fonts are pixels already, one bit each.
void ExpectSameBits(const fs::path& fresh, const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    std::vector<char> now = Bytes(fresh / f), committed = Bytes(fs::path(VS_SOURCE_DIR) / f);
    EXPECT_FALSE(now.empty()) << f << " was not written";
    EXPECT_TRUE(now == committed) << f << " differs from the committed font: run vs_assetgen and commit its output";
  }
}

// Two encodings of one signal differ by the encoder's error: re-encoding these files at
// another quality moves up to 2% of a noisy sound's energy. A changed sound differs by about
// as much as it holds, so a tenth of the energy tells the two apart. Lengths match exactly.
void ExpectSameSound(const fs::path& fresh, const std::string& f) {
  TAudioSamplePtr now = LoadAudioSample(UrlOf(fresh / f)), committed = LoadAudioSample(UrlOf(fs::path(VS_SOURCE_DIR) / f));
  ASSERT_TRUE(now) << f << " was not written or does not decode";
  ASSERT_TRUE(committed) << "the committed " << f << " does not decode";
  ASSERT_EQ(committed->format, now->format) << f;
  ASSERT_EQ(committed->length, now->length) << f << ": frames";
  const auto* a = reinterpret_cast<const int16_t*>(now->samples);
  const auto* b = reinterpret_cast<const int16_t*>(committed->samples);
  double signal = 0, error = 0;
  for (int64_t i = 0; i < int64_t{now->length} * now->Channels(); ++i) {
    signal += double(b[i]) * b[i];
    error += double(a[i] - b[i]) * (a[i] - b[i]);
  }
  EXPECT_LE(error, signal / 10) << f << ": expected the committed sound within the codec's error (10% of its energy), got "
                                 << (signal > 0 ? 100 * error / signal : 0) << "%: run vs_assetgen and commit its output";
}

std::vector<std::string> SoundPaths() {
  std::vector<std::string> files;
  for (const auto& s : assetgen::SoundFiles()) files.push_back(std::string("data/") + s.file);
  return files;
}

const std::vector<std::string> kPictures = {"graphx/kxlogo.png", "graphx/vscl_title.png",
                                            "graphx/vscl_bkdrop.png", "graphx/vs3D_sprites.png"};
const std::vector<std::string> kFonts = {"fonts/vantlefont.bin", "fonts/gldrawtextfont.bin"};

}  // namespace

TEST(AssetGenerator, PicturesAndFontsMatchTheCommittedPixels) {
  fs::path dir = Generate({"pictures", "fonts"});
  ASSERT_FALSE(dir.empty()) << "vs_assetgen failed";
  ExpectSamePixels(dir, kPictures);
  ExpectSameBits(dir, kFonts);
  fs::remove_all(dir);
}

TEST(AssetGenerator, SoundsMatchTheCommittedPcm) {
  fs::path dir = Generate({"sounds"});
  ASSERT_FALSE(dir.empty()) << "vs_assetgen failed";
  for (const std::string& f : SoundPaths()) ExpectSameSound(dir, f);
  fs::remove_all(dir);
}

#ifdef VS_ASSET_BYTES
// The generator's own promise: the same bytes on every run, as committed.
TEST(AssetGenerator, WritesTheCommittedFilesByteForByte) {
  fs::path dir = Generate({"pictures", "fonts", "sounds"});
  ASSERT_FALSE(dir.empty()) << "vs_assetgen failed";
  std::vector<std::string> files = kPictures;
  files.insert(files.end(), kFonts.begin(), kFonts.end());
  for (const std::string& f : SoundPaths()) files.push_back(f);
  for (const std::string& f : files) {
    std::vector<char> now = Bytes(dir / f), committed = Bytes(fs::path(VS_SOURCE_DIR) / f);
    EXPECT_TRUE(now == committed) << f << " differs from the committed file (" << now.size() << " bytes against "
                                  << committed.size() << ")";
  }
  fs::remove_all(dir);
}
#endif

TEST(AssetGenerator, RefusesAnUnknownGroup) {
  std::vector<std::string> args{VS_ASSETGEN, "/nonexistent", "everything"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  int status = 0;
  ASSERT_EQ(0, posix_spawn(&pid, VS_ASSETGEN, nullptr, nullptr, argv.data(), environ));
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(2, WEXITSTATUS(status)) << "an unknown group must give the usage message and status 2";
  EXPECT_FALSE(fs::exists("/nonexistent")) << "nothing may be written";
}
