// The game's assets: the embedded pictures and font, the sprite sheet cut into the game's
// image strips, the Ogg Vorbis sounds under data/, and the three routines that start sounds.
#pragma once

#include "audio/sound.h"
#include "gfx/image.h"

// Starts decoding the sound files on a worker thread, so that their loading later costs
// only the wait for what is not decoded yet. Start-up calls it first of all.
void start_sound_decoding();
// Decodes the embedded pictures ahead of their images, which can only be made once the
// screen is open; start-up calls it while the graphics driver is still loading.
void decode_pictures();
// The image of an embedded picture (flags -1), or null with one line printed.
TImagePtr open_embedded(const char16_t* name);
// Loads the font and pictures, cuts the sprite sheet and loads the effects. False (with
// one line printed) when an embedded picture or the font cannot be loaded.
bool load_assets();
void play_sfx(const TSoundPtr& sound);  // a missing sound plays nothing
void start_ufo_loop();
void start_music();
// Waits for the decoder thread; start-up calls it before giving up.
void finish_sound_decoding();
