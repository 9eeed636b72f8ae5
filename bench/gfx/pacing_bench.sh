#!/usr/bin/env bash
# Runs pacing_bench on a virtual X screen twice: on an idle machine, then with one busy loop
# keeping another core loaded. Usage: bench/gfx/pacing_bench.sh [build dir] [frames]
set -euo pipefail
build=${1:-build}
frames=${2:-600}
exe="$build/bench/gfx/pacing_bench"
[ -x "$exe" ] || { echo "build $exe first (-DVS_BUILD_BENCH=ON)"; exit 1; }
run() { xvfb-run -a -s "-screen 0 640x480x24" "$exe" "$frames"; }
echo "idle:   $(run)"
bash -c 'while :; do :; done' &
busy=$!
trap 'kill "$busy" 2>/dev/null || true' EXIT
echo "loaded: $(run)"
