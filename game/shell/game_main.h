// The game's main routine: start-up, the main loop and the exit steps.
#pragma once

// Runs the game once; a second call returns at once. Returns the exit code.
int game_main();
