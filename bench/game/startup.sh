#!/usr/bin/env bash
# Milliseconds from the start of the game's process to its first logo frame presented, under
# Xvfb, over several runs; run it from a directory whose data/ holds the game's sounds
# (the repository root). usage: bench/game/startup.sh BUILD_DIR [RUNS]
set -eu
build=$(realpath "$1") runs=${2:-10}
probe="$build/bench/game/startup_probe"
xvfb-run -a -s "-screen 0 640x480x24" bash -c "
  for i in \$(seq $runs); do SDL_AUDIODRIVER=\${SDL_AUDIODRIVER:-dummy} '$probe'; done" |
  sort -n | awk '{ t[NR] = $1 } END {
    printf "first logo frame after start, %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
           NR, t[1], t[int((NR + 1) / 2)], t[NR] }'
echo "where the time goes, one step after another on one thread:"
xvfb-run -a -s "-screen 0 640x480x24" env SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$probe" --parts
