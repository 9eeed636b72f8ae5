#include "game/field/invader_shots.h"

#include "game/globals.h"
#include "game/shell/assets.h"
#include "gfx/draw2d.h"
#include "system/random.h"

void ishot_tag::create_it(float x, float y) {
  auto shot = std::make_unique<ishot_tag>();
  shot->x = x;
  shot->y = y;
  ishot_list.add(std::move(shot));
}

void ishot_tag::update_all() {
  ishot_list.walk([](ishot_tag& shot) { shot.update(); });
}

void ishot_tag::erase_all() { ishot_list.clear(); }

void ishot_tag::update() {
  fr_tmr += 1;
  if (fr_tmr > 5) {
    fr_tmr = 0;
    fr_ctr += 1;
    if (fr_ctr > 1) fr_ctr = 0;
  }
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  DrawImageFrame(img_shots, x, y, 4 + fr_ctr);
  const float test_y = static_cast<float>(static_cast<int32_t>(y));
  if (blocker.enable != 0 &&
      ImagesOverlap(img_shots, x, test_y, 4, img_blocklayer, kBlockRowX, kBlockRowY, 0) != 0) {
    blocker.bhit_x = x;
    blocker.bhit_y = y + 6.0f;
    blocker.hit = 1;
    blocker.bh_frame = 4 + fr_ctr;
    play_sfx(snd_thud);
    particle_tag::create_it(x, y, static_cast<float>(RandomRange(0.4, 0.6)), 5);
    ishot_list.remove(this);
  }
  // Once a shot has hit the ship the state is no longer playing, so one death is one cue.
  if (game_state == kPlaying &&
      ImagesOverlap(img_shots, x, test_y, 4, img_sprites, player.x,
                    static_cast<float>(static_cast<int32_t>(player.y)), 0) != 0) {
    game_state = kDying;
    play_sfx(snd_explode);
    if (ufo.limbo == 0) StopAudioChannel(ufo_channel);
    particle_tag::create_it(player.x, player.y, static_cast<float>(RandomRange(0.6, 1.0)), 15);
  }
  y += 4.0f;
  if (y > 480.0f) ishot_list.remove(this);
}
