#!/usr/bin/env bash
# The game ends, instead of living on without a screen, when its X display goes away: with
# exit code 1 and Xlib's one line, not by a signal or with anything else said.
# usage: display_lost.sh GAME
set -u
game=$(realpath "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
. "$src/tests/program/lib.sh"
run=$(make_run_dir)
trap 'kill -9 $xvfb $pid 2>/dev/null; rm -rf "$run"' EXIT
exec 3>"$run/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 2>/dev/null & xvfb=$!
for i in $(seq 1 100); do [ -s "$run/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$run/display")
cd "$run"
SDL_AUDIODRIVER=dummy "$game" > "$run/out.txt" 2>&1 & pid=$!
[ -n "$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)" ] || fail "no window appeared"
# The game shows its logo and answers: space brings the title, its first item in yellow.
wait_until 60 "$run/logo.png" 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
xdotool key space
wait_until 60 "$run/title.png" 240x30+200+228 "r>0.6&&g>0.6&&b<0.4" 0.05 || exit 1
kill $xvfb
for i in $(seq 1 600); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && fail "the game still runs a minute after its display went away"
wait $pid; rc=$?
said=$(tr '\n' ' ' < "$run/out.txt")
# Xlib ends the process with exit code 1 once its connection breaks, after saying so; a crash
# on the way out ends it by a signal (an exit code above 128), an uncaught exception with 255.
[ $rc -eq 1 ] || fail "expected exit code 1, Xlib's on a broken connection, got $rc; the game said: $said"
grep -q "X connection to .* broken\|XIO: *fatal IO error" "$run/out.txt" ||
  fail "expected Xlib's word on the broken connection, the game said: $said"
others=$(grep -v "X connection to .* broken\|XIO: *fatal IO error\|after [0-9]* requests\|^ *$" "$run/out.txt")
[ -z "$others" ] || fail "expected only Xlib's word on the way out, the game also said: $others"
echo "the game ended with exit code 1 when its display went away, saying: $said"
