#include "game/shell/stereo.h"

#include "game/globals.h"
#include "gfx/draw2d.h"
#include "gfx/font.h"

int32_t kxdraw_tag::slc(int32_t lr, int32_t lg, int32_t lb, int32_t rr, int32_t rg, int32_t rb) {
  leye_r = lr;
  leye_g = lg;
  leye_b = lb;
  reye_r = rr;
  reye_g = rg;
  reye_b = rb;
  return 0;
}

int32_t kxdraw_tag::sip(int32_t blend, float alpha, float rotation, float scale_x, float scale_y) {
  SetDrawBlend(blend);
  SetDrawAlpha(alpha);
  SetDrawTransform(rotation, scale_x, scale_y);
  txt_xs = scale_x;
  txt_ys = scale_y;
  return 0;
}

int32_t kxdraw_tag::i3d(const TImagePtr& image, float x, float y, int32_t frame, float sep, float rot,
                        int32_t passes) {
  // Whole degrees: a fractional rotation in force is left truncated after a turned pair.
  const int32_t r0 = static_cast<int32_t>(GetDrawRotation());
  if (stereo_mode != 0) {
    for (int32_t pass = 0; pass < passes; ++pass) {
      SetDrawBlend(BlendAdd);
      SetDrawColor(leye_r, leye_g, leye_b);
      if (rot != 0.0f) SetDrawRotation(static_cast<float>(r0) + rot);
      DrawImageFrame(image, x - sep, y, frame);
      SetDrawColor(reye_r, reye_g, reye_b);
      if (rot != 0.0f) SetDrawRotation(static_cast<float>(r0) - rot);
      DrawImageFrame(image, x + sep, y, frame);
    }
  } else {
    DrawImageFrame(image, x, y, frame);
  }
  if (rot != 0.0f) SetDrawRotation(static_cast<float>(r0));
  return 0;
}

int32_t kxdraw_tag::t3d(std::u16string_view text, float x, float y, float sep, int32_t centre) {
  if (centre != 0) {
    // The scale sip stored, not the drawing state's: callers centre at the size they asked for.
    x -= static_cast<float>(StringWidth(text)) * txt_xs / 2.0f;
    y -= static_cast<float>(FontLineHeight()) * txt_ys / 2.0f;
  }
  if (stereo_mode != 0) {
    SetDrawBlend(BlendAdd);
    SetDrawColor(leye_r, leye_g, leye_b);
    DrawString(text, x - sep, y);
    SetDrawColor(reye_r, reye_g, reye_b);
    DrawString(text, x + sep, y);
  } else {
    DrawString(text, x, y);
  }
  return 0;
}

void select_eye_colours(int32_t mode) {
  switch (mode) {
    case 1: kxdraw.slc(140, 4, 40, 4, 100, 20); break;  // "M\G"
    case 2: kxdraw.slc(4, 100, 20, 140, 4, 10); break;  // "R\G"
    case 3: kxdraw.slc(4, 80, 60, 140, 4, 10); break;   // "R\C"
    case 4: kxdraw.slc(4, 20, 140, 140, 4, 20); break;  // "R\B"
    default: break;
  }
}
