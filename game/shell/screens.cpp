#include "game/shell/screens.h"

#include "game/globals.h"
#include "game/shell/assets.h"
#include "game/shell/hud.h"
#include "game/shell/main_loop.h"
#include "game/shell/saved_files.h"
#include "gfx/draw2d.h"
#include "gfx/graphics.h"
#include "system/input.h"
#include "system/system.h"

#ifndef VS_VERSION
#define VS_VERSION "1.0"
#endif

namespace {

constexpr int32_t kMenuItems = 5;
constexpr int32_t kReturn = 13, kUpArrow = 38, kDownArrow = 40, kLeftCtrl = 162;

// Draws text flat whatever the stereo mode.
void flat_text(std::u16string_view text, float x, float y, int32_t centre) {
  const int32_t saved = stereo_mode;
  stereo_mode = 0;
  kxdraw.t3d(text, x, y, 0, centre);
  stereo_mode = saved;
}

void choose_menu_item(int32_t item) {
  const bool paused = game_state == kPaused;
  switch (item) {
    case 0:
      game_state = kPlaying;
      if (paused) {
        if (ufo.limbo == 0) start_ufo_loop();
      } else {
        player_tag::reset(1);
        invader_tag::reset_all(1);
        ready_scale = 0.1f;
        ready_sep = -14.0f;
      }
      break;
    case 1:
      stereo_mode += 1;
      if (stereo_mode > 4) stereo_mode = 0;
      stereo_file(0);
      break;
    case 2:
      music_step += 1;
      music_volume += 0.1f;
      if (music_step > 10) {
        music_step = 0;
        music_volume = 0.0f;
      }
      SetAudioChannelVolume(music_channel, music_volume);
      break;
    case 3:
      sfx_step += 1;
      sfx_volume += 0.1f;
      if (sfx_step > 10) {
        sfx_step = 0;
        sfx_volume = 0.0f;
      }
      play_sfx(snd_hiscore);
      SetAudioChannelVolume(ufo_channel, sfx_volume);
      break;
    case 4:
      if (paused) {
        game_state = kTitle;
        blocker.enable = 0;
        MoveMousePointer(320, 250);
      } else {
        quit_requested = 1;
      }
      play_sfx(snd_hiscore);
      break;
    default:
      break;
  }
}

}  // namespace

std::u16string credit_line() {
  std::u16string version;
  for (const char* c = VS_VERSION; *c; ++c) version += static_cast<char16_t>(*c);
  return u"Version " + version + u" - by the Vektor Swarm team";
}

int32_t menu_item_at(int32_t y) { return (y - 240) / 40; }

int32_t menu_line_y(int32_t item) { return 250 + 40 * item; }

std::u16string menu_item_text(int32_t i) {
  const bool paused = game_state == kPaused;
  switch (i) {
    case 0: return paused ? u"Resume Game" : menu_labels[0];
    case 1: return menu_labels[1] + stereo_labels[static_cast<size_t>(stereo_mode)];
    case 2: return menu_labels[2] + volume_labels[static_cast<size_t>(music_step)];
    case 3: return menu_labels[3] + volume_labels[static_cast<size_t>(sfx_step)];
    case 4: return paused ? u"Quit This Game" : menu_labels[4];
    default: return {};
  }
}

bool logo_screen(int32_t y_offset) {
  float alpha = 1.0f, scale = 0.1f, sep = -4.0f;
  TImagePtr logo = open_embedded(u"graphx\\kxlogo.png");
  if (!logo) return false;
  CentreImageHandle(logo);
  const float x = static_cast<float>(CurrentGraphicsWidth() / 2);
  const float y = static_cast<float>(CurrentGraphicsHeight() / 2 + y_offset);
  start_music();
  do {
    draw_background(1);
    SetDrawColor(255, 255, 255);
    if (stereo_mode != 0) {
      kxdraw.sip(BlendAdd, alpha, 0, scale, scale);
      kxdraw.i3d(logo, x, y, 0, sep, 0, 2);
      scale += 0.004f;
      sep += 0.05f;
      if (scale > 1.1f) alpha -= 0.01f;
    } else {
      // Flat, the scale only times the wait before the fade.
      kxdraw.sip(BlendAlpha, alpha, 0, 1.0f, 1.0f);
      DrawImageFrame(logo, x, y, 0);
      if (scale > 1.0f) {
        alpha -= 0.01f;
      } else {
        scale += 0.004f;
      }
    }
    if (alpha < 0.0f) alpha = 0.0f;
    FlipGraphics(-1);
    start_music_if_decoded();
    wait_while_suspended();
    if (quit_requested != 0 || TakeAppTerminateRequest() != 0) {
      quit_requested = 1;
      break;
    }
    if (KeyHitCount(27) != 0 || KeyHitCount(32) != 0 || MouseHitCount(1) != 0 ||
        JoystickHitCount(0, 0) != 0)
      break;
  } while (alpha > 0.0f);
  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  FlushKeyState();
  FlushMouseState();
  return true;
}

void steer_pointer_by_joystick() {
  menu_x = MousePosX();
  menu_y = MousePosY();
  // Exact comparisons: only a stick at full deflection moves the pointer.
  if (JoystickX(0) == joy_left) {
    menu_x -= 6;
    MoveMousePointer(menu_x, menu_y);
  }
  if (JoystickX(0) == joy_right) {
    menu_x += 6;
    MoveMousePointer(menu_x, menu_y);
  }
  if (JoystickY(0) == joy_up) {
    menu_y -= 6;
    MoveMousePointer(menu_x, menu_y);
  }
  if (JoystickY(0) == joy_down) {
    menu_y += 6;
    MoveMousePointer(menu_x, menu_y);
  }
}

void steer_pointer_by_keys() {
  const int32_t steps = KeyHitCount(kDownArrow) - KeyHitCount(kUpArrow);
  if (steps == 0) return;
  int32_t item = menu_item_at(MousePosY());
  if (item < 0 || item >= kMenuItems) {
    item = steps > 0 ? 0 : kMenuItems - 1;
  } else {
    item = ((item + steps) % kMenuItems + kMenuItems) % kMenuItems;
  }
  MoveMousePointer(MousePosX(), menu_line_y(item));
}

void menu_step() {
  steer_pointer_by_joystick();
  steer_pointer_by_keys();
  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  if (stereo_mode != 0) {
    kxdraw.i3d(img_logo3d, 320.0f, 128.0f, 0, 4.0f, 0, 3);
  } else {
    DrawImageFrame(img_title, 320.0f, 128.0f, 0);
  }
  kxdraw.sip(BlendAlpha, 1.0f, 0, 1.0f, 1.0f);
  SetDrawColor(200, 200, 255);
  flat_text(credit_line(), 320.0f, 468.0f, 1);

  const int32_t d = menu_item_at(MousePosY());
  for (int32_t i = 0; i <= 4; ++i) {
    const float y = static_cast<float>(240 + 40 * i);
    if (i == d) {
      SetDrawColor(200, 200, 50);
      kxdraw.sip(BlendAlpha, 1.0f, 0, 1.5f, 1.5f);
      kxdraw.t3d(menu_item_text(i), 320.0f, y, 3.0f, 1);
    } else {
      SetDrawColor(180, 100, 210);
      kxdraw.sip(BlendAlpha, 1.0f, 0, 1.0f, 1.0f);
      kxdraw.t3d(menu_item_text(i), 320.0f, y, 2.0f, 1);
    }
  }

  // Every way of choosing is read, so that a key press made here is spent here: a left Ctrl
  // that starts a game does not also fire its first shot.
  const bool clicked = MouseHitCount(1) != 0 || JoystickHitCount(0, 0) != 0;
  const bool keyed = (KeyHitCount(kReturn) | KeyHitCount(kLeftCtrl)) != 0;
  if (clicked || keyed) choose_menu_item(d);
  if (game_state == kTitle && KeyHitCount(27) != 0) {
    play_sfx(snd_hiscore);
    quit_requested = 1;
  }

  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendMask, 1.0f, 0, 0.5f, 0.5f);
  kxdraw.i3d(img_sprites, static_cast<float>(MousePosX()), static_cast<float>(MousePosY()), 0, 4.0f, 0, 2);
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
}

void pause_step() {
  SetDrawBlend(BlendMask);
  SetDrawColor(40, 40, 80);
  DrawImageFrame(img_screen, 0, 0, 0);
  menu_step();
  if (KeyHitCount(27) != 0) {
    game_state = kTitle;
    blocker.enable = 0;
    MoveMousePointer(320, 250);
    play_sfx(snd_hiscore);
  }
  if (KeyHitCount(32) != 0 || MouseHitCount(2) != 0 || JoystickHitCount(1, 0) != 0) {
    game_state = kPlaying;
    if (ufo.limbo == 0) start_ufo_loop();
  }
}

void game_over_sequence() {
  float alpha = 1.0f;
  int32_t counter = 0;
  const int32_t saved_mode = stereo_mode;
  stereo_mode = 0;
  do {
    ClearScreen();
    counter += 1;
    SetDrawBlend(BlendMask);
    SetDrawColor(40, 40, 80);
    DrawImageFrame(img_screen, 0, 0, 0);
    if (counter > 200) {
      counter = 200;
      alpha -= 0.01f;
    }
    SetDrawColor(250, 250, 85);
    kxdraw.sip(BlendAlpha, alpha, 0, 3.0f, 3.0f);
    kxdraw.t3d(u"Game Over", 320.0f, 225.0f, 0, 1);
    draw_hud();
    FlipGraphics(-1);
    keep_window_responsive();
  } while (alpha > 0.0f);
  game_state = kTitle;
  stereo_mode = saved_mode;
  blocker.enable = 0;
  MoveMousePointer(320, 250);
  FlushMouseState();
  FlushKeyState();
}
