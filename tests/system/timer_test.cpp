#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <limits>
#include <thread>
#include <vector>

#include "system/event.h"
#include "system/hook.h"
#include "system/system.h"
#include "system/timer.h"
#include "system/timer_internal.h"

namespace {
std::vector<std::shared_ptr<TEvent>> ticks_seen;
std::vector<int32_t> tick_data;  // as emitted: the event queue merges later ticks into a queued one
std::shared_ptr<void> CollectTicks(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  auto e = std::static_pointer_cast<TEvent>(data);
  if (e->id == EventTimerTick || e->id < 0) ticks_seen.push_back(e), tick_data.push_back(e->data);
  return data;
}

// Every timer a test makes is stopped after it, its queued ticks taken and the collector
// detached, so that the next test meets an empty registry and a quiet queue.
class Timer : public ::testing::Test {
 protected:
  std::shared_ptr<TTimer> Make(float hertz, std::shared_ptr<TEvent> event = {}) {
    auto t = TTimer::Create(hertz, std::move(event));
    if (t) made.push_back(t);
    return t;
  }
  void Collect() {
    AttachHook(EventHookChannel(), CollectTicks);
    collecting = true;
  }
  void TearDown() override {
    for (auto& t : made) t->Stop();
    made.clear();
    if (collecting) DetachHook(EventHookChannel(), CollectTicks);
    while (PollEvent()) {}
    ticks_seen.clear();
    tick_data.clear();
    EXPECT_EQ(0, RunningTimerCount()) << "a test left a timer running";
  }
  std::vector<std::shared_ptr<TTimer>> made;
  bool collecting = false;
};

// Waits, up to a bound that only a stuck timer thread reaches, until SDL's queue holds at
// least `n` posted records: ticks that the main thread has not yet pumped.
bool QueuedPostsReach(int n) {
  const int32_t start = SystemMillis();
  while (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_USEREVENT, SDL_LASTEVENT) < n) {
    if (SystemMillis() - start > 20000) return false;
    DelayMillis(1);
  }
  return true;
}
}  // namespace

// Only bounds that hold on a loaded machine: a sleep lasts at least its length, and a timer
// never ticks faster than its period. How promptly either happens is in bench/system.
TEST(Clock, DelayLastsAtLeastItsLengthAndANegativeOneReturns) {
  const int32_t start = SystemMillis();
  DelayMillis(30);
  EXPECT_GE(SystemMillis() - start, 30);
  // Taken as unsigned they would sleep for weeks: run them aside and wait for their end.
  std::atomic<bool> returned{false};
  std::thread negative([&returned] {
    DelayMillis(-1);
    DelayMillis(INT32_MIN);
    returned = true;
  });
  const int32_t waited_from = SystemMillis();
  while (!returned && SystemMillis() - waited_from < 60000) DelayMillis(5);
  if (!returned) {
    negative.detach();  // still asleep; the process ends it
    FAIL() << "expected DelayMillis(-1) and DelayMillis(INT32_MIN) to return, still asleep after a minute";
  }
  negative.join();
}

// Tick counts are bounded by the periods elapsed since before Create; a loaded machine
// may deliver fewer, never more.
TEST_F(Timer, WaitBlocksForTheFirstTickAndAfterAStallReturnsTheMissedOnes) {
  SystemDriver();
  const int32_t start = SystemMillis();
  auto timer = Make(60);
  ASSERT_TRUE(timer);
  const int32_t first = timer->Wait();
  EXPECT_GE(SystemMillis() - start, 15) << "not before one 16 ms period";
  EXPECT_GE(first, 1);
  DelayMillis(100);
  EXPECT_EQ(first, timer->Ticks()) << "ticks are counted only when the main thread pumps";
  PollSystemEvents();  // counts what arrived during the stall, without a Wait
  const int32_t stalled = timer->Ticks() - first;
  const int32_t missed = timer->Wait();
  EXPECT_GE(missed, std::max(stalled, 1)) << "expected every tick of the stall in one Wait";
  EXPECT_EQ(first + missed, timer->Ticks());
  EXPECT_LE(timer->Ticks(), (SystemMillis() - start + 2) / 16) << "never more than the periods elapsed";
}

TEST_F(Timer, TicksEmitTimerTickOrTheGivenEventUnchanged) {
  Collect();
  auto plain = Make(200);
  ASSERT_TRUE(plain);
  plain->Wait();
  plain->Wait();
  plain->Stop();
  ASSERT_GE(ticks_seen.size(), 2u);
  EXPECT_EQ(1, tick_data[0]);
  EXPECT_EQ(2, tick_data[1]);
  EXPECT_EQ(plain, ticks_seen[0]->source);
  ticks_seen.clear();
  auto event = TEvent::Create(TEvent::AllocUserId(), nullptr, 77, 0, 5, 6);
  auto timer = Make(200, event);
  timer->Wait();
  timer->Wait();
  ASSERT_GE(ticks_seen.size(), 2u);
  for (const auto& e : ticks_seen) EXPECT_EQ(event, e);
  EXPECT_EQ(77, event->data);
  EXPECT_EQ(5, event->x);
}

TEST_F(Timer, SeventeenthTimerIsRefusedUntilOneStops) {
  std::vector<std::shared_ptr<TTimer>> timers;
  for (int i = 0; i < 16; ++i) {
    timers.push_back(Make(10));
    ASSERT_TRUE(timers.back()) << "timer " << i;
  }
  EXPECT_FALSE(TTimer::Create(10));
  timers[3]->Stop();
  EXPECT_EQ(15, RunningTimerCount());
  EXPECT_TRUE(Make(10));
}

TEST_F(Timer, PeriodsBelowOneMillisecondOrUndefinedAreRefused) {
  EXPECT_FALSE(TTimer::Create(2000));
  EXPECT_FALSE(TTimer::Create(0));
  EXPECT_FALSE(TTimer::Create(-5));
  EXPECT_FALSE(TTimer::Create(std::numeric_limits<float>::quiet_NaN()));
  EXPECT_FALSE(TTimer::Create(1e-7f)) << "a period beyond 32 bits must not wrap into a short one";
  EXPECT_EQ(0, RunningTimerCount());
}

TEST_F(Timer, StoppedTimerAnswersZeroAndDropsItsQueuedTicks) {
  auto timer = Make(500);
  ASSERT_TRUE(timer);
  timer->Wait();
  ASSERT_TRUE(QueuedPostsReach(2)) << "expected ticks to queue up while nobody pumps; none came in 20 s";
  const int32_t before = timer->Ticks();
  timer->Stop();
  PollSystemEvents();
  EXPECT_EQ(before, timer->Ticks()) << "ticks queued before Stop are dropped";
  EXPECT_EQ(0, timer->Wait());
  EXPECT_EQ(0, timer->Fire());
  EXPECT_EQ(before, timer->Ticks());
}

TEST_F(Timer, ARunningTimerLivesWithoutOutsideReferencesUntilStopped) {
  std::weak_ptr<TTimer> watch = TTimer::Create(100);  // not kept: the test is about that
  ASSERT_FALSE(watch.expired()) << "it holds itself while running";
  EXPECT_GE(watch.lock()->Wait(), 1);
  watch.lock()->Stop();
  while (PollEvent()) {}  // queued ticks name the timer as their source
  EXPECT_TRUE(watch.expired()) << "stopping drops the self-reference";
}

TEST_F(Timer, PeriodIsTruncatedToWholeMilliseconds) {
  EXPECT_EQ(16u, TimerPeriodMillis(60)) << "so 60 hertz ticks 62 or 63 times a second";
  EXPECT_EQ(20u, TimerPeriodMillis(50));
  EXPECT_EQ(33u, TimerPeriodMillis(30));
  EXPECT_EQ(1000u, TimerPeriodMillis(1));
  const int32_t start = SystemMillis();
  auto timer = Make(60);
  ASSERT_TRUE(timer);
  while (timer->Ticks() < 10) timer->Wait();
  EXPECT_LE(timer->Ticks(), (SystemMillis() - start + 2) / 16) << "never faster than the 16 ms period";
}
