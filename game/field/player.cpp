#include "game/field/player.h"

#include "game/globals.h"
#include "game/shell/assets.h"
#include "game/shell/hud.h"
#include "game/shell/main_loop.h"
#include "gfx/draw2d.h"
#include "gfx/graphics.h"
#include "system/input.h"
#include "system/random.h"
#include "system/system.h"

namespace {
constexpr int32_t kLeftArrow = 37, kRightArrow = 39, kLeftCtrl = 162;
constexpr int32_t kDyingFrames = 250;

void move_pointer_to_ship() { MoveMousePointer(static_cast<int32_t>(player.x), 440); }
}  // namespace

void player_tag::reset(int32_t flag) {
  ClearScreen();
  if (flag == 1) {
    player.score = 0;
    player.level = 1;
    player.lives = 3;
    player.new_bs = 0;
    blocker_tag::reset();
  }
  player.x = 320.0f;
  player.y = 440.0f;
  player.shot_tmr = 0;
  ufo.limbo = 1;  // its loop is stopped by whoever ended the last ship
  MoveMousePointer(320, 440);
  pshot_tag::erase_all();
  ishot_tag::erase_all();
  particle_tag::erase_all();
}

void player_tag::update() {
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  DrawImageFrame(img_sprites, x, y, 0);
}

void player_tag::get_inputs() {
  if (static_cast<float>(MousePosX()) != x) {
    x = static_cast<float>(MousePosX());
    move_pointer_to_ship();
  }
  if (IsKeyDown(kLeftArrow) != 0 || JoystickX(0) == joy_left) {
    x -= 4.0f;
    move_pointer_to_ship();
  }
  if (IsKeyDown(kRightArrow) != 0 || JoystickX(0) == joy_right) {
    x += 4.0f;
    move_pointer_to_ship();
  }
  if (shot_tmr != 0) {
    shot_tmr -= 1;  // presses made meanwhile stay counted and fire once it runs out
    return;
  }
  if (MouseHitCount(1) != 0 || JoystickHitCount(0, 0) != 0 || KeyHitCount(kLeftCtrl) != 0) {
    play_sfx(snd_shoot);
    shot_tmr = 10;
    pshot_tag::create_it();
  }
}

void pshot_tag::create_it() {
  auto shot = std::make_unique<pshot_tag>();
  shot->x = static_cast<int32_t>(player.x);
  shot->y = static_cast<int32_t>(player.y);
  pshot_list.add(std::move(shot));
}

void pshot_tag::update_all() {
  pshot_list.walk([](pshot_tag& shot) { shot.update(); });
}

void pshot_tag::erase_all() { pshot_list.clear(); }

void pshot_tag::update() {
  fr_tmr += 1;
  if (fr_tmr > 5) {
    fr_tmr = 0;
    fr_ctr += 1;
    if (fr_ctr > 3) fr_ctr = 0;
  }
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  DrawImageFrame(img_shots, fx, fy, fr_ctr);
  if (blocker.enable != 0 &&
      ImagesOverlap(img_shots, fx, fy, 0, img_blocklayer, kBlockRowX, kBlockRowY, 0) != 0) {
    blocker.bhit_x = fx;
    blocker.bhit_y = static_cast<float>(y - 4);
    blocker.hit = 1;
    blocker.bh_frame = fr_ctr;
    play_sfx(snd_thud);
    particle_tag::create_it(fx, fy, static_cast<float>(RandomRange(0.4, 0.6)), 5);
    pshot_list.remove(this);
  }
  y -= 4;
  if (y < 20) pshot_list.remove(this);
}

void check_best_score() {
  if (player.score <= player.best_sc) return;
  if (player.new_bs == 0) {
    player.new_bs = 1;
    play_sfx(snd_hiscore);
  }
  player.best_sc = player.score;
}

void dying_sequence() {
  draw_background(0);
  invader_tag::update_all();  // one more march step, drawn into the frozen picture
  ishot_tag::update_all();
  GrabImageFrame(img_screen, 0, 0, 0);
  for (int32_t frame = 0; frame < kDyingFrames; ++frame) {
    ClearScreen();
    SetDrawBlend(BlendMask);
    SetDrawColor(255, 255, 255);
    DrawImageFrame(img_screen, 0, 0, 0);
    particle_tag::update_all();
    draw_hud();
    FlipGraphics(-1);
    keep_window_responsive();
  }
  player.lives -= 1;
  if (player.lives <= 0) {
    game_state = kGameOver;
    return;
  }
  game_state = kPlaying;
  player_tag::reset(0);
  play_sfx(snd_rebirth);
  FlushMouseState();
  FlushKeyState();
}
