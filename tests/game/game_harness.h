// The game's real start-up, run once per test program on an offscreen window with hertz 0 (so
// frames present without waiting) in a fresh working directory whose data/ links the game's
// sounds; and input pushed to the game's window through SDL's queue, which the real pump reads.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace harness {

// Starts the game once, its logo run to the end; later calls do nothing.
void start_game();
// The working directory the game runs in.
const std::string& run_dir();

void key_down(SDL_Scancode code);
void key_up(SDL_Scancode code);
void press_key(SDL_Scancode code);            // down and up
void move_mouse(int32_t x, int32_t y);
void click(int32_t x, int32_t y, uint8_t button = SDL_BUTTON_LEFT);  // move, down and up

// Main-loop passes; answers false as soon as the loop ends.
bool run_passes(int32_t count);
// Flips presented since start-up.
int64_t flips();

// Back to the title state with a fresh pointer, flushed input and a known random seed, the
// lists empty, the saucer waiting 1000 frames, the blocker record and picture new and the
// formation's speed and count cleared, so that a game started next plays as after start-up;
// the run's stars, best score and options are kept.
void back_to_title(int32_t seed = 12345);

// A test of the running game, begun on the title as after start-up.
class GameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_game();
    back_to_title();
  }
};

}  // namespace harness
