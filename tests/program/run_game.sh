#!/usr/bin/env bash
# Runs the game on a virtual X screen: the logo, Escape to skip it, the title; then it asks the
# game to end, by Escape or by a window manager's close request, and the game must end with
# exit code 0.
# usage: run_game.sh GAME CLOSER SCREEN(WxHxD) escape|close SCREENSHOT
set -u
game=$(realpath "$1") closer=$(realpath "$2") screen=$3 how=$4 shot=$(realpath -m "$5")
src=$(cd "$(dirname "$0")/../.." && pwd)
export game closer screen how shot src
play() {
# Each run starts its display search at its own number: other runs on the machine race for them.
xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 $screen" bash -c '
  . "$src/tests/program/lib.sh"
  picture_shots "$screen"
  run=$(make_run_dir); cd "$run"
  SDL_AUDIODRIVER=dummy "$game" >"$run/game.log" 2>&1 & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared"
  # The logo: bright pixels in its middle.
  wait_until 60 "$shot" 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
  # Two Escapes sent together could both reach the logo: the title, its first item
  # highlighted in yellow, is waited for in between.
  xdotool key --window "$win" Escape
  wait_until 60 "${shot%.png}_title.png" 240x30+200+228 "r>0.6&&g>0.6&&b<0.4" 0.05 || exit 1
  if [ "$how" = close ]; then "$closer" "$win"; else xdotool key --window "$win" Escape; fi
  game_ends 20 "$how" "$run/game.log"
  rm -rf "$run"
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
echo "logo shown, ended on $how with exit code 0; screenshot $shot"
