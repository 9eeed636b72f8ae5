// A fixture whose tests each work in a fresh directory that becomes the working directory,
// removed again afterwards, so relative paths in a test touch nothing of the tree's.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

// A test that runs a check in a fresh process (fresh_process.h) runs this set-up there too,
// and that process ends without tearing down: its directory is named after the test's own,
// which removes both.
class TempWorkingDir : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const bool fresh_process = !GTEST_FLAG_GET(internal_run_death_test).empty();
    old_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("vs_" + std::to_string(fresh_process ? ::getppid() : ::getpid()) + "_" +
            test->test_suite_name() + "_" + test->name() + (fresh_process ? "_fresh" : ""));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
    std::filesystem::remove_all(dir_.string() + "_fresh");
  }
  std::filesystem::path old_, dir_;
};
