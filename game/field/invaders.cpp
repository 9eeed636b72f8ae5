#include "game/field/invaders.h"

#include <string>

#include "game/globals.h"
#include "game/shell/assets.h"
#include "gfx/draw2d.h"
#include "system/random.h"

float march_dx = 0.0f;
float march_speed = 0.0f;
int32_t alive_count = 0;

namespace {

constexpr float kLeftSide = 26.0f, kRightSide = 614.0f;
constexpr float kBottomLine = 400.0f, kBlockerLine = 310.0f;

int32_t next_fire_delay() { return 300 + static_cast<int32_t>(RandomRange(1000, 0)); }

int32_t points_of(int32_t base_frame) {
  return base_frame == 5 ? 40 : base_frame == 3 ? 20 : 10;
}

void get_ready_zoom() {
  ready_scale += 0.006f;
  ready_sep += 0.1f;
  if (ready_scale > 1.0f) ready_scale = 1.0f;
  if (ready_sep > 1.0f) ready_sep = 1.0f;
  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendMask, 1.0f, 0, ready_scale, ready_scale);
  kxdraw.i3d(img_wave, 320.0f, 155.0f, 0, ready_sep, 0, 2);

  const int32_t saved_mode = stereo_mode;
  stereo_mode = 0;
  kxdraw.sip(BlendAlpha, 1.0f, 0, 2.0f, 2.0f);
  SetDrawColor(200, 200, 85);
  std::u16string banner = u"Get Ready!";
  if (player.level != 1) {
    banner = u"Bonus: ";
    for (char c : std::to_string(wave_bonus(player.level))) banner += static_cast<char16_t>(c);
    banner += u" - Get Ready!";
  }
  kxdraw.t3d(banner, 320.0f, 280.0f, 0, 1);
  stereo_mode = saved_mode;
  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
}

}  // namespace

int32_t wave_bonus(int32_t level) { return 250 * level; }

void invader_tag::create_all() { invaders.fill(invader_tag{}); }

void invader_tag::reset_all(int32_t flag) {
  if (flag == 1) ClearScreen();
  march_speed = 0.2f;
  march_dx = 0.2f;
  blocker.enable = 1;  // its picture keeps the damage of earlier waves
  for (int32_t i = 0; i < kInvaders; ++i) {
    invader_tag& inv = invaders[static_cast<size_t>(i)];
    inv.x = static_cast<float>(70 + 55 * (i % 10));
    inv.y = static_cast<float>(90 + 30 * (i / 10));
    inv.alive = 1;
    inv.frame = i < 10 ? 5 : i < 30 ? 3 : 1;
    inv.fr_tmr = 10.0f;
    inv.fr_ctr = 0;
    inv.shot_tmr = next_fire_delay();
    if (flag == 1) {
      SetDrawAlpha(1.0f);
      SetDrawColor(255, 255, 255);
      SetDrawBlend(BlendMask);
      DrawImageFrame(img_sprites, inv.x, inv.y, inv.frame);
    }
  }
  if (flag == 1) {
    GrabImageFrame(img_wave, 0, 80, 0);
    ClearScreen();
  }
  play_sfx(snd_warpin);
}

void invader_tag::kill_all() {
  for (invader_tag& inv : invaders) inv.alive = 0;
}

void invader_tag::update_all() {
  alive_count = 0;
  for (invader_tag& inv : invaders) {
    if (inv.alive == 0) continue;
    inv.update();
    alive_count += 1;  // one shot down in its own update still counts this frame
  }
  // The first living invader past a side turns the formation; a speed gained from kills
  // takes effect only then.
  for (const invader_tag& inv : invaders) {
    if (inv.alive == 0) continue;
    if (inv.x - 4.0f < kLeftSide) {
      drop_all();
      march_dx = march_speed;
      break;
    }
    if (inv.x + 4.0f > kRightSide) {
      drop_all();
      march_dx = -march_speed;
      break;
    }
  }
}

void invader_tag::drop_all() {
  for (invader_tag& inv : invaders) {
    inv.y += 5.0f;
    if (inv.alive == 0) continue;
    if (inv.y > kBottomLine) {
      player.lives = 1;  // the dying sequence then ends the game
      game_state = kDying;
      play_sfx(snd_explode);
      if (ufo.limbo == 0) StopAudioChannel(ufo_channel);
      particle_tag::create_it(player.x, player.y, static_cast<float>(RandomRange(0.6, 1.0)), 15);
    }
    if (inv.y > kBlockerLine && blocker.enable != 0) {
      blocker.enable = 0;
      play_sfx(snd_blockhit);
    }
  }
}

void invader_tag::update() {
  x += march_dx;
  fr_tmr -= 1.0f;
  shot_tmr -= 1;
  if (!(fr_tmr > 0.0f)) {
    fr_tmr = 10.0f;
    fr_ctr += 1;
    if (fr_ctr > 1) fr_ctr = 0;
  }
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  DrawImageFrame(img_sprites, x, y, frame + fr_ctr);

  const float hit_x = static_cast<float>(static_cast<int32_t>(x));
  const float hit_y = static_cast<float>(static_cast<int32_t>(y));
  // Every overlapping shot is consumed and scores, even after the first has killed it.
  pshot_list.walk([&](pshot_tag& shot) {
    if (ImagesOverlap(img_shots, static_cast<float>(shot.x), static_cast<float>(shot.y), 0,
                      img_sprites, hit_x, hit_y, frame) == 0)
      return;
    alive = 0;
    march_speed += 0.1f;
    pshot_list.remove(&shot);
    play_sfx(snd_alienhit);
    particle_tag::create_it(x, y, static_cast<float>(RandomRange(0.6, 1.0)), 10);
    player.score += points_of(frame);
  });

  if (shot_tmr <= 0) {  // also in the frame it was shot down
    shot_tmr = next_fire_delay();
    ishot_tag::create_it(x, y + 13.0f);
  }
}

void play_step() {
  ufo.update();
  pshot_tag::update_all();
  player.update();
  player.get_inputs();
  if (ready_scale < 1.0f) {
    get_ready_zoom();  // the invaders neither move, fire nor take hits meanwhile
  } else {
    invader_tag::update_all();
    ishot_tag::update_all();
    if (alive_count == 0) {
      player.level += 1;
      player.score += wave_bonus(player.level);
      if (blocker.enable != 0) player.score += 250;
      pshot_tag::erase_all();
      ishot_tag::erase_all();
      invader_tag::reset_all(1);
      ready_scale = 0.1f;
      ready_sep = -14.0f;
    }
    check_best_score();
  }
  particle_tag::update_all();
}
