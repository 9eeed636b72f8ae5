// The game-wide state, each with its start value: the current screen, the one-of-a-kind play
// objects, the formation, stars and the lists of what moves, the pictures, font, sounds and
// channels, and the option values. Everything here lives for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "audio/sound.h"
#include "game/field/blockers.h"
#include "game/field/invader_shots.h"
#include "game/field/invaders.h"
#include "game/field/ordered_list.h"
#include "game/field/particles.h"
#include "game/field/player.h"
#include "game/field/saucer.h"
#include "game/shell/stereo.h"
#include "gfx/font.h"
#include "gfx/image.h"

// Values of game_state; 0 and 1 are not used.
inline constexpr int32_t kPlaying = 2, kPaused = 3, kTitle = 4, kGameOver = 5, kDying = 6;

extern int32_t game_state;
extern int32_t quit_requested;  // 1 ends the main loop at the end of the frame
extern int32_t stereo_mode;     // 0 flat, 1 to 4 the glasses type

extern player_tag player;
extern blocker_tag blocker;
extern ufo_tag ufo;
extern kxdraw_tag kxdraw;
extern std::array<star_tag, 60> stars;
extern std::array<invader_tag, kInvaders> invaders;
extern ordered_list<particle_tag> particle_list;
extern ordered_list<pshot_tag> pshot_list;
extern ordered_list<ishot_tag> ishot_list;

extern TImageFontPtr font_main;
extern TImagePtr img_backdrop, img_title;
extern TImagePtr img_logo3d, img_sprites, img_shots, img_dots, img_block, img_wave,
    img_blocklayer, img_screen;

extern const std::array<std::u16string, 11> volume_labels;
extern const std::array<std::u16string, 5> menu_labels;
extern const std::array<std::u16string, 5> stereo_labels;

extern TChannelPtr music_channel, ufo_channel;
extern TSoundPtr snd_shoot, snd_warpin, snd_alienhit, snd_thud, snd_explode, snd_hiscore,
    snd_ufoloop, snd_ufohit, snd_blockhit, snd_rebirth;

extern float music_volume, sfx_volume;  // 0.0 to 1.0
extern int32_t music_step, sfx_step;    // 0 to 10, as the menu shows them
extern float ready_scale, ready_sep;    // the get-ready zoom; play runs while ready_scale >= 1
extern int32_t menu_x, menu_y;          // the pointer as the joystick steering last read it

// Joystick axis values taken as a direction: full deflection only.
inline constexpr float joy_left = -1.0f, joy_right = 1.0f, joy_up = -1.0f, joy_down = 1.0f;
