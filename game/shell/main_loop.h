// The game's spine: start-up, one pass of the main loop with its state dispatch, the
// background layer, the hold while the window is inactive, and the exit steps.
#pragma once

#include <cstdint>

// The screen start-up opens. The game asks for full screen at 640 x 480 and 60 Hz; tests open
// a window (depth 0) with hertz 0, which presents without waiting.
struct TGameScreen {
  int32_t width = 640, height = 480, depth = 32, hertz = 60;
};

// Start-up up to the main loop, the logo screen included. False, with one line on standard
// error, when there is no display, the screen cannot be opened or an embedded asset cannot
// be loaded.
bool game_startup(const TGameScreen& screen = {});
// One pass of the main loop; false once the loop has ended.
bool main_loop_pass();
// The exit steps: the music stopped, then both saved files written.
void game_exit();
// Start-up, the main loop and the exit steps; answers the exit code. A second call returns at once.
int game_main();

void draw_background(int32_t dim);
void hold_while_suspended();
// Waits, without drawing, until the window is active again or a close request comes.
void wait_while_suspended();
// Lets the desktop see the window alive during a sequence that reads no input.
void keep_window_responsive();
