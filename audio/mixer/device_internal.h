// For the device's tests and benchmarks: what it has played, its lead and restarts, and
// a forced stall of its tick thread. Not for programs: sound.h is what they call.
#pragma once

#include <cstdint>

namespace softmix {

// Bytes the device has played since it last (re)started (once stopped, the final count),
// lead in fragments, and how often the mixer fell behind and play restarted.
int64_t DevicePlayedBytes();
int32_t DeviceLead();
int32_t DeviceRestarts();
// Makes the tick thread sleep once for `ms`, as a starved timer would: for testing the restart rule.
void StallDevice(int32_t ms);

}  // namespace softmix
