// The bonus saucer: released at random intervals, it crosses the top of the screen from left
// to right with a looping sound and gives 100 to 999 points when shot.
#pragma once

#include <cstdint>

struct ufo_tag {
  float x = 0.0f;        // centre x; y is always 50
  int32_t limbo = 0;     // 1 while out of play
  int32_t fr_tmr = 0;
  int32_t fr_ctr = 0;    // 0..3: frames 7 to 10
  int32_t rel_ctr = 0;   // release countdown in frames

  void update();
};

// A fresh release countdown: 600 to 1799 frames.
int32_t ufo_release_delay();
