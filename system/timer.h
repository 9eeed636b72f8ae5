// The framework's clock, sleep and periodic timers. The clock is a wrapping
// 32-bit millisecond count from a monotonic source; timer ticks are posted to
// the main thread through the system driver's main-thread queue.
#pragma once

#include <cstdint>
#include <memory>

class TEvent;

int32_t SystemMillis();           // wrapping milliseconds; compare readings only by difference
void DelayMillis(int32_t ms);     // sleeps ms >= 0 (0 still enters the sleep), returns at once when negative

// A periodic timer. Its ticks are counted on the main thread when it pumps events
// (system.h), each one emitting its event or a "TimerTick" with the tick count.
// A running timer holds itself, so it runs until Stop whatever the program keeps.
class TTimer : public std::enable_shared_from_this<TTimer> {
 public:
  virtual ~TTimer() = default;
  virtual int32_t Ticks();
  virtual int32_t Stop();  // for good; a tick already queued is dropped
  virtual int32_t Fire();  // counts one tick (the tick delivery calls it)
  virtual int32_t Wait();  // ticks since the previous Wait, at least 1; 0 when stopped
                           // (inside a hook, where none can arrive, it may also answer 0)

  // Null when 16 timers run already or the period (1000 / hertz ms, truncated) is not 1 ms or more.
  static std::shared_ptr<TTimer> Create(float hertz, std::shared_ptr<TEvent> event = {});

 private:
  int32_t _ticks = 0;
  int32_t _wticks = 0;
  std::shared_ptr<TTimer> _cycle;
  std::shared_ptr<TEvent> _event;
  int32_t _handle = 0;
};

std::shared_ptr<TTimer> CreateTimer(float hertz, std::shared_ptr<TEvent> event = {});
int32_t TimerTicks(const std::shared_ptr<TTimer>& timer);
int32_t WaitTimer(const std::shared_ptr<TTimer>& timer);
void StopTimer(const std::shared_ptr<TTimer>& timer);
