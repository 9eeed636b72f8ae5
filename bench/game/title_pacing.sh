#!/usr/bin/env bash
# Frame periods of the real game on its title menu under Xvfb (no vertical blank, so the clock
# paces), once on an idle machine and once with another core kept busy.
# usage: bench/game/title_pacing.sh BUILD_DIR [FRAMES]   (from the repository root)
set -eu
exe=$(realpath "$1")/bench/game/title_pacing
frames=${2:-1200}
run() { xvfb-run -a -s "-screen 0 640x480x24" env SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$exe" "$frames"; }
echo "idle:   $(run)"
bash -c 'while :; do :; done' &
busy=$!
trap 'kill "$busy" 2>/dev/null || true' EXIT
echo "loaded: $(run)"
