#include "game/field/saucer.h"

#include "game/globals.h"
#include "game/shell/assets.h"
#include "gfx/draw2d.h"
#include "system/random.h"

namespace {
constexpr float kSaucerY = 50.0f;
constexpr float kStartX = -25.0f, kExitX = 665.0f;
}  // namespace

int32_t ufo_release_delay() { return static_cast<int32_t>(RandomRange(600, 1800)); }

void ufo_tag::update() {
  if (rel_ctr <= 0 && limbo != 0) {
    limbo = 0;
    rel_ctr = ufo_release_delay();
    x = kStartX;
    fr_ctr = 0;
    fr_tmr = 0;
    start_ufo_loop();
  } else {
    rel_ctr -= 1;  // flying or waiting alike, so releases come at fixed intervals
  }
  if (limbo != 0) return;

  x += 2.0f;
  fr_tmr += 1;
  if (fr_tmr >= 6) {
    fr_tmr = 0;
    fr_ctr += 1;
    if (fr_ctr > 3) fr_ctr = 0;
  }
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  DrawImageFrame(img_sprites, x, kSaucerY, 7 + fr_ctr);

  const float hit_x = static_cast<float>(static_cast<int32_t>(x));
  pshot_list.walk([&](pshot_tag& shot) {
    if (ImagesOverlap(img_shots, static_cast<float>(shot.x), static_cast<float>(shot.y), 0,
                      img_sprites, hit_x, kSaucerY, 7) == 0)
      return;
    limbo = 1;
    pshot_list.remove(&shot);
    play_sfx(snd_ufohit);
    StopAudioChannel(ufo_channel);
    particle_tag::create_it(x, kSaucerY, static_cast<float>(RandomRange(0.6, 1.0)), 15);
    player.score = static_cast<int32_t>(player.score + RandomRange(100, 1000));
  });
  if (x > kExitX) {
    limbo = 1;
    StopAudioChannel(ufo_channel);
  }
}
