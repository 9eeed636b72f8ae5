// The blocker row: three shapes held as one 640 x 70 picture that both kinds of shot test
// pixel by pixel, and into which each hit punches a hole of the shot's own shape.
#pragma once

#include <cstdint>

struct blocker_tag {
  float bhit_x = 0.0f, bhit_y = 0.0f;  // centre of the pending hole
  int32_t hit = 0;                     // 1 while a hole is pending
  int32_t bh_frame = 0;                // img_shots frame punched
  int32_t enable = 0;                  // 1 while the row is in play

  static void reset();       // rebuilds the row undamaged
  void update(int32_t flag); // draws the row when flag is not 0
  void update_hit();         // punches the pending hole
};

// Where the row is drawn and tested; its handle is its centre.
inline constexpr float kBlockRowX = 320.0f, kBlockRowY = 360.0f;
