#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "system/input.h"
#include "system/input_internal.h"
#include "system/sdl_system.h"

namespace {
// Attaches a virtual pad whose layout SDL does not know, and opens it to drive it.
SDL_Joystick* AttachPad(int axes = 6, int buttons = 12, int hats = 1) {
  StartSystemDriver();
  const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, axes, buttons, hats);
  EXPECT_GE(index, 0) << SDL_GetError();
  EXPECT_FALSE(SDL_IsGameController(index)) << "expected a pad without a known layout";
  return SDL_JoystickOpen(index);
}

// A virtual pad with a layout SDL is told about: its south and east face buttons are its
// third and fourth raw buttons, its d-pad raw buttons 4 to 7 (up, down, left, right).
SDL_Joystick* AttachController() {
  StartSystemDriver();
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
  desc.naxes = 2;
  desc.nbuttons = 8;
  desc.vendor_id = 0x1234;
  desc.product_id = 0x5678;
  desc.name = "Pad with a mapping";
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  EXPECT_GE(index, 0) << SDL_GetError();
  char guid[33];
  SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
  const std::string mapping = std::string(guid) +
      ",Pad with a mapping,x:b0,y:b1,a:b2,b:b3,dpup:b4,dpdown:b5,dpleft:b6,dpright:b7,leftx:a0,lefty:a1,";
  EXPECT_GE(SDL_GameControllerAddMapping(mapping.c_str()), 0) << SDL_GetError();
  EXPECT_TRUE(SDL_IsGameController(index)) << "expected SDL to know the layout now";
  return SDL_JoystickOpen(index);
}

// The pads a test plugs in are unplugged after it and the ports forgotten, so that the next
// test meets no pad, as a process that has read none.
class Joystick : public ::testing::Test {
 protected:
  void TearDown() override {
    for (SDL_Joystick* pad : opened)
      if (pad) SDL_JoystickClose(pad);
    opened.clear();
    ForgetJoystickPorts();
    while (SDL_NumJoysticks() > 0)
      if (SDL_JoystickDetachVirtual(0) != 0) break;
  }
  SDL_Joystick* AttachPad(int axes = 6, int buttons = 12, int hats = 1) {
    opened.push_back(::AttachPad(axes, buttons, hats));
    return opened.back();
  }
  SDL_Joystick* AttachController() {
    opened.push_back(::AttachController());
    return opened.back();
  }
  std::vector<SDL_Joystick*> opened;
};
class GameController : public Joystick {};
}  // namespace

TEST_F(Joystick, NoDeviceMeansZeroEverywhere) {
  EXPECT_EQ(0, JoystickCount());
  EXPECT_EQ(0.0f, JoystickX(0));
  EXPECT_EQ(0, JoystickHitCount(0, 0));
  EXPECT_EQ(0, JoystickButtonMask(0));
  EXPECT_TRUE(JoystickName(0).empty());
}

TEST_F(Joystick, MasksAxesAndHat) {
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

TEST_F(Joystick, HitsCountRisingEdgesSeenByReads) {
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

TEST_F(Joystick, APadPluggedInLaterTakesTheNextPortAndOldPortsStay) {
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

TEST_F(Joystick, UnpluggedPadKeepsItsLastStateUntilAnotherTakesThePort) {
  SDL_Joystick* pad = AttachPad();
  ASSERT_EQ(1, JoystickCount());
  SDL_JoystickSetVirtualAxis(pad, 0, SDL_JOYSTICK_AXIS_MAX);
  SDL_JoystickSetVirtualButton(pad, 0, 1);
  EXPECT_EQ(1.0f, JoystickX(0));
  SDL_JoystickClose(pad);
  opened[0] = nullptr;
  ASSERT_EQ(0, SDL_JoystickDetachVirtual(0));
  EXPECT_EQ(1.0f, JoystickX(0)) << "last state kept";
  EXPECT_EQ(1, IsJoystickButtonDown(0, 0));
  SDL_Joystick* again = AttachPad();
  EXPECT_EQ(1, JoystickCount()) << "the new pad takes the freed port";
  SDL_JoystickSetVirtualAxis(again, 0, SDL_JOYSTICK_AXIS_MIN);
  EXPECT_EQ(-1.0f, JoystickX(0));
}

TEST_F(Joystick, PortsBeyondFifteenAreAbsent) {
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
TEST_F(Joystick, APadIsReadWhileNoWindowHasTheFocus) {
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

// The game steers on JoystickX(0) == -1.0 and +1.0 exactly; a pad's d-pad must do as well
// as its stick, and must not hide the stick when that is pushed.
TEST_F(Joystick, AHeldHatReadsAsTheStickAtFullDeflectionWhileTheStickRests) {
  SDL_Joystick* pad = AttachPad(2, 2, 1);
  ASSERT_EQ(1, JoystickCount());
  SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_LEFT);
  EXPECT_EQ(-1.0f, JoystickX(0)) << "d-pad left";
  EXPECT_NEAR(0.0f, JoystickY(0), 1e-4f) << "d-pad left leaves Y alone";
  SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_RIGHTDOWN);
  EXPECT_EQ(1.0f, JoystickX(0)) << "d-pad right and down";
  EXPECT_EQ(1.0f, JoystickY(0)) << "d-pad right and down";
  EXPECT_EQ(0.375f, JoystickHat(0)) << "the hat itself still reads as a hat";
  SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_UP);
  EXPECT_EQ(-1.0f, JoystickY(0)) << "d-pad up";
  SDL_JoystickSetVirtualAxis(pad, 1, 16384);
  EXPECT_NEAR(0.5f, JoystickY(0), 1e-3f) << "a stick pushed down half way wins over d-pad up";
  SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_CENTERED);
  SDL_JoystickSetVirtualAxis(pad, 1, 0);
  EXPECT_NEAR(0.0f, JoystickX(0), 1e-4f) << "released: the stick's own reading again";
  EXPECT_NEAR(0.0f, JoystickY(0), 1e-4f) << "released: the stick's own reading again";
}

TEST_F(GameController, SouthAndEastFaceButtonsAreButtonsZeroAndOneAndItsDpadSteers) {
  SDL_Joystick* pad = AttachController();
  ASSERT_EQ(1, JoystickCount());
  SDL_JoystickSetVirtualButton(pad, 2, 1);  // south
  EXPECT_EQ(1, IsJoystickButtonDown(0, 0)) << "expected the south face button as button 0";
  EXPECT_EQ(1, JoystickHitCount(0, 0));
  EXPECT_EQ(0, IsJoystickButtonDown(2, 0)) << "expected raw button 2 not to show through";
  SDL_JoystickSetVirtualButton(pad, 2, 0);
  SDL_JoystickSetVirtualButton(pad, 3, 1);  // east
  EXPECT_EQ(1, JoystickHitCount(1, 0)) << "expected the east face button as button 1";
  EXPECT_EQ(0, JoystickHitCount(0, 0));
  SDL_JoystickSetVirtualButton(pad, 6, 1);  // d-pad left
  EXPECT_EQ(-1.0f, JoystickX(0)) << "d-pad left through the mapping";
  EXPECT_EQ(0.75f, JoystickHat(0));
  EXPECT_EQ(0x200, JoystickAxisMask(0) & 0x200) << "a mapped d-pad counts as a hat";
  EXPECT_EQ(0x780F, JoystickButtonMask(0))
      << "expected the four face buttons and the d-pad, at their layout's numbers";
}
