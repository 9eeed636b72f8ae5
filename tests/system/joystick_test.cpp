#include <gtest/gtest.h>

#include <SDL.h>

#include "system/input.h"
#include "system/input_internal.h"
#include "system/sdl_system.h"

namespace {
// Attaches a virtual pad and opens it to drive it.
SDL_Joystick* AttachPad(int axes = 6, int buttons = 12, int hats = 1) {
  StartSystemDriver();
  const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
  EXPECT_GE(index, 0) << SDL_GetError();
  return SDL_JoystickOpen(index);
}
}  // namespace

TEST(Joystick, NoDeviceMeansZeroEverywhere) {
  EXPECT_EQ(0, JoystickCount());
  EXPECT_EQ(0.0f, JoystickX(0));
  EXPECT_EQ(0, JoystickHitCount(0, 0));
  EXPECT_EQ(0, JoystickButtonMask(0));
  EXPECT_TRUE(JoystickName(0).empty());
}

TEST(Joystick, MasksAxesAndHat) {
  SDL_Joystick* pad = AttachPad(6, 12, 1);
  ASSERT_EQ(1, JoystickCount());
  EXPECT_EQ(0xFFF, JoystickButtonMask(0));
  EXPECT_EQ(0x3F | 0x200, JoystickAxisMask(0)) << "six axes and the hat bit";
  EXPECT_FALSE(JoystickName(0).empty());
  EXPECT_EQ(-1.0f, JoystickHat(0)) << "centred";
  EXPECT_NEAR(0.0f, JoystickZ(0), 1e-4f) << "an untouched axis reads next to 0";
  SDL_JoystickSetVirtualAxis(pad, 0, SDL_JOYSTICK_AXIS_MIN);
  SDL_JoystickSetVirtualAxis(pad, 1, SDL_JOYSTICK_AXIS_MAX);
  SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_RIGHT);
  EXPECT_EQ(-1.0f, JoystickX(0)) << "full deflection is exactly -1";
  EXPECT_EQ(1.0f, JoystickY(0));
  EXPECT_EQ(0.25f, JoystickHat(0));
  SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_LEFTUP);
  EXPECT_EQ(0.875f, JoystickHat(0));
}

TEST(Joystick, HitsCountRisingEdgesSeenByReads) {
  SDL_Joystick* pad = AttachPad();
  JoystickCount();
  SDL_JoystickSetVirtualButton(pad, 1, 1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(1, IsJoystickButtonDown(1, 0));
  EXPECT_EQ(1, JoystickHitCount(1, 0)) << "held across many reads";
  EXPECT_EQ(0, JoystickHitCount(1, 0));
  EXPECT_EQ(2, JoystickButtons(0));
  SDL_JoystickSetVirtualButton(pad, 0, 1);
  SDL_JoystickSetVirtualButton(pad, 0, 0);
  SDL_JoystickSetVirtualButton(pad, 0, 1);
  EXPECT_EQ(1, JoystickHitCount(0, 0)) << "pressed twice between reads";
}

TEST(Joystick, APadPluggedInLaterTakesTheNextPortAndOldPortsStay) {
  SDL_Joystick* first = AttachPad();
  ASSERT_EQ(1, JoystickCount());
  SDL_JoystickSetVirtualButton(first, 3, 1);
  SDL_Joystick* second = AttachPad(2, 4, 0);
  SDL_PumpEvents();  // SDL reports the new device
  EXPECT_EQ(2, JoystickCount());
  SDL_JoystickSetVirtualButton(second, 2, 1);
  EXPECT_EQ(1, IsJoystickButtonDown(2, 1));
  EXPECT_EQ(0, IsJoystickButtonDown(2, 0)) << "port 0 still answers for the first pad";
  EXPECT_EQ(1, IsJoystickButtonDown(3, 0));
  EXPECT_EQ(0xF, JoystickButtonMask(1));
}

TEST(Joystick, UnpluggedPadKeepsItsLastStateUntilAnotherTakesThePort) {
  SDL_Joystick* pad = AttachPad();
  ASSERT_EQ(1, JoystickCount());
  SDL_JoystickSetVirtualAxis(pad, 0, SDL_JOYSTICK_AXIS_MAX);
  SDL_JoystickSetVirtualButton(pad, 0, 1);
  EXPECT_EQ(1.0f, JoystickX(0));
  SDL_JoystickClose(pad);
  ASSERT_EQ(0, SDL_JoystickDetachVirtual(0));
  EXPECT_EQ(1.0f, JoystickX(0)) << "last state kept";
  EXPECT_EQ(1, IsJoystickButtonDown(0, 0));
  SDL_Joystick* again = AttachPad();
  EXPECT_EQ(1, JoystickCount()) << "the new pad takes the freed port";
  SDL_JoystickSetVirtualAxis(again, 0, SDL_JOYSTICK_AXIS_MIN);
  EXPECT_EQ(-1.0f, JoystickX(0));
}

TEST(Joystick, PortsBeyondFifteenAreAbsent) {
  for (int i = 0; i < 17; ++i) AttachPad(1, 1, 0);
  EXPECT_EQ(16, JoystickCount());
  EXPECT_EQ(0, JoystickButtonMask(16));
  EXPECT_EQ(0, JoystickHitCount(0, 16));
  EXPECT_EQ(0, JoystickHitCount(0, -1));
  EXPECT_EQ(0.0f, JoystickAxisValue(5, 0, 0)) << "a device without range does not divide by zero";
}

// SDL drops the input of every pad while the program has windows and none has the keyboard
// focus, unless told otherwise; a game behind another window or without a window manager
// would read a dead pad.
TEST(Joystick, APadIsReadWhileNoWindowHasTheFocus) {
  SDL_Joystick* pad = AttachPad();
  SDL_Window* window = SDL_CreateWindow("unfocused", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
  ASSERT_NE(nullptr, window) << SDL_GetError();
  ASSERT_EQ(nullptr, SDL_GetKeyboardFocus()) << "the test needs a program without focus";
  SDL_JoystickSetVirtualButton(pad, 4, 1);
  SDL_JoystickSetVirtualAxis(pad, 0, SDL_JOYSTICK_AXIS_MAX);
  EXPECT_EQ(1, IsJoystickButtonDown(4, 0)) << "expected button 4 down with no window focused";
  EXPECT_EQ(1.0f, JoystickX(0)) << "expected full deflection with no window focused";
  SDL_DestroyWindow(window);
}
