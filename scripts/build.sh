#!/usr/bin/env bash
# Configures and builds into the folder given first (build-play/ for playing, build/ for the
# tests); the other arguments go to CMake's configure step. The configure output is shown: a
# missing package is named there.
# usage: build.sh DIR [CMAKE ARGUMENTS...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
cmake -S . -B "$dir" "$@"
cmake --build "$dir" -j"$(nproc)"
