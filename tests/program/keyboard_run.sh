#!/usr/bin/env bash
# The real game played from the keyboard alone, and its ship kept on the picture: the logo
# skipped with space, Down and Up walking the title's highlight, Return starting a game; in
# play the pointer pushed off the picture (into the black bars of a wide screen, or out of the
# window, here wider than the picture) leaves the ship on the picture's edge, and so does holding Left; space pauses, Return
# resumes, space and Up and Return quit to the title, Escape ends the program with exit code 0.
# Without a window manager the game covers the screen; with one ("wm", openbox) it is first
# switched into a window with Alt+Enter, and the pointer must stay inside that window in play.
# usage: keyboard_run.sh GAME SCREEN(WxHxD) OUTDIR [wm]
set -u
game=$(realpath "$1") screen=$2 out=$(realpath -m "$3") wm=${4:-}
src=$(cd "$(dirname "$0")/../.." && pwd)
. "$src/tests/program/lib.sh"
rm -rf "$out"; mkdir -p "$out"
run=$(make_run_dir)
export game screen out run src wm

xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 $screen" bash -c '
  . "$src/tests/program/lib.sh"
  # The picture inside the window: scale s, offset (ox, oy), size pw x ph (window pixels).
  place() {
    local size; size=$(window_size "$win")
    ww=${size%x*} wh=${size#*x}
    read -r s ox oy pw ph < <(awk -v w="$ww" -v h="$wh" "BEGIN { s = w / 640; if (h / 480 < s) s = h / 480;
      printf \"%s %d %d %d %d\n\", s, (w - 640 * s) / 2, (h - 480 * s) / 2, 640 * s, 480 * s }")
  }
  # shot FILE: the game picture cut out of the window, brought back to 640 x 480.
  shot() { import -window "$win" -crop "${pw}x${ph}+${ox}+${oy}" +repage -resize "640x480!" "$1"; }
  # pointer X Y: to a game position (which may lie off the picture), relative to the window.
  pointer() { xdotool mousemove --window "$win" -- $(awk -v x="$1" -v y="$2" -v s="$s" -v ox="$ox" -v oy="$oy" \
    "BEGIN { printf \"%d %d\", ox + x * s, oy + y * s }"); }
  yellow="r>0.6&&g>0.6&&b<0.4"
  bright="(r+g+b)/3>0.45"
  item() { echo "240x30+200+$((228 + 40 * $1))"; }  # the line of menu item N
  # ship_at_left FILE: the ship drawn at the picture left edge, in the row it flies in.
  ship_at_left() { share "$1" 20x30+0+425 "$bright"; }
  # spares FILE: how many spare ships the heads-up display shows (none while a ship dies).
  spares() {
    local n=0 x
    for x in 5 30; do at_least "$(share "$1" 20x14+$x+463 "$bright")" 0.2 && n=$((n + 1)); done
    echo $n
  }
  # step SECONDS FILE REGION FX MIN: wait_until, but a ship lost meanwhile (its keys flushed,
  # the next one back at x 320) answers 1 so that the steps start again with the next ship.
  step() {
    wait_until "$@" && return 0
    xdotool keyup Left
    [ "$(spares "$2")" -lt "$lives" ] && return 1
    exit 1
  }
  # off_the_edge TRY: the pointer pushed far off the left of the picture leaves the ship on
  # its edge (in a window, the pointer itself stays inside the window); then from under the
  # left blocker, Left held walks the ship to the edge, where it stays frame after frame.
  off_the_edge() {
    local f="$out/04_try$1" i
    wait_until 30 "$f.middle.png" 60x30+290+425 "$bright" 0.15 || exit 1
    lives=$(spares "$f.middle.png")
    pointer -400 440
    step 20 "$f.pointer_off.png" 20x30+0+425 "$bright" 0.1 || return 1
    if [ -n "$wm" ]; then
      eval "$(xdotool getmouselocation --shell)"
      eval "$(xdotool getwindowgeometry --shell "$win" | sed "s/^/W/")"
      echo "pointer at $X,$Y; window at $WX,$WY ${WWIDTH}x$WHEIGHT"
      [ "$X" -ge "$WX" ] && [ "$X" -lt $((WX + WWIDTH)) ] && [ "$Y" -ge "$WY" ] && [ "$Y" -lt $((WY + WHEIGHT)) ] ||
        fail "in play the pointer left the window: at $X,$Y, the window at $WX,$WY ${WWIDTH}x$WHEIGHT"
    fi
    pointer 120 440
    step 20 "$f.start.png" 40x30+100+425 "$bright" 0.15 || return 1
    xdotool keydown Left
    step 20 "$f.left.png" 20x30+0+425 "$bright" 0.1 || return 1
    for i in 1 2 3 4 5; do
      shot "$f.held_$i.png"
      at_least "$(ship_at_left "$f.held_$i.png")" 0.1 && continue
      xdotool keyup Left
      [ "$(spares "$f.held_$i.png")" -lt "$lives" ] && return 1
      fail "with Left held the ship left the picture: $f.held_$i.png"
    done
    xdotool keyup Left
  }

  [ -z "$wm" ] || start_openbox
  cd "$run"
  SDL_AUDIODRIVER=dummy "$game" >"$out/game.log" 2>&1 & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared"
  place
  # 1. Past the logo with space; the title opens on its first item.
  xdotool key space
  wait_until 60 "$out/01_title.png" "$(item 0)" "$yellow" 0.05 || exit 1
  if [ -n "$wm" ]; then
    # A window of another shape than the picture, so that it shows bars left and right.
    xdotool key alt+Return
    wait_size "$win" 1280x960
    xdotool windowsize "$win" 1000 500
    wait_size "$win" 1000x500
    place
    pointer 320 250
    wait_until 30 "$out/01_title_window.png" "$(item 0)" "$yellow" 0.05 || exit 1
  fi
  # 2. Down and Up walk the highlight; Return starts a game.
  xdotool key Down
  wait_until 20 "$out/02_down.png" "$(item 1)" "$yellow" 0.05 || exit 1
  xdotool key Up
  wait_until 20 "$out/02_up.png" "$(item 0)" "$yellow" 0.05 || exit 1
  xdotool key Return
  wait_until 60 "$out/03_ready.png" 300x60+170+255 "$yellow" 0.05 || exit 1
  wait_until 60 "$out/03_play.png" 300x60+170+255 "!($yellow)" 0.999 || exit 1
  # 3. The ship held on the picture by the pointer and by the keys (the ship comes at x 320).
  try=1
  until off_the_edge $try; do
    try=$((try + 1))
    [ $try -le 3 ] || fail "three ships lost before the steps were done"
  done
  # 4. Space pauses, Return resumes; space, Up (round to the last item) and Return quit to the title.
  xdotool key space
  wait_until 20 "$out/06_pause.png" "$(item 0)" "$yellow" 0.05 || exit 1
  xdotool key Return
  wait_until 20 "$out/07_resumed.png" "$(item 0)" "!($yellow)" 0.99 || exit 1
  xdotool key space
  wait_until 20 "$out/08_pause.png" "$(item 0)" "$yellow" 0.05 || exit 1
  xdotool key Up
  wait_until 20 "$out/08_quit_item.png" "$(item 4)" "$yellow" 0.05 || exit 1
  xdotool key Return
  wait_until 20 "$out/09_title.png" 480x20+80+458 "$bright" 0.1 || exit 1
  wait_until 20 "$out/09_title.png" "$(item 0)" "$yellow" 0.05 || exit 1
  # 5. Escape on the title ends the program.
  xdotool key Escape
  game_ends 15 Escape "$out/game.log"
' || exit 1
echo "${wm:+in a window under openbox: }keyboard-only game at $screen, the ship held on the picture, exit code 0; screenshots in $out"
rm -rf "$run"
