// For the device's tests and benchmarks: what it has played, its lead and restarts, a
// forced stall of its tick thread and a forced loss of its device. Not for programs: sound.h is what they call.
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
// Makes the tick thread take the open device for gone, as when it is unplugged: for testing
// the way back. Then how often a device was opened again, and how many tries failed.
void LoseDevice();
int32_t DeviceReopens();
int32_t DeviceFailedReopens();
void SetDeviceRetryMillis(int32_t ms);  // 0 or less: DEVICE_RETRY_MS

}  // namespace softmix
