#!/usr/bin/env bash
# The real game on a virtual screen, driven with xdotool: the logo, space to skip it, the title
# menu, the glasses item changing the colours, Escape to end with exit code 0, and the two saved
# files, with a best score stored before the run shown on the title and kept.
# usage: title_run.sh GAME OUTDIR
set -u
game=$(realpath "$1") out=$(realpath -m "$2")
src=$(cd "$(dirname "$0")/../.." && pwd)
. "$src/tests/program/lib.sh"
mkdir -p "$out"
run=$(make_run_dir)
printf '\xd2\x04\x00\x00' > "$run/data/hiscore.dat"
export game out run src

xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 640x480x24" bash -c '
  . "$src/tests/program/lib.sh"
  cd "$run"
  SDL_AUDIODRIVER=dummy "$game" & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared"
  # The logo: bright pixels in its middle.
  wait_until 30 "$out/logo.png" 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
  xdotool key space
  # The title: the highlighted first item in yellow, the others in purple.
  wait_until 30 "$out/title.png" 240x30+200+228 "r>0.6&&g>0.6&&b<0.4" 0.05 || exit 1
  purple=$(share "$out/title.png" 300x30+170+268 "r>0.5&&g<0.5&&b>0.6")
  at_least "$purple" 0.03 || fail "no purple item text at y 280 ($purple)"
  best=$(read_text "$out/title.png" 220x26+210+0)
  grep -q "Best: 1234" <<<"$best" || fail "expected Best: 1234 on the title, read: $best"
  # Through the first glasses ("M\G") the title picture is drawn twice in the eye colours:
  # magenta for the left eye, green for the right, where the flat title has next to no green.
  choose_item 1 "$out/title.png" "$out/glasses_item.png" || exit 1
  wait_until 20 "$out/stereo.png" 400x150+120+50 "g>0.3&&g>2*r" 0.03 || exit 1
  magenta=$(share "$out/stereo.png" 400x150+120+50 "r>0.3&&r>2*g")
  at_least "$magenta" 0.03 || fail "no left-eye copy of the title in $out/stereo.png (magenta share $magenta)"
  xdotool key Escape
  game_ends 10 Escape
' || exit 1

[ "$(hex "$run/data/hiscore.dat")" = "d2 04 00 00" ] || fail "best score file now holds $(hex "$run/data/hiscore.dat")"
[ "$(hex "$run/data/anaglyph3d.dat")" = "01 00 00 00" ] || fail "glasses file holds $(hex "$run/data/anaglyph3d.dat")"
echo "logo, title, Best: 1234, stereo colours, exit code 0 and both files as expected; screenshots in $out"
rm -rf "$run"
