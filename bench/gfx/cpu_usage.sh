#!/usr/bin/env bash
# CPU of the whole real program (every thread: utime + stime of /proc/PID/stat) under Xvfb with
# Mesa's software renderer, on the title and in play, at 640 x 480 and 1920 x 1080, through the
# OpenGL and the OpenGL ES drivers in the same run, beside the floor: a bare program that only
# draws a 640 x 480 backdrop and scales it into the window (bare_gl floor). The frames each
# presents are counted (swap_counter, preloaded), and CPU is given per frame as the share of one
# core it comes to at 60 frames a second, the game's rate; a busy machine then makes each
# figure no larger, only the frame rate reached lower, which is printed beside it.
# Run from the repository root. usage: bench/gfx/cpu_usage.sh BUILD_DIR [SECONDS]
set -eu
if [ "${1:-}" = --inside ]; then inside=$2; shift 2; else inside=""; fi
build=$(realpath "$1") seconds=${2:-6}
game="$build/vektor-swarm" bare="$build/bench/gfx/bare_gl" counter="$build/bench/gfx/libswap_counter.so"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
cp -r data "$run/" 2>/dev/null || mkdir -p "$run/data"

frames_of() { od -An -tu8 "$run/swaps" 2>/dev/null | tr -d ' ' || echo 0; }
ticks_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# PID's CPU over the next $seconds seconds: "<percent of a core at 60 frames/s> <frames/s>".
cpu_of() {
  local hz t0 f0 t1 f1
  hz=$(getconf CLK_TCK)
  t0=$(ticks_of "$1") f0=$(frames_of)
  sleep "$seconds"
  t1=$(ticks_of "$1") f1=$(frames_of)
  awk -v t=$((t1 - t0)) -v f=$((f1 - f0)) -v hz="$hz" -v s="$seconds" 'BEGIN {
    if (f <= 0) { print "- 0"; exit }
    printf "%.1f %.1f\n", 100 * (t / hz) / f * 60, f / s }'
}

measure_screen() {  # under xvfb-run
  local screen=$1 driver pid title play
  VS_SWAP_COUNT_FILE="$run/swaps" LD_PRELOAD="$counter" "$bare" floor $((seconds + 2)) & pid=$!
  sleep 1
  read -r title fps < <(cpu_of $pid)
  echo "$screen floor (bare program): $title % ($fps frames/s)"
  wait $pid
  for driver in opengl gles; do
    (cd "$run" && VEKTOR_SWARM_GRAPHICS=$driver VS_SWAP_COUNT_FILE="$run/swaps" LD_PRELOAD="$counter" \
       exec "$game") & pid=$!
    sleep 3
    xdotool key space  # past the logo
    sleep 2
    read -r title tfps < <(cpu_of $pid)
    xdotool key Return  # Start Game, then past the get-ready zoom
    sleep 4
    read -r play pfps < <(cpu_of $pid)
    kill $pid; wait $pid 2>/dev/null || true
    echo "$screen $driver: title $title % ($tfps frames/s), play $play % ($pfps frames/s)"
  done
}
if [ -n "$inside" ]; then
  measure_screen "$inside"
  exit
fi
[ -e "$counter" ] || { echo "build $counter first (-DVS_BUILD_BENCH=ON)"; exit 1; }
echo "CPU of one core at 60 frames a second, from CPU time per frame presented"
for screen in 640x480 1920x1080; do
  xvfb-run -a -s "-screen 0 ${screen}x24" "$0" --inside $screen "$build" "$seconds"
done | tee "$run/figures"
awk '/ opengl: / { split($0, a, " "); size = a[1]; gt[size] = a[4]; gp[size] = a[9] }
     / gles: /   { split($0, a, " "); size = a[1]; et[size] = a[4]; ep[size] = a[9] }
     END { for (s in gt) printf "%s: OpenGL ES uses %.0f %% of the OpenGL driver on the title, %.0f %% in play\n",
                                s, 100 * et[s] / gt[s], 100 * ep[s] / gp[s] }' "$run/figures"
