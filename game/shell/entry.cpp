#include "game/shell/game_main.h"
#include "stream/core.h"

int main() { return RunGuarded(game_main); }
