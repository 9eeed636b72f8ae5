// For the timer's tests and benchmarks: the registry's fill and the period rule.
// Not for programs: timer.h is what they call.
#pragma once

#include <cstdint>

int32_t RunningTimerCount();               // entries of the 16-timer registry in use
uint32_t TimerPeriodMillis(float hertz);  // 1000 / hertz truncated: 16 for 60; 0 when refused
