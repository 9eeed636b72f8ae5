#include <gtest/gtest.h>

#include <vector>

#include "stream/core.h"
#include "system/event.h"
#include "system/hook.h"
#include "tests/fresh_process.h"

namespace {
std::vector<int> order;

template <int N>
std::shared_ptr<void> Record(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  order.push_back(N);
  return data;
}

std::shared_ptr<void> AddContext(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>& context) {
  return std::make_shared<int>(*std::static_pointer_cast<int>(data) + *std::static_pointer_cast<int>(context));
}

std::shared_ptr<void> DetachSelf(int32_t id, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  order.push_back(99);
  DetachHook(id, DetachSelf);
  return data;
}

std::string Text(const std::u16string& s) { return TextToBytes(s); }

// Hook channels are never given back, so each test takes fresh ones; what it records is its own.
class HookChain : public ::testing::Test {
 protected:
  void SetUp() override { order.clear(); }
  void TearDown() override { order.clear(); }
};

// The queue is process-wide: each test starts and leaves it empty.
class EventQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    EnableEventQueue();
    while (PollEvent()) {}
  }
  void TearDown() override {
    while (PollEvent()) {}
  }
};
}  // namespace

TEST_F(HookChain, EqualPrioritiesRunInAttachOrderBeforeLowerOnes) {
  const int32_t id = AllocateHookChannel();
  AttachHook(id, Record<0>, {}, 0);
  AttachHook(id, Record<1>, {}, 5);
  AttachHook(id, Record<2>, {}, 5);
  AttachHook(id, Record<3>, {}, -3);
  AttachHook(id, Record<4>, {}, 10);
  RunHookChain(id, nullptr);
  EXPECT_EQ((std::vector<int>{4, 1, 2, 0, 3}), order);
}

TEST_F(HookChain, EachHookGetsThePreviousResultAndItsContext) {
  const int32_t id = AllocateHookChannel();
  AttachHook(id, AddContext, std::make_shared<int>(10));
  AttachHook(id, AddContext, std::make_shared<int>(100));
  EXPECT_EQ(111, *std::static_pointer_cast<int>(RunHookChain(id, std::make_shared<int>(1))));
}

TEST_F(HookChain, DetachRemovesTheFirstMatchAndAHookMayDetachItself) {
  const int32_t id = AllocateHookChannel();
  auto a = std::make_shared<int>(0), b = std::make_shared<int>(0);
  AttachHook(id, DetachSelf, {}, 1);
  AttachHook(id, Record<1>, a);
  AttachHook(id, Record<2>, b);
  AttachHook(id, Record<1>, a);
  DetachHook(id, Record<1>, b);  // no such pair: nothing happens
  DetachHook(id, Record<1>, a);
  RunHookChain(id, nullptr);
  RunHookChain(id, nullptr);
  EXPECT_EQ((std::vector<int>{99, 2, 1, 2, 1}), order);
}

// Channels and user ids are handed out once per process, counted from its start.
TEST(FreshProcess, TheTwoHundredFiftySeventhChannelIsRefusedAndUserIdsStartAt0x80000001) {
  EXPECT_IN_FRESH_PROCESS([]() -> std::string {
    const int32_t first_user = TEvent::AllocUserId();
    if (first_user != static_cast<int32_t>(0x80000001u))
      return "expected the first user id 0x80000001, got " + std::to_string(first_user);
    int32_t taken = 0;
    try {
      while (taken < 300) AllocateHookChannel(), ++taken;
    } catch (const TRuntimeError& e) {
      if (std::string(e.what()) != "Too many hook ids")
        return std::string("expected \"Too many hook ids\", got \"") + e.what() + "\"";
    }
    if (taken != 256) return "expected 256 channels before the refusal, got " + std::to_string(taken);
    return "";
  });
}

TEST_F(HookChain, AnUnsetFunctionOrABadChannelRaises) {
  const int32_t id = AllocateHookChannel();
  AttachHook(id, nullptr);
  try {
    RunHookChain(id, nullptr);
    FAIL() << "expected the null-function error";
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ("Attempt to call uninitialized function pointer", e.what());
  }
  EXPECT_THROW(AttachHook(256, Record<0>), TRuntimeError) << "rather than writing past the table";
}

TEST(EventText, NamesUserAndUnknownIdsAndShowsOnlyStringExtras) {
  auto e = TEvent::Create(EventKeyDown, nullptr, 65, 3, -4, 7, std::u16string(u"hi"));
  EXPECT_EQ("KeyDown: data=65, mods=3, x=-4, y=7, extra=\"hi\"", Text(e->ToString()));
  e->extra = std::make_shared<int>(1);
  EXPECT_EQ("KeyDown: data=65, mods=3, x=-4, y=7, extra=\"\"", Text(e->ToString()));
  const int32_t first = TEvent::AllocUserId(), second = TEvent::AllocUserId();
  EXPECT_EQ(first + 1, second) << "user ids are handed out in turn";
  EXPECT_EQ("UserEvent" + std::to_string(second - static_cast<int32_t>(0x80000000u)), Text(EventIdName(second)));
  EXPECT_EQ("Unknown Event, id=262", Text(EventIdName(262)));
  EXPECT_EQ("GadgetLostFocus", Text(EventIdName(8200)));
  EXPECT_EQ("ProcessExit", Text(EventIdName(131073)));
}

TEST_F(EventQueue, TicksOfOneSourceMergeIntoTheQueuedOne) {
  EnableEventQueue();
  auto timer_a = std::make_shared<int>(0), timer_b = std::make_shared<int>(0);
  TEvent::Create(EventTimerTick, timer_a, 1)->Emit();
  TEvent::Create(EventTimerTick, timer_b, 1)->Emit();
  TEvent::Create(EventTimerTick, timer_a, 2, 0, 5, 6)->Emit();
  TEvent::Create(EventKeyDown, nullptr, 32)->Emit();
  TEvent::Create(EventKeyDown, nullptr, 32)->Emit();  // keys never merge
  for (int i = 0; i < 3; ++i) {
    TEvent::Create(EventWindowSize, nullptr, i)->Emit();
    TEvent::Create(EventWindowClose, nullptr, i)->Emit();
  }
  EXPECT_EQ(8, QueuedEventCount());
  ASSERT_EQ(EventTimerTick, PollEvent());
  EXPECT_EQ(timer_a, EventSource());
  EXPECT_EQ(2, EventData()) << "the queued tick takes the later tick's data";
  EXPECT_EQ(5, EventX());
  EXPECT_EQ(EventTimerTick, PollEvent());
  EXPECT_EQ(timer_b, EventSource());
}

TEST_F(EventQueue, DropsTheNewestBeyondTwoHundredFiftySix) {
  EnableEventQueue();
  for (int i = 0; i < 300; ++i) TEvent::Create(EventKeyChar, nullptr, i)->Emit();
  EXPECT_EQ(256, QueuedEventCount());
  ASSERT_TRUE(PeekEvent());
  EXPECT_EQ(0, PeekEvent()->data);
  int last = -1;
  while (PollEvent()) last = EventData();
  EXPECT_EQ(255, last);
  EXPECT_EQ(0, EventID()) << "an empty take leaves no current event";
}
