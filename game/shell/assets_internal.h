// What the game's tests read of the sound cues: how often each sound has been started since
// the last reset, by play_sfx or as the saucer's loop.
#pragma once

#include <cstdint>

#include "audio/sound.h"

int32_t cue_count(const TSoundPtr& sound);
void reset_cue_counts();
