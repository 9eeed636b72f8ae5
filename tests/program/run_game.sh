#!/usr/bin/env bash
# Runs the game on a virtual X screen, waits for its window, takes a screenshot, asks the game
# to end and checks that it ended with exit code 0 and that the screenshot is not black.
# usage: run_game.sh GAME CLOSER SCREEN(WxHxD) escape|close SCREENSHOT
set -u
game=$1 closer=$2 screen=$3 how=$4 shot=$5
src=$(cd "$(dirname "$0")/../.." && pwd)
export game closer how shot src
play() {
# Each run starts its display search at its own number: other runs on the machine race for them.
xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 $screen" bash -c '
  # The game keeps its files under data/ in the current directory: give it one of its own.
  run=$(mktemp -d); mkdir "$run/data"; ln -s "$src"/data/*.ogg "$run/data/"; cd "$run"
  "$game" & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  if [ -z "$win" ]; then echo "FAIL: no window appeared"; kill $pid 2>/dev/null; exit 1; fi
  # The first frames take their time on a loaded machine: wait for a lit screen, not a fixed time.
  for i in $(seq 1 100); do
    import -window root "$shot"
    [ "$(convert "$shot" -colorspace Gray -format "%[fx:int(maxima*255)]" info:)" -gt 0 ] && break
    sleep 0.3
  done
  # The first Escape skips the logo, the second leaves the title.
  if [ "$how" = close ]; then "$closer" "$win"; else
    xdotool key --window "$win" Escape; sleep 1; xdotool key --window "$win" Escape; fi
  for i in $(seq 1 200); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo "FAIL: the game did not end"; kill -9 $pid; exit 1; fi
  wait $pid; rc=$?
  if [ $rc -ne 0 ]; then echo "FAIL: exit code $rc, expected 0"; exit 1; fi
' 2>&1
}
for attempt in 1 2 3; do
  out=$(play); rc=$?
  echo "$out"
  # A display taken by someone else between the search and the start is not the game's fault.
  if [ $rc -ne 0 ] && grep -q "Xvfb failed to start" <<<"$out"; then sleep 1; continue; fi
  break
done
[ $rc -eq 0 ] || exit $rc
brightest=$(convert "$shot" -colorspace Gray -format "%[fx:int(maxima*255)]" info:)
if [ "${brightest:-0}" -le 0 ]; then echo "FAIL: the screenshot is black"; exit 1; fi
echo "exit code 0, brightest grey $brightest in $shot"
