#!/usr/bin/env bash
# Runs the soak program on a virtual screen in a fresh directory whose data/ links the game's
# sounds, so the saved files it writes at the end land there and not in the source tree.
# usage: soak_run.sh SOAK MINUTES [SEED]
set -u
soak=$(realpath "$1") minutes=$2 seed=${3:-}
src=$(cd "$(dirname "$0")/../.." && pwd)
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
mkdir "$run/data"
ln -s "$src"/data/*.ogg "$run/data/"
cd "$run"
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} \
  xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 640x480x24" "$soak" "$minutes" $seed 2>&1
