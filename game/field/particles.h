// Explosion sparks that fly apart, fall and fade, and the sixty fixed stars behind the play
// field at four stereo depths.
#pragma once

#include <cstdint>

struct particle_tag {
  float x = 0.0f, y = 0.0f;
  float scale = 0.0f;  // remaining life, -0.002 per frame
  float xstp = 0.0f, ystp = 0.0f;
  int32_t rotation = 0;

  static void create_it(float x, float y, float scale, int32_t count);
  static void update_all();
  static void erase_all();
  void update();
};

struct star_tag {
  int32_t x = 0, y = 0;
  int32_t distance = 0;  // stereo separation, -4 to -1

  static void create_all();
  static void update_all();
  void update();
};
