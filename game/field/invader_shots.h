// Invader shots: they fall from the invader that fired them, are absorbed by the blocker row
// and destroy the ship on contact.
#pragma once

#include <cstdint>

struct ishot_tag {
  float x = 0.0f, y = 0.0f;
  int32_t fr_tmr = 0, fr_ctr = 0;

  static void create_it(float x, float y);
  static void update_all();
  static void erase_all();
  void update();
};
