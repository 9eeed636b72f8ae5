// The stereo drawing layer: pictures and text drawn once flat, or as a pair of additive
// copies in the two eyes' filter colours, shifted apart to set their depth for anaglyph glasses.
#pragma once

#include <cstdint>
#include <string_view>

#include "gfx/image.h"

struct kxdraw_tag {
  int32_t leye_r = 0, leye_g = 0, leye_b = 0;
  int32_t reye_r = 0, reye_g = 0, reye_b = 0;
  float txt_xs = 0.0f, txt_ys = 0.0f;  // text scale last set by sip, used to centre text

  // Stores the two eye colours.
  int32_t slc(int32_t lr, int32_t lg, int32_t lb, int32_t rr, int32_t rg, int32_t rb);
  // Sets blend, alpha, rotation and scale for what is drawn next.
  int32_t sip(int32_t blend, float alpha, float rotation, float scale_x, float scale_y);
  // Draws an image frame; in stereo, `passes` pairs of copies `sep` left and right.
  int32_t i3d(const TImagePtr& image, float x, float y, int32_t frame, float sep, float rot,
              int32_t passes);
  // Draws a line of text, centred on (x, y) when `centre` is not 0.
  int32_t t3d(std::u16string_view text, float x, float y, float sep, int32_t centre);
};

// Sets the eye colours of a glasses type (1 to 4); any other mode leaves them as they are.
void select_eye_colours(int32_t mode);
