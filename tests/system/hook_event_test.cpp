#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stream/core.h"
#include "system/event.h"
#include "system/hook.h"

namespace {
std::vector<int> hook_order;

template <int N>
std::shared_ptr<void> Record(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  hook_order.push_back(N);
  return data;
}

std::shared_ptr<void> AddContext(int32_t, const std::shared_ptr<void>& data,
                                 const std::shared_ptr<void>& context) {
  return std::make_shared<int>(*std::static_pointer_cast<int>(data) + *std::static_pointer_cast<int>(context));
}

std::shared_ptr<void> DetachSelf(int32_t id, const std::shared_ptr<void>& data, const std::shared_ptr<void>&);
std::shared_ptr<void> DetachSelf(int32_t id, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  hook_order.push_back(99);
  DetachHook(id, DetachSelf);
  return data;
}

std::string Text(const std::u16string& s) { return TextToBytes(s); }
}  // namespace

TEST(HookChain, EqualPrioritiesRunInAttachOrderBeforeLowerOnes) {
  hook_order.clear();
  const int32_t id = AllocateHookChannel();
  AttachHook(id, Record<0>, {}, 0);
  AttachHook(id, Record<1>, {}, 5);
  AttachHook(id, Record<2>, {}, 5);
  AttachHook(id, Record<3>, {}, -3);
  AttachHook(id, Record<4>, {}, 10);
  RunHookChain(id, nullptr);
  EXPECT_EQ((std::vector<int>{4, 1, 2, 0, 3}), hook_order);
}

TEST(HookChain, EachHookGetsThePreviousResultAndItsContext) {
  const int32_t id = AllocateHookChannel();
  AttachHook(id, AddContext, std::make_shared<int>(10));
  AttachHook(id, AddContext, std::make_shared<int>(100));
  auto result = std::static_pointer_cast<int>(RunHookChain(id, std::make_shared<int>(1)));
  ASSERT_TRUE(result);
  EXPECT_EQ(111, *result);
}

TEST(HookChain, DetachRemovesOnlyTheFirstMatchOfFunctionAndContext) {
  hook_order.clear();
  const int32_t id = AllocateHookChannel();
  auto a = std::make_shared<int>(0), b = std::make_shared<int>(0);
  AttachHook(id, Record<1>, a);
  AttachHook(id, Record<2>, b);
  AttachHook(id, Record<1>, a);
  DetachHook(id, Record<1>, b);  // no such pair: nothing happens
  DetachHook(id, Record<1>, a);
  RunHookChain(id, nullptr);
  EXPECT_EQ((std::vector<int>{2, 1}), hook_order);
}

TEST(HookChain, AHookMayDetachItselfWhileTheChainRuns) {
  hook_order.clear();
  const int32_t id = AllocateHookChannel();
  AttachHook(id, DetachSelf, {}, 1);
  AttachHook(id, Record<7>, {}, 0);
  RunHookChain(id, nullptr);
  RunHookChain(id, nullptr);
  EXPECT_EQ((std::vector<int>{99, 7, 7}), hook_order);
}

TEST(HookChain, AnEmptyChainReturnsItsData) {
  auto data = std::make_shared<int>(5);
  EXPECT_EQ(data, RunHookChain(AllocateHookChannel(), data));
}

TEST(HookChain, TheTwoHundredFiftySeventhChannelIsRefused) {
  int32_t last = -1;
  for (int i = 0; i < 256; ++i) last = AllocateHookChannel();
  EXPECT_EQ(255, last);
  try {
    AllocateHookChannel();
    FAIL() << "expected \"Too many hook ids\"";
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ("Too many hook ids", e.what());
  }
}

TEST(HookChain, AnUnsetFunctionRaisesTheNullFunctionError) {
  const int32_t id = AllocateHookChannel();
  AttachHook(id, nullptr);
  try {
    RunHookChain(id, nullptr);
    FAIL() << "expected the null-function error";
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ("Attempt to call uninitialized function pointer", e.what());
  }
}

TEST(HookChain, ABadChannelIdIsAnErrorNotAWildWrite) {
  EXPECT_THROW(AttachHook(256, Record<0>), TRuntimeError);
  EXPECT_THROW(RunHookChain(-1, nullptr), TRuntimeError);
}

TEST(EventText, NamesDataAndStringExtra) {
  auto e = TEvent::Create(EventKeyDown, nullptr, 65, 3, -4, 7, std::u16string(u"hi"));
  EXPECT_EQ("KeyDown: data=65, mods=3, x=-4, y=7, extra=\"hi\"", Text(e->ToString()));
  e->extra = std::make_shared<int>(1);  // not a string: shown empty
  EXPECT_EQ("KeyDown: data=65, mods=3, x=-4, y=7, extra=\"\"", Text(e->ToString()));
}

TEST(EventText, UserAndUnknownIds) {
  const int32_t first = TEvent::AllocUserId();
  const int32_t second = TEvent::AllocUserId();
  EXPECT_EQ(static_cast<int32_t>(0x80000001u), first);
  EXPECT_EQ(static_cast<int32_t>(0x80000002u), second);
  EXPECT_EQ("UserEvent2", Text(EventIdName(second)));
  EXPECT_EQ("Unknown Event, id=7", Text(EventIdName(7)));
  EXPECT_EQ("Unknown Event, id=262", Text(EventIdName(262)));
}

TEST(EventText, EveryTableIdHasItsName) {
  const std::pair<int32_t, const char*> table[] = {
      {257, "AppSuspend"}, {258, "AppResume"}, {259, "AppTerminate"}, {260, "AppOpenFile"},
      {261, "AppIdle"}, {513, "KeyDown"}, {514, "KeyUp"}, {515, "KeyChar"}, {516, "KeyRepeat"},
      {1025, "MouseDown"}, {1026, "MouseUp"}, {1027, "MouseMove"}, {1028, "MouseWheel"},
      {1029, "MouseEnter"}, {1030, "MouseLeave"}, {2049, "TimerTick"}, {8193, "GadgetAction"},
      {8194, "GadgetPaint"}, {8195, "GadgetSelect"}, {8196, "GadgetMenu"}, {8197, "GadgetOpen"},
      {8198, "GadgetClose"}, {8199, "GadgetDone"}, {8200, "GadgetLostFocus"},
      {8201, "GadgetShape"}, {16385, "WindowMove"}, {16386, "WindowSize"},
      {16387, "WindowClose"}, {16388, "WindowActivate"}, {16389, "WindowAccept"},
      {32769, "MenuAction"}, {65537, "StreamEof"}, {65538, "StreamAvail"},
      {131073, "ProcessExit"}};
  for (const auto& [id, name] : table) EXPECT_EQ(name, Text(EventIdName(id))) << "id " << id;
}

TEST(EventQueue, TicksOfOneSourceMergeIntoTheQueuedOne) {
  EnableEventQueue();
  auto timer_a = std::make_shared<int>(0), timer_b = std::make_shared<int>(0);
  TEvent::Create(EventTimerTick, timer_a, 1)->Emit();
  TEvent::Create(EventTimerTick, timer_b, 1)->Emit();
  TEvent::Create(EventTimerTick, timer_a, 2, 0, 5, 6)->Emit();
  TEvent::Create(EventKeyDown, nullptr, 32)->Emit();
  TEvent::Create(EventKeyDown, nullptr, 32)->Emit();  // keys never merge
  EXPECT_EQ(4, QueuedEventCount());
  ASSERT_EQ(EventTimerTick, PollEvent());
  EXPECT_EQ(timer_a, EventSource());
  EXPECT_EQ(2, EventData()) << "the queued tick takes the later tick's data";
  EXPECT_EQ(5, EventX());
  EXPECT_EQ(EventTimerTick, PollEvent());
  EXPECT_EQ(timer_b, EventSource());
  EXPECT_EQ(EventKeyDown, PollEvent());
  EXPECT_EQ(EventKeyDown, PollEvent());
}

TEST(EventQueue, MergesWindowMovesAndSizesButNotOtherWindowEvents) {
  EnableEventQueue();
  for (int i = 0; i < 3; ++i) {
    TEvent::Create(EventWindowMove, nullptr, i)->Emit();
    TEvent::Create(EventWindowSize, nullptr, i)->Emit();
    TEvent::Create(EventGadgetAction, nullptr, i)->Emit();
    TEvent::Create(EventWindowClose, nullptr, i)->Emit();
  }
  EXPECT_EQ(6, QueuedEventCount());
}

TEST(EventQueue, DropsEventsBeyondTwoHundredFiftySix) {
  EnableEventQueue();
  for (int i = 0; i < 300; ++i) TEvent::Create(EventKeyChar, nullptr, i)->Emit();
  EXPECT_EQ(256, QueuedEventCount());
  PeekEvent();
  ASSERT_TRUE(PeekEvent());
  EXPECT_EQ(0, PeekEvent()->data) << "the oldest events stay, the newest are dropped";
  int last = -1;
  while (PollEvent()) last = EventData();
  EXPECT_EQ(255, last);
  EXPECT_EQ(0, EventID()) << "an empty take leaves no current event";
  EXPECT_FALSE(CurrentEvent());
}

TEST(EventQueue, ReadersShowTheCurrentEvent) {
  EnableEventQueue();
  auto source = std::make_shared<int>(0);
  TEvent::Create(EventMouseDown, source, 2, 1, 30, 40, std::u16string(u"x"))->Emit();
  ASSERT_EQ(EventMouseDown, PollEvent());
  EXPECT_EQ(2, EventData());
  EXPECT_EQ(1, EventMods());
  EXPECT_EQ(30, EventX());
  EXPECT_EQ(40, EventY());
  EXPECT_EQ("x", Text(EventText()));
  EXPECT_EQ(source, EventSource());
}
