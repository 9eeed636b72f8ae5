#include "game/shell/hud.h"

#include "game/globals.h"
#include "gfx/draw2d.h"
#include "gfx/font.h"

std::u16string hud_text(std::u16string_view label, int32_t value) {
  std::u16string text(label);
  if (value < 10) text += u'0';
  for (char c : std::to_string(value)) text += static_cast<char16_t>(c);
  return text;
}

void draw_hud() {
  const int32_t saved_mode = stereo_mode;
  stereo_mode = 0;
  kxdraw.sip(BlendAlpha, 1.0f, 0, 1.0f, 1.0f);
  SetDrawColor(200, 200, 255);
  kxdraw.t3d(hud_text(u"Score: ", player.score), 2.0f, 0.0f, 0, 0);
  kxdraw.t3d(hud_text(u"Best: ", player.best_sc), 320.0f, 12.0f, 0, 1);
  const std::u16string stage = hud_text(u"Stage: ", player.level);
  kxdraw.t3d(stage, static_cast<float>(638 - StringWidth(stage)), 0.0f, 0, 0);

  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendMask, 1.0f, 0, 0.5f, 0.5f);
  if (game_state == kPlaying && player.lives > 1) {
    for (int32_t i = 1; i <= player.lives - 1; ++i)
      DrawImageFrame(img_sprites, static_cast<float>(15 + 25 * (i - 1)), 470.0f, 0);
  }
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  stereo_mode = saved_mode;
}
