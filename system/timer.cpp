// The clock is std::chrono's steady clock and the sleep SDL_Delay. Periodic timers are
// SDL timers whose callback, on SDL's timer thread, only posts the tick to the main thread.
#include "system/timer.h"
#include "system/timer_internal.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>

#include "system/event.h"
#include "system/system.h"
#include "system/system_internal.h"

int32_t SystemMillis() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ms)));
}

void DelayMillis(int32_t ms) {
  if (ms < 0) return;
  SDL_Delay(static_cast<Uint32>(ms));  // no SDL subsystem needed; resumes after signals
}

namespace {
constexpr int kMaxTimers = 16;

struct TRegistryEntry {
  int32_t handle;
  SDL_TimerID sdl_timer;
  TTimer* timer;  // alive while registered: a running timer holds itself
};

std::array<TRegistryEntry, kMaxTimers> registry;
int registry_count = 0;
std::atomic<int32_t> last_handle{0};

int Find(int32_t handle) {
  for (int i = 0; i < registry_count; ++i)
    if (registry[i].handle == handle) return i;
  return -1;
}

void DeliverTick(const std::shared_ptr<void>&, int32_t handle) {
  const int i = Find(handle);
  if (i >= 0) registry[i].timer->Fire();  // else stopped after SDL queued the tick
}

Uint32 OnTimerThread(Uint32 interval, void* param) {
  PostToMainThread(DeliverTick, nullptr, static_cast<int32_t>(reinterpret_cast<intptr_t>(param)));
  return interval;
}
}  // namespace

uint32_t TimerPeriodMillis(float hertz) {
  const long double period = 1000.0L / static_cast<long double>(hertz);
  // Zero, negative, infinite and undefined periods are refused, and so are periods a
  // 32-bit count cannot hold instead of wrapping into a short one.
  if (!(period >= 1.0L && period < 4294967296.0L)) return 0;
  return static_cast<uint32_t>(static_cast<int64_t>(period));
}

std::shared_ptr<TTimer> TTimer::Create(float hertz, std::shared_ptr<TEvent> event) {
  auto timer = std::make_shared<TTimer>();
  if (registry_count >= kMaxTimers) return nullptr;
  const uint32_t period_ms = TimerPeriodMillis(hertz);
  if (period_ms == 0) return nullptr;
  SystemDriver();  // SDL and the main-thread queue must be up before a tick can be posted
  int32_t handle = ++last_handle;
  if (handle <= 0) handle = last_handle = 1;  // after wrapping; 0 means stopped
  const SDL_TimerID sdl_timer =
      SDL_AddTimer(period_ms, OnTimerThread, reinterpret_cast<void*>(static_cast<intptr_t>(handle)));
  if (sdl_timer == 0) return nullptr;
  registry[registry_count++] = {handle, sdl_timer, timer.get()};
  timer->_cycle = timer;
  timer->_event = std::move(event);
  timer->_handle = handle;
  return timer;
}

int32_t TTimer::Ticks() { return _ticks; }

int32_t TTimer::Stop() {
  if (_handle == 0) return 0;
  const int i = Find(_handle);
  if (i >= 0) {
    SDL_RemoveTimer(registry[i].sdl_timer);
    registry[i] = registry[--registry_count];
  }
  _handle = 0;
  _event = nullptr;
  auto keep = std::move(_cycle);  // this may be the last reference; release it on the way out
  _cycle = nullptr;
  return 0;
}

int32_t TTimer::Fire() {
  if (_handle == 0) return 0;
  const auto self = shared_from_this();  // a hook may stop this timer and drop its last reference
  ++_ticks;
  if (_event) _event->Emit();
  else TEvent::Create(EventTimerTick, self, _ticks)->Emit();
  return 0;
}

int32_t TTimer::Wait() {
  if (_handle == 0) return 0;
  int32_t n = _ticks - _wticks;
  // Inside a pump (a hook calling Wait) no tick could arrive; a hook may also stop the timer.
  while (n == 0 && _handle != 0 && !SystemEventsBusy()) {
    WaitSystemEvents();
    n = _ticks - _wticks;
  }
  _wticks += n;
  return n;
}

std::shared_ptr<TTimer> CreateTimer(float hertz, std::shared_ptr<TEvent> event) {
  return TTimer::Create(hertz, std::move(event));
}
int32_t TimerTicks(const std::shared_ptr<TTimer>& timer) { return timer->Ticks(); }
int32_t WaitTimer(const std::shared_ptr<TTimer>& timer) { return timer->Wait(); }
void StopTimer(const std::shared_ptr<TTimer>& timer) { timer->Stop(); }
int32_t RunningTimerCount() { return registry_count; }
