#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <thread>
#include <vector>

#include "sdl_test_window.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/input.h"
#include "system/system.h"
#include "system/system_internal.h"

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
    AttachHook(EventHookChannel(), Collect);
  }
  void TearDown() override {
    DetachHook(EventHookChannel(), Collect);
    seen.clear();
    SdlWindowTest::TearDown();
  }
  // The events of the given ids that the next poll emits.
  std::vector<TEvent> Pump(std::initializer_list<int32_t> ids) {
    seen.clear();
    PollSystemEvents();
    std::vector<TEvent> out;
    for (const auto& e : seen)
      for (int32_t id : ids)
        if (e.id == id) out.push_back(e);
    return out;
  }
  std::vector<int32_t> Data(std::initializer_list<int32_t> ids) {
    std::vector<int32_t> out;
    for (const auto& e : Pump(ids)) out.push_back(e.data);
    return out;
  }
};
}  // namespace

TEST_F(Translation, HeldKeyGivesOneKeyDownThenRepeats) {
  Down(SDL_SCANCODE_A);
  Repeat(SDL_SCANCODE_A);
  Repeat(SDL_SCANCODE_A);
  Up(SDL_SCANCODE_A);
  std::vector<int32_t> ids;
  for (const auto& e : Pump({EventKeyDown, EventKeyRepeat, EventKeyUp})) {
    ids.push_back(e.id);
    EXPECT_EQ(65, e.data);
    EXPECT_EQ(nullptr, e.source) << "the graphics window raises with a null source";
  }
  EXPECT_EQ((std::vector<int32_t>{EventKeyDown, EventKeyRepeat, EventKeyRepeat, EventKeyUp}), ids);
}

TEST_F(Translation, LeftAndRightModifiersHaveTheirOwnCodesAndSetModBits) {
  Down(SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  Down(SDL_SCANCODE_RCTRL, KMOD_CTRL);
  Down(SDL_SCANCODE_RALT, KMOD_CTRL | KMOD_RALT);
  Down(SDL_SCANCODE_LSHIFT, KMOD_CTRL | KMOD_RALT | KMOD_LSHIFT);
  Down(SDL_SCANCODE_LGUI, KMOD_CTRL | KMOD_RALT | KMOD_LSHIFT | KMOD_LGUI);
  const auto events = Pump({EventKeyDown});
  ASSERT_EQ(5u, events.size());
  const int32_t codes[] = {162, 163, 165, 160, 91}, mods[] = {2, 2, 6, 7, 15};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(codes[i], events[i].data) << "press " << i;
    EXPECT_EQ(mods[i], events[i].mods) << "press " << i << " carries its own modifier already";
  }
}

TEST_F(Translation, UnmappedKeysAndUnregisteredWindowsGiveNothing) {
  Down(SDL_SCANCODE_UNKNOWN);
  SDL_Window* other = SDL_CreateWindow("other", 0, 0, 10, 10, SDL_WINDOW_HIDDEN);
  SDL_Event e{};
  e.key = {SDL_KEYDOWN, 0, SDL_GetWindowID(other), 0, 0, 0, 0, {SDL_SCANCODE_B, SDLK_b, 0, 0}};
  Push(e);
  EXPECT_TRUE(Pump({EventKeyDown}).empty());
  SDL_DestroyWindow(other);
}

TEST_F(Translation, TextBecomesSixteenBitKeyCharsAndControlKeysTypeTheirCharacter) {
  Text("a\xC3\xA9\xF0\x9F\x98\x80");  // a, e-acute, and one character beyond 16 bits
  Down(SDL_SCANCODE_RETURN);
  Down(SDL_SCANCODE_BACKSPACE);
  EXPECT_EQ((std::vector<int32_t>{'a', 0xE9, 0xD83D, 0xDE00, 13, 8}), Data({EventKeyChar}));
}

TEST_F(Translation, MouseDataTellsHeldAndPressedButtons) {
  Motion(1, 1, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK);
  Motion(2, 2, SDL_BUTTON_LMASK | SDL_BUTTON_MMASK);
  Motion(3, 3, SDL_BUTTON_LMASK);
  Motion(4, 5, 0);
  EXPECT_EQ((std::vector<int32_t>{2, 4, 1, 0}), Data({EventMouseMove})) << "right first, then middle";
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
  Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1);  // no framework button
  EXPECT_EQ((std::vector<int32_t>{1, 2, 3}), Data({EventMouseDown, EventMouseUp}));
}

TEST_F(Translation, WheelCountsWholeNotchesAndDropsAHalfOne) {
  Wheel(1.0f);
  Wheel(-1.0f);
  Wheel(0.5f);
  Wheel(-2.0f);
  Wheel(1.0f, 0, 0, SDL_MOUSEWHEEL_FLIPPED);
  EXPECT_EQ((std::vector<int32_t>{1, -1, 0, -2, -1}), Data({EventMouseWheel}));
}

TEST_F(Translation, WindowEventsBecomeAppEventsWithTheWindowSource) {
  auto source = std::make_shared<int>(3);
  TFrameworkWindow w;
  w.source = source;
  Register(w);
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  Window(SDL_WINDOWEVENT_FOCUS_GAINED);
  Window(SDL_WINDOWEVENT_CLOSE);
  std::vector<int32_t> ids;
  for (const auto& e : Pump({EventAppSuspend, EventAppResume, EventAppTerminate})) {
    ids.push_back(e.id);
    EXPECT_EQ(source, e.source);
  }
  EXPECT_EQ((std::vector<int32_t>{EventAppSuspend, EventAppResume, EventAppTerminate}), ids);
}

// SDL's quit request is what SIGTERM and SIGINT become in the game; the test binaries keep
// those signals for ending themselves, so the signal's own way is checked on the real game
// (Program.NothingLostOn_sigterm).
TEST_F(Translation, QuitRequestBecomesAppTerminate) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  Push(quit);
  EXPECT_EQ(1u, Pump({EventAppTerminate}).size());
}

// A program asked to end while it is still starting up, before its first context starts
// input polling, must still end once it looks.
TEST_F(Translation, QuitRequestBeforeInputPollingIsStillTaken) {
  ASSERT_FALSE(InputPollingEnabled());
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  Push(quit);
  PollSystemEvents();
  StartInputPolling();
  EXPECT_EQ(1, TakeAppTerminateRequest());
  EXPECT_EQ(0, TakeAppTerminateRequest());
  StopInputPolling();
}

TEST_F(Translation, PointerEntersAndLeavesTheClientArea) {
  Register({}, 100, 50);
  Motion(10, 10);
  Motion(20, 20);
  Motion(100, 20);  // at the right edge: outside
  Motion(99, 49);
  const auto events = Pump({EventMouseEnter, EventMouseLeave, EventMouseMove});
  std::vector<int32_t> ids;
  for (const auto& e : events) ids.push_back(e.id);
  EXPECT_EQ((std::vector<int32_t>{EventMouseEnter, EventMouseMove, EventMouseMove, EventMouseLeave,
                                  EventMouseMove, EventMouseEnter, EventMouseMove}), ids);
  EXPECT_EQ(100, events[3].x) << "leave reports where the pointer went, not the last position inside";
  EXPECT_EQ(20, events[3].y);
  Window(SDL_WINDOWEVENT_LEAVE);
  EXPECT_EQ(1u, Pump({EventMouseLeave}).size());
}

// A window-leave carries the pointer position SDL holds when it arrives, which may lie past
// every motion the driver saw (a fast pointer, or motion SDL coalesced).
TEST_F(Translation, WindowLeaveCarriesThePositionReadWhenThePointerLeft) {
  TFrameworkWindow w;
  w.to_client = [](float& x, float& y) { x -= 10, y -= 5; };
  Register(w, 100, 50);
  Motion(30, 25);
  ASSERT_EQ(1u, Pump({EventMouseEnter}).size());
  SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
  SDL_WarpMouseInWindow(window, 300, 200);  // SDL's pointer moves; no motion reaches the driver
  SDL_EventState(SDL_MOUSEMOTION, SDL_ENABLE);
  Window(SDL_WINDOWEVENT_LEAVE);
  const auto left = Pump({EventMouseLeave});
  ASSERT_EQ(1u, left.size());
  EXPECT_EQ(290, left[0].x) << "expected the position at leave (300, 200) in client coordinates, not (20, 20)";
  EXPECT_EQ(195, left[0].y);
}

TEST_F(Translation, ClientMappingAppliesToEveryPointerEvent) {
  TFrameworkWindow w;
  w.to_client = [](float& x, float& y) { x = x / 2 - 10, y = y / 2; };
  Register(w);
  Motion(100, 200);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 40, 60);
  Wheel(1.0f, 20, 30);
  std::vector<int32_t> xy;
  for (const auto& e : Pump({EventMouseMove, EventMouseDown, EventMouseWheel})) xy.insert(xy.end(), {e.x, e.y});
  EXPECT_EQ((std::vector<int32_t>{40, 100, 10, 30, 0, 15}), xy);
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
std::shared_ptr<void> PumpAgain(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  PollSystemEvents();  // both must return at once rather than nest
  WaitSystemEvents();
  return data;
}
}  // namespace

TEST_F(Translation, WorkPostedFromAnotherThreadRunsInTheNextPollAndReleasesItsUser) {
  main_id = std::this_thread::get_id();
  ran_value = 0;
  ran_on_main = false;
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
  AttachHook(EventHookChannel(), PumpAgain);
  Down(SDL_SCANCODE_A);
  Down(SDL_SCANCODE_B);
  EXPECT_EQ((std::vector<int32_t>{65, 66}), Data({EventKeyDown})) << "both handled by the outer poll, in order";
  DetachHook(EventHookChannel(), PumpAgain);
}

TEST(MessageBoxAnswers, ButtonIdsMapToResults) {
  EXPECT_EQ(1, ProceedAnswer(0, kBoxButtonYes));
  EXPECT_EQ(0, ProceedAnswer(0, kBoxButtonNo));
  EXPECT_EQ(-1, ProceedAnswer(0, kBoxButtonCancel));
  EXPECT_EQ(-1, ProceedAnswer(0, -1)) << "the box closed by its close button";
  EXPECT_EQ(-1, ProceedAnswer(-1, kBoxButtonYes)) << "a box that could not be shown";
  EXPECT_EQ(1, ConfirmAnswer(0, kBoxButtonOk));
  EXPECT_EQ(0, ConfirmAnswer(0, -1));
  EXPECT_EQ(0, ConfirmAnswer(-1, kBoxButtonOk));
  EXPECT_EQ(0, OpenWithShell(u"--help")) << "text that would pass for an option is refused";
}
