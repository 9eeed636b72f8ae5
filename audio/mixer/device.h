// The output device that drives the mixer: an SDL audio device at 44100 Hz, signed
// 16-bit stereo, playing a ring of 32 fragments that a 5 ms tick thread keeps mixed
// ahead of the play position; when the device goes away the thread opens the default one
// again every few seconds. Builds on mixer.h, SDL2 audio and the system clock.
#pragma once

#include <cstdint>

#include "audio/mixer/mixer.h"

namespace softmix {

constexpr int32_t DEVICE_RATE = 44100;
constexpr int32_t DEVICE_FRAGMENT = 1024;       // values: 512 stereo frames, about 11.6 ms
constexpr int32_t DEVICE_RING_FRAGMENTS = 32;
constexpr int32_t DEVICE_LEAD = 6;              // fragments mixed ahead of the play position
constexpr int32_t DEVICE_MAX_LEAD = 10;
constexpr int32_t DEVICE_RESTART_TICKS = 250;   // ticks of silence after the mixer fell behind
constexpr int32_t DEVICE_TICK_MS = 5;
constexpr int32_t DEVICE_RETRY_MS = 3000;       // between tries to open a device again after losing one

// mode 0 or -1: the SDL device; 1 (DirectSound) does not exist here and fails.
// False when SDL cannot open a device. Game thread only, like StopDevice.
bool StartDevice(int32_t mode);
void StopDevice();
mixer* RunningMixer();  // null while no device runs

}  // namespace softmix
