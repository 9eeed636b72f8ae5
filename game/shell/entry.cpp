// The program: the game itself reads no option; the command line only answers --help and
// --version, before anything starts, so both work without a display.
#include <cstdio>
#include <cstring>

#include "game/shell/main_loop.h"
#include "stream/core.h"

namespace {

void usage(std::FILE* to) {
  std::fputs(
      "Usage: vektor-swarm [--help | --version]\n"
      "Vektor Swarm 3D, an arcade shooter, full screen (Alt+Enter or F11 for a window).\n"
      "It reads its sounds from data/ under the folder it starts in and keeps the best score\n"
      "and the glasses setting there: start it with scripts/play.sh in its source folder, or\n"
      "as the installed vektor-swarm, which keeps them in ~/.local/share/vektor-swarm/.\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return RunGuarded(game_main);
  const bool help = std::strcmp(argv[1], "--help") == 0;
  const bool version = std::strcmp(argv[1], "--version") == 0;
  if (argc > 2 || (!help && !version)) {
    std::fprintf(stderr, "vektor-swarm: unexpected argument '%s'\n", argv[argc > 2 && (help || version) ? 2 : 1]);
    usage(stderr);
    return 2;
  }
  if (help) {
    usage(stdout);
  } else {
    std::printf("Vektor Swarm 3D %s\n", VS_VERSION);
  }
  return 0;
}
