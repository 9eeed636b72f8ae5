// The framework's clock, sleep and periodic timers. The clock is a wrapping
// 32-bit millisecond count from a monotonic source; timer ticks are posted to
// the main thread through the system driver's main-thread queue.
#pragma once

#include <cstdint>
#include <memory>

class TEvent;

int32_t SystemMillis();           // wrapping milliseconds; compare readings only by difference
void DelayMillis(int32_t ms);     // sleeps ms >= 0 (0 still yields), returns at once when negative
