#!/usr/bin/env bash
# CPU of the whole real program (every thread: utime + stime of /proc/PID/stat) over a fixed
# window, under Xvfb with Mesa's software renderer, on the title and in play, at 640 x 480 and
# 1920 x 1080, through the OpenGL and the OpenGL ES drivers in the same run, beside the floor: a
# bare program that only draws a 640 x 480 backdrop and scales it into the window (bare_gl).
# Run from the repository root. usage: bench/gfx/cpu_usage.sh BUILD_DIR [SECONDS]
set -eu
if [ "${1:-}" = --inside ]; then inside=$2; shift 2; else inside=""; fi
build=$(realpath "$1") seconds=${2:-6}
game="$build/vektor-swarm" bare="$build/bench/gfx/bare_gl"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
cp -r data "$run/" 2>/dev/null || mkdir -p "$run/data"

# Percent of one core PID used over the next $seconds seconds.
cpu_of() {
  local hz before after
  hz=$(getconf CLK_TCK)
  before=$(awk '{ print $14 + $15 }' /proc/$1/stat)
  sleep "$seconds"
  after=$(awk '{ print $14 + $15 }' /proc/$1/stat)
  awk -v d=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.0f", 100 * d / hz / s }'
}

measure_screen() {  # under xvfb-run
  local screen=$1 driver pid title play
  "$bare" floor $((seconds + 2)) & pid=$!
  sleep 1
  echo "$screen floor (bare program): $(cpu_of $pid) %"
  wait $pid
  for driver in opengl gles; do
    (cd "$run" && VEKTOR_SWARM_GRAPHICS=$driver exec "$game") & pid=$!
    sleep 3
    xdotool key space  # past the logo
    sleep 2
    title=$(cpu_of $pid)
    xdotool mousemove 320 250 && sleep 0.5 && xdotool click 1  # Start Game
    sleep 4
    play=$(cpu_of $pid)
    kill $pid; wait $pid 2>/dev/null || true
    echo "$screen $driver: title $title %, play $play %"
  done
}
if [ -n "$inside" ]; then
  measure_screen "$inside"
  exit
fi
for screen in 640x480 1920x1080; do
  xvfb-run -a -s "-screen 0 ${screen}x24" "$0" --inside $screen "$build" "$seconds"
done
