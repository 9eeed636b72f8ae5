// For the driver registry's tests: takes back a driver they registered, so that the next test
// meets the built-in registry. Not for programs: sound.h is what they call.
#pragma once

#include "audio/sound.h"

void RemoveAudioDriver(const TAudioDriver* driver);  // not registered, or current: nothing happens
