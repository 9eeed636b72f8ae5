#include "game/shell/game_main.h"

int game_main() {
  static bool started = false;
  if (started) return 0;
  started = true;
  return 0;
}
