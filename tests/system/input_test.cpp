#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sdl_test_window.h"
#include "system/input.h"
#include "system/system.h"

namespace {
class InputState : public SdlWindowTest {
 protected:
  void SetUp() override {
    SdlWindowTest::SetUp();
    StartInputPolling();
  }
  // Polling stops and what the window's going raised is taken, so that the next test starts
  // polling anew, for every window, with no close request pending.
  void TearDown() override {
    SdlWindowTest::TearDown();
    PollSystemEvents();
    TakeAppTerminateRequest();
    StopInputPolling();
  }
};
}  // namespace

TEST_F(InputState, TwoPressesBetweenCallsCountTwoThenNone) {
  for (int i = 0; i < 2; ++i) {
    Down(SDL_SCANCODE_SPACE);
    Up(SDL_SCANCODE_SPACE);
  }
  EXPECT_EQ(2, KeyHitCount(32));
  EXPECT_EQ(0, KeyHitCount(32)) << "reading the count resets it";
}

TEST_F(InputState, AutoRepeatCountsOneHitAndTheKeyStaysDownUntilRelease) {
  Down(SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  for (int i = 0; i < 5; ++i) Repeat(SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  Down(SDL_SCANCODE_LCTRL, KMOD_LCTRL);  // a second press without release is no new hit
  EXPECT_EQ(1, IsKeyDown(162));
  EXPECT_EQ(1, KeyHitCount(162));
  Up(SDL_SCANCODE_LCTRL);
  EXPECT_EQ(0, IsKeyDown(162));
}

TEST_F(InputState, SuspendClearsHeldKeysSoTheyDoNotStickAfterResume) {
  Down(SDL_SCANCODE_RIGHT);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  EXPECT_EQ(1, IsKeyDown(39));
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_EQ(1, IsAppSuspended());
  EXPECT_EQ(0, IsKeyDown(39));
  EXPECT_EQ(0, MouseHitCount(1));
  Window(SDL_WINDOWEVENT_FOCUS_GAINED);
  EXPECT_EQ(0, IsAppSuspended());
  EXPECT_EQ(0, IsKeyDown(39));
}

TEST_F(InputState, TerminateRequestIsTakenOnce) {
  EXPECT_EQ(0, TakeAppTerminateRequest());
  Window(SDL_WINDOWEVENT_CLOSE);
  EXPECT_EQ(1, TakeAppTerminateRequest());
  EXPECT_EQ(0, TakeAppTerminateRequest());
}

TEST_F(InputState, FlushesKeepThePointerAndEmptyEverythingElse) {
  Motion(123, 45);
  Wheel(1.0f);
  Wheel(2.0f);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
  Down(SDL_SCANCODE_A);
  Text("xy");
  EXPECT_EQ(3, MouseWheelZ());
  EXPECT_EQ(1, IsMouseButtonDown(2));
  FlushMouseState();
  FlushKeyState();
  EXPECT_EQ(123, MousePosX());
  EXPECT_EQ(45, MousePosY());
  EXPECT_EQ(0, MouseWheelZ());
  EXPECT_EQ(0, IsMouseButtonDown(2) + MouseHitCount(2));
  EXPECT_EQ(0, IsKeyDown(65) + KeyHitCount(65));
  EXPECT_EQ(0, NextCharCode());
}

TEST_F(InputState, CharacterQueueHoldsTwoHundredFiftySixAndDropsTheRest) {
  for (int i = 0; i < 300; ++i) {
    const char c[2] = {static_cast<char>('a' + i % 26), 0};
    Text(c);
  }
  int count = 1;
  EXPECT_EQ('a', NextCharCode());
  while (NextCharCode()) ++count;
  EXPECT_EQ(256, count);
}

TEST_F(InputState, PollingWithASourceTakesOnlyThatSourcesEvents) {
  StopInputPolling();
  Down(SDL_SCANCODE_C);
  EXPECT_EQ(0, KeyHitCount(67)) << "stopped polling leaves the tables alone";
  auto mine = std::make_shared<int>(1);
  StartInputPolling(mine);
  Down(SDL_SCANCODE_A);  // source null
  EXPECT_EQ(0, KeyHitCount(65));
  TFrameworkWindow w;
  w.source = mine;
  Register(w);
  Down(SDL_SCANCODE_B);
  EXPECT_EQ(1, KeyHitCount(66));
}

// Keeps pushing input from another thread until the wait under test has taken it, so
// the input cannot slip in before the wait's own flush.
template <typename F>
int32_t WhileFeeding(F feed, int32_t (*wait)()) {
  std::atomic<bool> done{false};
  std::thread feeder([&] {
    while (!done) {
      feed();
      SDL_Delay(5);
    }
  });
  const int32_t result = wait();
  done = true;
  feeder.join();
  return result;
}

TEST_F(InputState, WaitsReturnWhatArrivesAfterTheirFlush) {
  EXPECT_EQ(81, WhileFeeding([this] { Down(SDL_SCANCODE_Q), Up(SDL_SCANCODE_Q); }, WaitForKey));
  EXPECT_EQ('z', WhileFeeding([this] { Text("z"); }, WaitForChar));
  EXPECT_EQ(2, WhileFeeding([this] {
              Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
            }, WaitForMouseButton));
}

TEST_F(InputState, MovedPointerIsReportedInClientCoordinates) {
  TFrameworkWindow w;
  w.to_client = [](float& x, float& y) { x /= 2, y /= 2; };
  w.to_window = [](float& x, float& y) { x *= 2, y *= 2; };
  Register(w);
  MoveMousePointer(320, 250);
  EXPECT_EQ(320, MousePosX());
  EXPECT_EQ(250, MousePosY());
}
