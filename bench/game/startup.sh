#!/usr/bin/env bash
# Milliseconds from the start of the game's process to its first logo frame presented, under
# Xvfb, over several runs, through each graphics driver, beside a bare SDL2 + OpenGL ES
# program's first frame measured the same way (bench/gfx/bare_gl); run it from a directory
# whose data/ holds the game's sounds (the repository root).
# usage: bench/game/startup.sh BUILD_DIR [RUNS]
set -eu
build=$(realpath "$1") runs=${2:-10}
probe="$build/bench/game/startup_probe" bare="$build/bench/gfx/bare_gl"
summary() {
  sort -n | awk -v what="$1" '{ t[NR] = $1 } END {
    printf "%s, %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
           what, NR, t[1], t[int((NR + 1) / 2)], t[NR] }'
}
for driver in gles opengl; do
  xvfb-run -a -s "-screen 0 640x480x24" bash -c "
    for i in \$(seq $runs); do VEKTOR_SWARM_GRAPHICS=$driver SDL_AUDIODRIVER=\${SDL_AUDIODRIVER:-dummy} '$probe'; done" |
    summary "first logo frame after start ($driver)"
done
xvfb-run -a -s "-screen 0 640x480x24" bash -c "for i in \$(seq $runs); do '$bare' first-frame; done" |
  summary "a bare SDL2 + OpenGL ES program's first frame"
echo "where the time goes, one step after another on one thread:"
xvfb-run -a -s "-screen 0 640x480x24" env SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$probe" --parts
