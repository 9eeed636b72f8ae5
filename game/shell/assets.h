// The game's assets: the embedded pictures and font, the sprite sheet cut into the game's
// image strips, the Ogg Vorbis sounds under data/, and the three routines that start sounds.
#pragma once

#include "audio/sound.h"
#include "gfx/image.h"

// Starts decoding the sound files on a worker thread, so that their loading later costs
// only the wait for what is not decoded yet. Start-up calls it first of all.
void start_sound_decoding();
// Starts decoding the embedded pictures on a worker thread, ahead of their images, which can
// only be made once the screen is open; start-up calls it before it opens the screen.
void decode_pictures();
// The image of an embedded picture (flags -1), or null with one line printed.
TImagePtr open_embedded(const char16_t* name);
// Loads the font and pictures, cuts the sprite sheet and loads the effects. False (with
// one line printed) when an embedded picture or the font cannot be loaded.
bool load_assets();
void play_sfx(const TSoundPtr& sound);  // a missing sound plays nothing
void start_ufo_loop();
// The music decodes on the worker thread while the logo shows, the longest of the files: it
// starts in the first frame after start_music() in which it is ready, which the logo and the
// main loop ask every frame, so that the first frames need not wait for it.
void start_music();
void start_music_if_decoded();
// Waits for the decoder threads; start-up calls it before giving up.
void finish_sound_decoding();
