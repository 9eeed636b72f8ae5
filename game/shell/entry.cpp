#include "game/shell/main_loop.h"
#include "stream/core.h"

int main() { return RunGuarded(game_main); }
