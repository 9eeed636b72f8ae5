#!/usr/bin/env bash
# The game ends, instead of living on without a screen, when its X display goes away.
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
kill $xvfb
for i in $(seq 1 600); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && fail "the game still runs a minute after its display went away"
wait $pid
grep -q "Unhandled exception" "$run/out.txt" && fail "the way out failed: $(cat "$run/out.txt")"
echo "the game ended with exit code $? when its display went away: $(tr '\n' ' ' < "$run/out.txt")"
