// The formation of fifty invaders: its layout and points, the march with its turns and
// drops, the invaders' hits and fire, and the play step that runs the playing screen,
// with the get-ready zoom and the wave clear.
#pragma once

#include <cstdint>

struct invader_tag {
  float x = 0.0f, y = 0.0f;
  int32_t alive = 0;
  int32_t shot_tmr = 0;  // frames until it fires
  int32_t frame = 0;     // base frame in img_sprites: 5, 3 or 1
  float fr_tmr = 0.0f;   // animation countdown
  int32_t fr_ctr = 0;    // animation offset, 0 or 1

  static void create_all();
  static void reset_all(int32_t flag);  // a new wave; flag 1 also repaints img_wave
  static void kill_all();
  static void update_all();
  static void drop_all();
  void update();
};

inline constexpr int32_t kInvaders = 50;

extern float march_dx;     // added to every living invader's x each frame
extern float march_speed;  // 0.2 at a wave's start, +0.1 per invader shot down
extern int32_t alive_count;

// The wave bonus for reaching `level`: shown on the get-ready banner and added to the score.
int32_t wave_bonus(int32_t level);
// The handler of the playing state, once per frame.
void play_step();
