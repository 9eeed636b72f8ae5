#!/usr/bin/env bash
# Runs startup_bench RUNS times on one virtual X screen and prints each run and the median
# of every figure. Usage: bench/gfx/startup_bench.sh [build dir] [runs]
set -euo pipefail
build=${1:-build}
runs=${2:-7}
exe="$build/bench/gfx/startup_bench"
[ -x "$exe" ] || { echo "build $exe first (-DVS_BUILD_BENCH=ON)"; exit 1; }
out=$(xvfb-run -a -s "-screen 0 640x480x24" bash -c "for i in \$(seq $runs); do '$exe'; done")
echo "$out"
line="median of $runs runs:"
for key in $(echo "$out" | head -n 1 | tr ' ' '\n' | cut -d= -f1); do
  median=$(echo "$out" | tr ' ' '\n' | grep "^$key=" | cut -d= -f2 | sort -g |
           awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
  line="$line $key=$median"
done
echo "$line"
