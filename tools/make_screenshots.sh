#!/usr/bin/env bash
# Makes the README's pictures in docs/: screenshots of the real game under Xvfb (the title,
# play, and the title through red/cyan glasses), and the sprite sheet scaled up.
# usage: tools/make_screenshots.sh [BUILD_DIR]   (the game must be built)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
game=$(realpath "${1:-build}/vektor-swarm")
. tests/program/lib.sh
mkdir -p docs
convert graphx/vs3D_sprites.png -crop 570x168+0+0 +repage -scale 200% -strip docs/sprite_sheet.png

run=$(make_run_dir)
trap 'rm -rf "$run"' EXIT
export game run src
xvfb-run -a -s "-screen 0 640x480x24" bash -c '
  set -e
  . "$src/tests/program/lib.sh"
  cd "$run"
  SDL_AUDIODRIVER=dummy "$game" & pid=$!
  timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" > /dev/null
  wait_until 30 "$run/logo.png" 200x120+220+150 "(r+g+b)/3>0.5" 0.05
  xdotool key space
  wait_until 30 "$run/title.png" 240x30+200+228 "r>0.6&&g>0.6&&b<0.4" 0.05
  sleep 1; xdotool mousemove 320 250; sleep 0.5; shot "$run/title.png"
  # Off, M\G, R\G, R\C: three clicks on the glasses item.
  for i in 1 2 3; do xdotool mousemove 320 290; sleep 0.3; xdotool click 1; sleep 0.3; done
  sleep 1; shot "$run/stereo.png"
  for i in 1 2; do xdotool mousemove 320 290; sleep 0.3; xdotool click 1; sleep 0.3; done
  xdotool mousemove 320 250; sleep 0.3; xdotool click 1
  sleep 4
  for x in 300 260 220 200 240 280 330; do xdotool mousemove $x 440 click 1; sleep 0.25; done
  sleep 0.4; shot "$run/play.png"
  xdotool key Escape; sleep 0.5; xdotool key Escape; sleep 0.5; xdotool key Escape
  wait $pid
'
for p in title stereo play; do convert "$run/$p.png" -strip "docs/$p.png"; done
rm -f docs/backdrop.png
echo "docs/title.png, docs/stereo.png, docs/play.png and docs/sprite_sheet.png written"
