// The two saved files in a scratch directory: what reads as what, and that a write replaces
// the old file whole or not at all.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "game/globals.h"
#include "game/shell/saved_files.h"
#include "stream/stream.h"

namespace fs = std::filesystem;

namespace {

class SavedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vs_saved_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    dir_ = tmpl;
    old_ = fs::current_path();
    fs::current_path(dir_);
    player = {};
    stereo_mode = 0;
    kxdraw.slc(200, 5, 5, 5, 80, 5);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  static void write(const std::string& path, std::vector<uint8_t> bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  static std::vector<uint8_t> read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  fs::path dir_, old_;
};

TEST_F(SavedFiles, NothingStoredStartsAtZeroFlatAndBothAreWrittenAtExit) {
  player.best_sc = 77;
  best_score_file(0);
  stereo_file(1);
  EXPECT_EQ(0, player.best_sc);
  EXPECT_EQ(0, stereo_mode);
  EXPECT_EQ(200, kxdraw.leye_r) << "no stored mode leaves the start-up colours";
  EXPECT_FALSE(fs::exists("data")) << "reading writes nothing";
  player.best_sc = 258;
  stereo_mode = 3;
  stereo_file(2);
  best_score_file(1);
  // The glasses file, written first, names its folder "Data"; the folder made is the sounds'.
  std::vector<std::string> made;
  for (const auto& e : fs::directory_iterator(".")) made.push_back(e.path().filename().string());
  EXPECT_EQ(std::vector<std::string>{"data"}, made) << "expected one folder for both files, data/";
  EXPECT_EQ((std::vector<uint8_t>{2, 1, 0, 0}), read("data/hiscore.dat"));
  EXPECT_EQ((std::vector<uint8_t>{3, 0, 0, 0}), read("data/anaglyph3d.dat"));
}

TEST_F(SavedFiles, StoredValuesAreReadAsLittleEndianAndShortFilesFillWithZero) {
  write("data/hiscore.dat", {0xD2, 0x04, 0x00, 0x00, 0xFF});
  best_score_file(0);
  EXPECT_EQ(1234, player.best_sc);
  write("data/hiscore.dat", {0xD2, 0x04});
  best_score_file(0);
  EXPECT_EQ(1234, player.best_sc) << "missing high bytes read as 0";
  write("data/hiscore.dat", {});
  best_score_file(0);
  EXPECT_EQ(0, player.best_sc);
  write("data/anaglyph3d.dat", {3, 0, 0, 0});
  stereo_file(1);
  EXPECT_EQ(3, stereo_mode);
  EXPECT_EQ(4, kxdraw.leye_r);
  EXPECT_EQ(80, kxdraw.leye_g) << "the R\\C colours are chosen";
}

TEST_F(SavedFiles, AStereoModeWithoutALabelIsFlat) {
  for (uint8_t stored : {5, 0xFF}) {
    write("data/anaglyph3d.dat", {stored, stored, stored, stored});
    stereo_mode = 2;
    stereo_file(1);
    EXPECT_EQ(0, stereo_mode) << "stored byte " << int(stored);
  }
}

TEST_F(SavedFiles, ADirectoryInThePlaceOfAFileCountsAsMissingAndIsLeftAlone) {
  fs::create_directories("data/hiscore.dat");
  player.best_sc = 99;
  best_score_file(0);
  EXPECT_EQ(0, player.best_sc);
  player.best_sc = 5;
  testing::internal::CaptureStderr();
  best_score_file(1);
  report_unsaved_files();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, said.find("data/hiscore.dat")) << "one line should name the file as it lies, got: " << said;
  EXPECT_EQ(1, std::count(said.begin(), said.end(), '\n')) << "expected one line, got: " << said;
  EXPECT_TRUE(fs::is_directory("data/hiscore.dat"));
  EXPECT_EQ(1, std::distance(fs::directory_iterator("data"), {})) << "no temporary file is left";
}

TEST_F(SavedFiles, BothFilesGoIntoTheDataDirectoryThatHoldsTheSounds) {
  fs::create_directories("data");
  stereo_mode = 1;
  stereo_file(2);
  best_score_file(1);
  EXPECT_EQ((std::vector<uint8_t>{1, 0, 0, 0}), read("data/anaglyph3d.dat"));
  EXPECT_EQ(4u, read("data/hiscore.dat").size());
  EXPECT_FALSE(fs::exists("Data"));
}

TEST_F(SavedFiles, AFolderSpelledDataFromAnEarlierRunIsUsedAndFilesAreNamedAsTheyLie) {
  // Folders in the place of both files make both writes fail, for root too.
  fs::create_directories("Data/anaglyph3d.dat");
  fs::create_directories("Data/hiscore.dat");
  testing::internal::CaptureStderr();
  stereo_file(2);
  best_score_file(1);
  report_unsaved_files();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, said.find("Data/anaglyph3d.dat, Data/hiscore.dat"))
      << "expected both files named where they lie, got: " << said;
  EXPECT_FALSE(fs::exists("data/anaglyph3d.dat")) << "expected no second folder beside Data/";
}

TEST_F(SavedFiles, AKillDuringTheWriteLeavesTheOldFileOrTheNewOne) {
  write("data/hiscore.dat", {1, 0, 0, 0});
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int32_t value = 2;; value = value == 2 ? 3 : 2) {
        player.best_sc = value;
        best_score_file(1);
      }
    }
    // The kill comes once the child has replaced the file a few times, more each round, so
    // that it lands somewhere in the write loop; a round with no write would test nothing.
    const int wanted = 1 + round % 4;
    int changes = 0;
    uint8_t last = 1;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (changes < wanted && std::chrono::steady_clock::now() < give_up) {
      const std::vector<uint8_t> now = read("data/hiscore.dat");
      if (now.size() == 4 && now[0] != last) last = now[0], ++changes;
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_EQ(wanted, changes) << "round " << round << ": expected the file replaced " << wanted
                               << " times before the kill, within a minute";
    const std::vector<uint8_t> bytes = read("data/hiscore.dat");
    ASSERT_EQ(4u, bytes.size()) << "round " << round;
    EXPECT_TRUE(bytes[0] >= 1 && bytes[0] <= 3 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0)
        << "round " << round << ": a torn value " << int(bytes[0]);
  }
}

}  // namespace
