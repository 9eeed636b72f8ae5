// Runs a check in a process of its own, started anew from the test binary (GoogleTest's
// "threadsafe" death-test style re-executes it), for rules about what a process holds from
// its start: state that no test can hand back once it has been drawn on.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

// The check, a callable, returns "" when the rule holds, or what was expected and what came.
#define EXPECT_IN_FRESH_PROCESS(...)                                                   \
  do {                                                                                 \
    GTEST_FLAG_SET(death_test_style, "threadsafe");                                    \
    EXPECT_EXIT(                                                                       \
        {                                                                              \
          const std::string vs_fault = (__VA_ARGS__)();                                   \
          if (!vs_fault.empty()) std::fprintf(stderr, "%s\n", vs_fault.c_str());       \
          std::fflush(stderr);                                                         \
          _exit(vs_fault.empty() ? 0 : 1);                                             \
        },                                                                             \
        ::testing::ExitedWithCode(0), "")                                              \
        << "the check failed in its own process (its words above)";                    \
  } while (0)
