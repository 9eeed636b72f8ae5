#!/usr/bin/env bash
# The loudest the real game gets: music and effects set to Max on the title menu by clicking,
# then a minute of play firing as fast as the ship can, the ship roaming under the formation
# (a lost game is followed by a new one), all through SDL's disk audio driver. Prints the peak
# of what was mixed and how many values reached full scale (the mixer's clamp), the half second
# after the device started over on a starved machine counted apart; exits 1 if any other did.
# usage: bench/audio/play_peak.sh BUILD_DIR [SECONDS]   (the build needs tests on, for
# tests/program/audio_check)
set -u
build=$(realpath "$1") seconds=${2:-60}
src=$(cd "$(dirname "$0")/../.." && pwd)
game=$build/vektor-swarm checker=$build/tests/program/audio_check
for f in "$game" "$checker"; do
  [ -x "$f" ] || { echo "missing $f: cmake --build $build --target vektor-swarm audio_check"; exit 2; }
done
. "$src/tests/program/lib.sh"
out=$build/bench/audio/play_peak
rm -rf "$out"; mkdir -p "$out"
run=$(make_run_dir)
trap 'rm -rf "$run"' EXIT
export game checker out run src seconds

xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 640x480x24" bash -c '
  . "$src/tests/program/lib.sh"
  audio_at() { stat -c %s "$out/audio.raw" 2>/dev/null || echo 0; }
  yellow="r>0.6&&g>0.6&&b<0.4"
  cd "$run"
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out/audio.raw" "$game" >"$out/game.log" 2>&1 & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared"
  wait_until 60 "$out/logo.png" 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
  xdotool key space
  wait_until 60 "$out/title.png" 240x30+200+228 "$yellow" 0.05 || exit 1
  # Each volume item goes round its eleven steps, Max to Off and up again, until it reads Max.
  for item in 2 3; do
    choose_item $item "$out/title.png" "$out/item$item.png" || exit 1
    for i in $(seq 1 30); do
      sleep 0.25
      text=$(import -window root -crop 400x40+120+$((222 + 40 * item)) +repage "$out/item$item.png" &&
             read_text "$out/item$item.png" 400x40+0+0)
      [ $i -gt 10 ] && grep -q Max <<<"$text" && break
      xdotool click 1
    done
    grep -q Max <<<"$text" || fail "menu item $item does not come back to Max, read: $text"
    echo "menu item $item: $text"
  done
  shot "$out/volumes.png"
  choose_item 0 "$out/volumes.png" "$out/start.png" || exit 1
  wait_until 60 "$out/play.png" 60x30+290+425 "(r+g+b)/3>0.45" 0.15 || exit 1
  from=$(audio_at) clicks=0
  # Clicks at the height of the first menu item fire in play and start a new game on the title.
  while [ $(( $(audio_at) - from )) -lt $((seconds * 176400)) ]; do
    xdotool mousemove $((40 + RANDOM % 560)) 250
    for i in 1 2 3 4 5 6; do xdotool click 1; clicks=$((clicks + 1)); sleep 0.05; done
    [ $((clicks % 60)) -eq 0 ] && shot "$out/play_$((clicks / 60)).png"
  done
  echo "$from $clicks" > "$out/marks.txt"
  kill -TERM $pid
  game_ends 15 SIGTERM "$out/game.log"
' || exit 1

read -r from clicks < "$out/marks.txt"
echo "$clicks clicks in play"
echo -n "the title, music at Max:  "; "$checker" peak "$out/audio.raw" 0 "$from"
echo -n "play at Max:              "; "$checker" peak "$out/audio.raw" "$from" $((from + seconds * 176400))
