// Costs of the per-frame input path: a query that pumps an empty queue, SDL key
// events through translation and the input hook, hook chains, and a joystick read.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "system/event.h"
#include "system/hook.h"
#include "system/input.h"
#include "system/sdl_system.h"
#include "system/system.h"

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
}  // namespace
