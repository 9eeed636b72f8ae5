#include <gtest/gtest.h>

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
  void TearDown() override {
    StopInputPolling();
    SdlWindowTest::TearDown();
  }
};
}  // namespace

TEST_F(InputState, TwoPressesBetweenCallsCountTwoThenNone) {
  Down(SDL_SCANCODE_SPACE);
  Up(SDL_SCANCODE_SPACE);
  Down(SDL_SCANCODE_SPACE);
  Up(SDL_SCANCODE_SPACE);
  EXPECT_EQ(2, KeyHitCount(32));
  EXPECT_EQ(0, KeyHitCount(32)) << "reading the count resets it";
}

TEST_F(InputState, AutoRepeatCountsOneHitAndTheKeyStaysDownUntilRelease) {
  Down(SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  for (int i = 0; i < 5; ++i) Repeat(SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  EXPECT_EQ(1, IsKeyDown(162));
  EXPECT_EQ(1, KeyHitCount(162));
  Up(SDL_SCANCODE_LCTRL);
  EXPECT_EQ(0, IsKeyDown(162));
  EXPECT_EQ(0, KeyHitCount(162));
}

TEST_F(InputState, ASecondDownWithoutUpIsNoNewHit) {
  Down(SDL_SCANCODE_LEFT);
  Down(SDL_SCANCODE_LEFT);
  EXPECT_EQ(1, KeyHitCount(37));
  EXPECT_EQ(1, IsKeyDown(37));
}

TEST_F(InputState, SuspendClearsHeldKeysSoTheyDoNotStickAfterResume) {
  Down(SDL_SCANCODE_RIGHT);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  EXPECT_EQ(1, IsKeyDown(39));
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_EQ(1, IsAppSuspended());
  EXPECT_EQ(0, IsKeyDown(39));
  EXPECT_EQ(0, IsMouseButtonDown(1));
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

TEST_F(InputState, MouseFlushKeepsThePointerAndZeroesTheWheel) {
  Motion(123, 45);
  Wheel(1.0f);
  Wheel(2.0f);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
  EXPECT_EQ(3, MouseWheelZ());
  EXPECT_EQ(1, IsMouseButtonDown(2));
  FlushMouseState();
  EXPECT_EQ(123, MousePosX());
  EXPECT_EQ(45, MousePosY());
  EXPECT_EQ(0, MouseWheelZ());
  EXPECT_EQ(0, IsMouseButtonDown(2));
  EXPECT_EQ(0, MouseHitCount(2));
}

TEST_F(InputState, KeyFlushEmptiesKeysAndCharacters) {
  Down(SDL_SCANCODE_A);
  Text("xy");
  FlushKeyState();
  EXPECT_EQ(0, IsKeyDown(65));
  EXPECT_EQ(0, KeyHitCount(65));
  EXPECT_EQ(0, NextCharCode());
}

TEST_F(InputState, CharacterQueueHoldsTwoHundredFiftySixAndDropsTheRest) {
  for (int i = 0; i < 300; ++i) {
    const char c[2] = {static_cast<char>('a' + i % 26), 0};
    Text(c);
  }
  int count = 0, first = NextCharCode();
  ++count;
  while (NextCharCode()) ++count;
  EXPECT_EQ('a', first);
  EXPECT_EQ(256, count);
}

TEST_F(InputState, MouseButtonsAndHitsByNumber) {
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
  EXPECT_EQ(1, MouseHitCount(1));
  EXPECT_EQ(0, IsMouseButtonDown(1));
  EXPECT_EQ(1, IsMouseButtonDown(3));
  EXPECT_EQ(0, MouseHitCount(2));
  EXPECT_EQ(0, MouseHitCount(9)) << "no such button";
  EXPECT_EQ(0, IsKeyDown(300)) << "no such key";
}

TEST_F(InputState, PollingWithASourceTakesOnlyThatSourcesEvents) {
  StopInputPolling();
  auto mine = std::make_shared<int>(1);
  StartInputPolling(mine);
  Down(SDL_SCANCODE_A);  // from the graphics window, source null
  EXPECT_EQ(0, KeyHitCount(65));
  TFrameworkWindow w;
  w.source = mine;
  w.client_width = 640;
  w.client_height = 480;
  Register(w);
  Down(SDL_SCANCODE_B);
  EXPECT_EQ(1, KeyHitCount(66));
}

TEST_F(InputState, StoppedPollingLeavesTheTablesAlone) {
  StopInputPolling();
  Down(SDL_SCANCODE_A);
  EXPECT_EQ(0, KeyHitCount(65));
  StartInputPolling();
  Down(SDL_SCANCODE_A);
  EXPECT_EQ(1, KeyHitCount(65));
}

TEST_F(InputState, WaitForKeyReturnsTheFirstKeyPressedAfterTheFlush) {
  Down(SDL_SCANCODE_B);  // before the wait: flushed away
  std::thread([this] {
    SDL_Delay(20);
    Down(SDL_SCANCODE_Q);
  }).detach();
  EXPECT_EQ(81, WaitForKey());
}

TEST_F(InputState, WaitForCharAndMouseButton) {
  std::thread([this] {
    SDL_Delay(10);
    Text("z");
  }).detach();
  EXPECT_EQ('z', WaitForChar());
  std::thread([this] {
    SDL_Delay(10);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
  }).detach();
  EXPECT_EQ(2, WaitForMouseButton());
}

TEST_F(InputState, MovedPointerIsReportedInClientCoordinates) {
  TFrameworkWindow w;
  w.client_width = 640;
  w.client_height = 480;
  w.to_client = [](float& x, float& y) { x /= 2, y /= 2; };
  w.to_window = [](float& x, float& y) { x *= 2, y *= 2; };
  Register(w);
  MoveMousePointer(320, 250);
  EXPECT_EQ(320, MousePosX());
  EXPECT_EQ(250, MousePosY());
}
