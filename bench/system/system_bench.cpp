// Costs of the per-frame input path: a query that pumps an empty queue, SDL key
// events through translation and the input hook, hook chains, and a joystick read. Also
// the clock's promptness, which the timer tests leave unasserted: how long a sleep really
// lasts, and how many ticks a 60 Hz timer delivers in a second (62 or 63 on an idle machine).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "system/event.h"
#include "system/hook.h"
#include "system/input.h"
#include "system/sdl_system.h"
#include "system/system.h"
#include "system/timer.h"

namespace {
const int headless = setenv("SDL_VIDEODRIVER", "offscreen", 0);

uint32_t TestWindow() {
  static uint32_t id = [] {
    StartSystemDriver();
    SDL_Window* w = SDL_CreateWindow("bench", 0, 0, 640, 480, SDL_WINDOW_HIDDEN);
    TFrameworkWindow fw;
    fw.sdl_window_id = SDL_GetWindowID(w);
    fw.client_width = 640;
    fw.client_height = 480;
    AddFrameworkWindow(fw);
    StartInputPolling();
    PollSystemEvents();
    return fw.sdl_window_id;
  }();
  return id;
}

void BM_InputQueryWithEmptyQueue(benchmark::State& state) {
  TestWindow();
  for (auto _ : state) benchmark::DoNotOptimize(KeyHitCount(32));
}
BENCHMARK(BM_InputQueryWithEmptyQueue);

void BM_KeyEventsThroughThePump(benchmark::State& state) {
  const uint32_t id = TestWindow();
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      SDL_Event e{};
      e.type = i % 2 ? SDL_KEYUP : SDL_KEYDOWN;
      e.key.windowID = id;
      e.key.keysym.scancode = SDL_SCANCODE_SPACE;
      SDL_PushEvent(&e);
    }
    benchmark::DoNotOptimize(KeyHitCount(32));
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_KeyEventsThroughThePump)->Arg(16)->Arg(256);

std::shared_ptr<void> PassOn(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  return data;
}

void BM_RunHookChain(benchmark::State& state) {
  const int32_t id = AllocateHookChannel();
  for (int i = 0; i < state.range(0); ++i) AttachHook(id, PassOn, {}, i);
  auto data = std::make_shared<int>(0);
  for (auto _ : state) benchmark::DoNotOptimize(RunHookChain(id, data));
}
BENCHMARK(BM_RunHookChain)->Arg(2)->Arg(8);

void BM_JoystickAxisRead(benchmark::State& state) {
  StartSystemDriver();
  SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 12, 1);
  JoystickCount();
  for (auto _ : state) benchmark::DoNotOptimize(JoystickX(0));
}
BENCHMARK(BM_JoystickAxisRead);
void BM_DelayMillis(benchmark::State& state) {
  const auto ms = static_cast<int32_t>(state.range(0));
  for (auto _ : state) DelayMillis(ms);
}
BENCHMARK(BM_DelayMillis)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TimerTicksInOneSecond(benchmark::State& state) {
  int64_t ticks = 0;
  for (auto _ : state) {
    auto timer = CreateTimer(60);
    const int32_t start = SystemMillis();
    while (SystemMillis() - start < 1000) WaitTimer(timer);
    ticks += TimerTicks(timer);
    StopTimer(timer);
  }
  state.counters["ticks"] = benchmark::Counter(double(ticks), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TimerTicksInOneSecond)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace
