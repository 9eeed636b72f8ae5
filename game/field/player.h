// The player's ship and the player's shots: the record with score, best score, lives and
// wave, movement and firing from mouse, arrows and left Ctrl or a joystick, the shots' climb
// and their hits on the blocker row, and the dying sequence after the ship is hit.
#pragma once

#include <cstdint>

struct player_tag {
  int32_t score = 0;
  int32_t best_sc = 0;
  int32_t new_bs = 0;  // 1 once this game has beaten the best score
  int32_t lives = 0;   // the ship in play included
  int32_t level = 0;   // wave number
  float x = 0.0f, y = 0.0f;
  float rotation = 0.0f, scale = 0.0f;  // kept for the record's shape; no rule uses them
  int32_t frame = 0, a_tmr = 0, a_ctr = 0;
  int32_t shot_tmr = 0;  // fire cool-down in frames

  static void reset(int32_t flag);  // 1: a new game; 0: a fresh ship in the running game
  void update();                    // draws the ship
  void get_inputs();                // moves and fires
};

struct pshot_tag {
  int32_t x = 0, y = 0;
  int32_t fr_tmr = 0, fr_ctr = 0;

  static void create_it();  // a new shot at the ship
  static void update_all();
  static void erase_all();
  void update();
};

// The handler of the dying state: 250 frozen frames, then a new ship or the game-over screen.
void dying_sequence();
// Raises the best score to the score, with the cue the first time in a game.
void check_best_score();
