#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sdl_test_window.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/input.h"
#include "system/system.h"

namespace {
std::vector<TEvent> seen;

std::shared_ptr<void> Collect(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  seen.push_back(*std::static_pointer_cast<TEvent>(data));
  return data;
}

class Translation : public SdlWindowTest {
 protected:
  void SetUp() override {
    SdlWindowTest::SetUp();
    PollSystemEvents();  // the window's own start-up events
    seen.clear();
    AttachHook(EventHookChannel(), Collect);
  }
  void TearDown() override {
    DetachHook(EventHookChannel(), Collect);
    SdlWindowTest::TearDown();
  }
  // The events of the given ids seen by the next poll.
  std::vector<TEvent> Pump(std::initializer_list<int32_t> ids) {
    seen.clear();
    PollSystemEvents();
    std::vector<TEvent> out;
    for (const auto& e : seen)
      for (int32_t id : ids)
        if (e.id == id) out.push_back(e);
    return out;
  }
};
}  // namespace

TEST_F(Translation, HeldKeyGivesOneKeyDownThenRepeats) {
  Down(SDL_SCANCODE_A);
  Repeat(SDL_SCANCODE_A);
  Repeat(SDL_SCANCODE_A);
  Up(SDL_SCANCODE_A);
  const auto events = Pump({EventKeyDown, EventKeyRepeat, EventKeyUp});
  ASSERT_EQ(4u, events.size());
  EXPECT_EQ(EventKeyDown, events[0].id);
  EXPECT_EQ(EventKeyRepeat, events[1].id);
  EXPECT_EQ(EventKeyRepeat, events[2].id);
  EXPECT_EQ(EventKeyUp, events[3].id);
  for (const auto& e : events) {
    EXPECT_EQ(65, e.data) << "A is virtual key 65";
    EXPECT_EQ(nullptr, e.source) << "the graphics window raises with a null source";
  }
}

TEST_F(Translation, LeftAndRightModifiersHaveTheirOwnCodesAndSetModBits) {
  Down(SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  Down(SDL_SCANCODE_RCTRL, KMOD_LCTRL | KMOD_RCTRL);
  Down(SDL_SCANCODE_RALT, KMOD_CTRL | KMOD_RALT);
  Down(SDL_SCANCODE_LSHIFT, KMOD_CTRL | KMOD_RALT | KMOD_LSHIFT);
  Down(SDL_SCANCODE_LGUI, KMOD_CTRL | KMOD_RALT | KMOD_LSHIFT | KMOD_LGUI);
  const auto events = Pump({EventKeyDown});
  ASSERT_EQ(5u, events.size());
  EXPECT_EQ(162, events[0].data);
  EXPECT_EQ(163, events[1].data);
  EXPECT_EQ(165, events[2].data);
  EXPECT_EQ(160, events[3].data);
  EXPECT_EQ(91, events[4].data);
  EXPECT_EQ(2, events[0].mods) << "the Control press already carries the Control bit";
  EXPECT_EQ(2 | 4, events[2].mods);
  EXPECT_EQ(1 | 2 | 4 | 8, events[4].mods);
  Up(SDL_SCANCODE_LGUI, KMOD_CTRL | KMOD_RALT | KMOD_LSHIFT);
  const auto up = Pump({EventKeyUp});
  ASSERT_EQ(1u, up.size());
  EXPECT_EQ(7, up[0].mods) << "the release clears the Windows bit";
}

TEST_F(Translation, KeyTableCoversTheKeysOfAUsKeyboard) {
  const std::pair<SDL_Scancode, int32_t> keys[] = {
      {SDL_SCANCODE_Z, 90},       {SDL_SCANCODE_0, 48},        {SDL_SCANCODE_9, 57},
      {SDL_SCANCODE_F1, 112},     {SDL_SCANCODE_F12, 123},     {SDL_SCANCODE_LEFT, 37},
      {SDL_SCANCODE_UP, 38},      {SDL_SCANCODE_RIGHT, 39},    {SDL_SCANCODE_DOWN, 40},
      {SDL_SCANCODE_RETURN, 13},  {SDL_SCANCODE_ESCAPE, 27},   {SDL_SCANCODE_SPACE, 32},
      {SDL_SCANCODE_TAB, 9},      {SDL_SCANCODE_BACKSPACE, 8}, {SDL_SCANCODE_INSERT, 45},
      {SDL_SCANCODE_DELETE, 46},  {SDL_SCANCODE_HOME, 36},     {SDL_SCANCODE_END, 35},
      {SDL_SCANCODE_PAGEUP, 33},  {SDL_SCANCODE_PAGEDOWN, 34}, {SDL_SCANCODE_KP_ENTER, 13},
      {SDL_SCANCODE_KP_PLUS, 107}, {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_SEMICOLON, 186},
      {SDL_SCANCODE_SLASH, 191},  {SDL_SCANCODE_GRAVE, 192},   {SDL_SCANCODE_APOSTROPHE, 222},
      {SDL_SCANCODE_RSHIFT, 161}, {SDL_SCANCODE_LALT, 164},    {SDL_SCANCODE_RGUI, 92}};
  for (const auto& [code, vk] : keys) EXPECT_EQ(vk, VirtualKeyOf(code, true)) << "scancode " << code;
  EXPECT_EQ(96, VirtualKeyOf(SDL_SCANCODE_KP_0, true)) << "pad 0 with Num Lock";
  EXPECT_EQ(45, VirtualKeyOf(SDL_SCANCODE_KP_0, false)) << "pad 0 without Num Lock is Insert";
  EXPECT_EQ(105, VirtualKeyOf(SDL_SCANCODE_KP_9, true));
  EXPECT_EQ(33, VirtualKeyOf(SDL_SCANCODE_KP_9, false));
  EXPECT_EQ(0, VirtualKeyOf(SDL_SCANCODE_UNKNOWN, true));
}

TEST_F(Translation, UnmappedKeysAndUnregisteredWindowsGiveNothing) {
  Down(SDL_SCANCODE_UNKNOWN);
  SDL_Window* other = SDL_CreateWindow("other", 0, 0, 10, 10, SDL_WINDOW_HIDDEN);
  ASSERT_NE(nullptr, other);
  Key(SDL_KEYDOWN, SDL_SCANCODE_B, 0, 0, SDL_GetWindowID(other));
  EXPECT_TRUE(Pump({EventKeyDown}).empty());
  SDL_DestroyWindow(other);
}

TEST_F(Translation, TextBecomesKeyCharsAndControlKeysTypeTheirCharacter) {
  Text("a\xC3\xA9\xF0\x9F\x98\x80");  // a, e-acute, and one character beyond 16 bits
  Down(SDL_SCANCODE_RETURN);
  Down(SDL_SCANCODE_BACKSPACE);
  const auto chars = Pump({EventKeyChar});
  ASSERT_EQ(6u, chars.size());
  EXPECT_EQ('a', chars[0].data);
  EXPECT_EQ(0xE9, chars[1].data);
  EXPECT_EQ(0xD83D, chars[2].data) << "as a surrogate pair of 16-bit characters";
  EXPECT_EQ(0xDE00, chars[3].data);
  EXPECT_EQ(13, chars[4].data);
  EXPECT_EQ(8, chars[5].data);
}

TEST_F(Translation, MouseMoveDataTellsTheHeldButtonRightFirst) {
  Motion(1, 1, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK);
  Motion(2, 2, SDL_BUTTON_LMASK | SDL_BUTTON_MMASK);
  Motion(3, 3, SDL_BUTTON_LMASK);
  Motion(4, 5, 0);
  const auto moves = Pump({EventMouseMove});
  ASSERT_EQ(4u, moves.size());
  EXPECT_EQ(2, moves[0].data);
  EXPECT_EQ(4, moves[1].data);
  EXPECT_EQ(1, moves[2].data);
  EXPECT_EQ(0, moves[3].data);
  EXPECT_EQ(4, moves[3].x);
  EXPECT_EQ(5, moves[3].y);
}

TEST_F(Translation, ButtonsAreNumberedLeftRightMiddle) {
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
  Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1);  // no framework button
  const auto events = Pump({EventMouseDown, EventMouseUp});
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ(1, events[0].data);
  EXPECT_EQ(10, events[0].x);
  EXPECT_EQ(20, events[0].y);
  EXPECT_EQ(2, events[1].data);
  EXPECT_EQ(EventMouseUp, events[2].id);
  EXPECT_EQ(3, events[2].data);
}

TEST_F(Translation, WheelCountsWholeNotchesAndDropsAHalfOne) {
  Wheel(1.0f, 7, 8);
  Wheel(-1.0f);
  Wheel(0.5f);
  Wheel(-2.0f);
  Wheel(1.0f, 0, 0, SDL_MOUSEWHEEL_FLIPPED);
  const auto events = Pump({EventMouseWheel});
  ASSERT_EQ(5u, events.size());
  EXPECT_EQ(1, events[0].data) << "a notch away from the user";
  EXPECT_EQ(7, events[0].x);
  EXPECT_EQ(8, events[0].y);
  EXPECT_EQ(-1, events[1].data);
  EXPECT_EQ(0, events[2].data) << "half a notch";
  EXPECT_EQ(-2, events[3].data);
  EXPECT_EQ(-1, events[4].data) << "a flipped wheel reports the physical direction";
}

TEST_F(Translation, WindowEventsBecomeAppEventsWithTheWindowSource) {
  auto source = std::make_shared<int>(3);
  TFrameworkWindow w;
  w.source = source;
  w.client_width = 640;
  w.client_height = 480;
  Register(w);
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  Window(SDL_WINDOWEVENT_FOCUS_GAINED);
  Window(SDL_WINDOWEVENT_CLOSE);
  const auto events = Pump({EventAppSuspend, EventAppResume, EventAppTerminate});
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ(EventAppSuspend, events[0].id);
  EXPECT_EQ(EventAppResume, events[1].id);
  EXPECT_EQ(EventAppTerminate, events[2].id);
  for (const auto& e : events) EXPECT_EQ(source, e.source);
}

TEST_F(Translation, QuitRequestAndSigtermBecomeAppTerminate) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  Push(quit);
  EXPECT_EQ(1u, Pump({EventAppTerminate}).size());
  raise(SIGTERM);  // SDL's handler turns it into a quit request
  EXPECT_EQ(1u, Pump({EventAppTerminate}).size());
}

TEST_F(Translation, PointerEntersAndLeavesTheClientArea) {
  TFrameworkWindow w;
  w.client_width = 100;
  w.client_height = 50;
  Register(w);
  Motion(10, 10);
  Motion(20, 20);
  Motion(100, 20);  // at the right edge: outside
  Motion(99, 49);
  const auto events = Pump({EventMouseEnter, EventMouseLeave, EventMouseMove});
  std::vector<int32_t> ids;
  for (const auto& e : events) ids.push_back(e.id);
  EXPECT_EQ((std::vector<int32_t>{EventMouseEnter, EventMouseMove, EventMouseMove, EventMouseLeave,
                                  EventMouseMove, EventMouseEnter, EventMouseMove}),
            ids);
  EXPECT_EQ(20, events[3].x) << "leave reports the last position inside";
  Window(SDL_WINDOWEVENT_LEAVE);
  EXPECT_EQ(1u, Pump({EventMouseLeave}).size());
}

TEST_F(Translation, ClientMappingAppliesToEveryPointerEvent) {
  TFrameworkWindow w;
  w.client_width = 640;
  w.client_height = 480;
  w.to_client = [](float& x, float& y) { x = x / 2 - 10, y = y / 2; };
  Register(w);
  Motion(100, 200);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 40, 60);
  Wheel(1.0f, 20, 30);
  const auto events = Pump({EventMouseMove, EventMouseDown, EventMouseWheel});
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ(40, events[0].x);
  EXPECT_EQ(100, events[0].y);
  EXPECT_EQ(10, events[1].x);
  EXPECT_EQ(30, events[1].y);
  EXPECT_EQ(0, events[2].x);
  EXPECT_EQ(15, events[2].y);
}

TEST_F(Translation, OnEventSeesTheSdlEventFirst) {
  std::vector<uint32_t> types;
  TFrameworkWindow w;
  w.client_width = 640;
  w.client_height = 480;
  w.on_event = [&types](const SDL_Event& e) {
    types.push_back(e.type);
    EXPECT_TRUE(seen.empty()) << "before any event of it is emitted";
  };
  Register(w);
  Down(SDL_SCANCODE_X);
  Pump({});
  ASSERT_EQ(1u, types.size());
  EXPECT_EQ(static_cast<uint32_t>(SDL_KEYDOWN), types[0]);
}

TEST_F(Translation, HiddenPointerShowsAgainOutsideTheWindow) {
  HideMousePointer();
  Motion(10, 10);
  Pump({});
  EXPECT_EQ(SDL_DISABLE, SDL_ShowCursor(SDL_QUERY)) << "hidden over the window";
  Motion(-1, 10);
  Pump({});
  EXPECT_EQ(SDL_ENABLE, SDL_ShowCursor(SDL_QUERY)) << "shown once it leaves, without a call";
  Motion(5, 5);
  Pump({});
  EXPECT_EQ(SDL_DISABLE, SDL_ShowCursor(SDL_QUERY));
  ShowMousePointer();
  EXPECT_EQ(SDL_ENABLE, SDL_ShowCursor(SDL_QUERY));
}

namespace {
std::atomic<int> ran_value{0};
std::atomic<bool> ran_on_main{false};
std::thread::id main_id;
void RunOnMain(const std::shared_ptr<void>& user, int32_t value) {
  ran_value = value + *std::static_pointer_cast<int>(user);
  ran_on_main = std::this_thread::get_id() == main_id;
}
std::shared_ptr<void> PollAgain(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  PollSystemEvents();  // must return at once rather than nest
  WaitSystemEvents();
  return data;
}
}  // namespace

TEST_F(Translation, WorkPostedFromAnotherThreadRunsInTheNextPollAndReleasesItsUser) {
  main_id = std::this_thread::get_id();
  auto user = std::make_shared<int>(5);
  std::weak_ptr<int> watch = user;
  std::thread([u = std::move(user)]() mutable { PostToMainThread(RunOnMain, std::move(u), 10); }).join();
  EXPECT_EQ(0, ran_value.load()) << "nothing runs before the main thread pumps";
  PollSystemEvents();
  EXPECT_EQ(15, ran_value.load());
  EXPECT_TRUE(ran_on_main.load());
  EXPECT_TRUE(watch.expired()) << "the record's reference on the user object is gone";
}

TEST_F(Translation, PumpingFromInsideAHookReturnsAtOnce) {
  AttachHook(EventHookChannel(), PollAgain);
  Down(SDL_SCANCODE_A);
  Down(SDL_SCANCODE_B);
  EXPECT_EQ(2u, Pump({EventKeyDown}).size()) << "both handled by the outer poll, in order";
  DetachHook(EventHookChannel(), PollAgain);
}

TEST_F(Translation, WaitReturnsWhenAnEventArrives) {
  std::thread([] {
    SDL_Delay(30);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  }).detach();
  seen.clear();
  while (seen.empty()) WaitSystemEvents();
  EXPECT_EQ(EventAppTerminate, seen.back().id);
}

TEST(MessageBoxAnswers, ButtonIdsMapToResults) {
  EXPECT_EQ(1, ProceedAnswer(0, kBoxButtonYes));
  EXPECT_EQ(0, ProceedAnswer(0, kBoxButtonNo));
  EXPECT_EQ(-1, ProceedAnswer(0, kBoxButtonCancel));
  EXPECT_EQ(-1, ProceedAnswer(0, -1)) << "the box closed by its close button";
  EXPECT_EQ(-1, ProceedAnswer(-1, kBoxButtonYes)) << "a box that could not be shown";
  EXPECT_EQ(1, ConfirmAnswer(0, kBoxButtonOk));
  EXPECT_EQ(0, ConfirmAnswer(0, kBoxButtonCancel));
  EXPECT_EQ(0, ConfirmAnswer(0, -1));
  EXPECT_EQ(0, ConfirmAnswer(-1, kBoxButtonOk));
}

TEST(ShellHandover, OptionLikeTextIsRefused) {
  EXPECT_EQ(0, OpenWithShell(u"--help"));
  EXPECT_EQ(0, OpenWithShell(u""));
}

TEST(LocalTimeTexts, HaveTheirFormats) {
  const std::u16string date = CurrentDateText(), time = CurrentTimeText();
  ASSERT_EQ(8u, time.size());
  EXPECT_EQ(u':', time[2]);
  EXPECT_EQ(u':', time[5]);
  ASSERT_GE(date.size(), 10u);  // "08 Dec 2026"
  EXPECT_EQ(u' ', date[2]);
  EXPECT_EQ(u' ', date[6]);
}
