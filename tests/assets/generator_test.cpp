// The committed assets are what the generator writes today: a change to the generator
// that is not followed by regenerating (or a run that is not repeatable) fails here.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

void ExpectSameAsCommitted(const fs::path& fresh, const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    std::vector<char> now = Bytes(fresh / f), committed = Bytes(fs::path(VS_SOURCE_DIR) / f);
    EXPECT_FALSE(now.empty()) << f << " was not written";
    EXPECT_TRUE(now == committed) << f << " differs from the committed file (" << now.size() << " bytes against "
                                  << committed.size() << "): run vs_assetgen and commit its output";
  }
}

}  // namespace

TEST(AssetGenerator, PicturesAndFontsMatchTheCommittedFiles) {
  fs::path dir = Generate({"pictures", "fonts"});
  ASSERT_FALSE(dir.empty()) << "vs_assetgen failed";
  ExpectSameAsCommitted(dir, {"graphx/kxlogo.png", "graphx/vscl_title.png", "graphx/vscl_bkdrop.png",
                              "graphx/vs3D_sprites.png", "fonts/vantlefont.bin", "fonts/gldrawtextfont.bin"});
  fs::remove_all(dir);
}

TEST(AssetGenerator, SoundsMatchTheCommittedFiles) {
  fs::path dir = Generate({"sounds"});
  ASSERT_FALSE(dir.empty()) << "vs_assetgen failed";
  std::vector<std::string> files;
  for (const auto& s : assetgen::SoundFiles()) files.push_back(std::string("data/") + s.file);
  ExpectSameAsCommitted(dir, files);
  fs::remove_all(dir);
}

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
