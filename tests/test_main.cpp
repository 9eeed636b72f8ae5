// The main of every GoogleTest binary. SDL turns SIGTERM and SIGINT into a quit request
// that nothing in a test reads, so a hung test could not be stopped by `timeout` or Ctrl+C.
// A handler in place before SDL starts keeps SDL from installing its own (it only replaces
// the default action), and ends the process the usual way for the signal.
#include <gtest/gtest.h>

#include <csignal>

namespace {
void EndAtOnce(int sig) {
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}
}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGTERM, EndAtOnce);
  std::signal(SIGINT, EndAtOnce);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
