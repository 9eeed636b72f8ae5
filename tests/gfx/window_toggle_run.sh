#!/usr/bin/env bash
# The real game on a 1920 x 1080 virtual screen: its window carries the 64-pixel icon and covers
# the screen; on the title menu, Alt+Enter makes it a 1280 x 960 window, which resized to
# 1000 x 500 shows the whole picture between black bars; F11 covers the screen again with bars
# left and right; Escape still ends the game with exit code 0. Without a window manager the
# game covers the screen by itself; with one (openbox, "wm") the full-screen state is asked of
# it, and is on in full screen and off in the window.
# usage: window_toggle_run.sh GAME OUTDIR [wm]
set -u
game=$(realpath "$1") out=$(realpath -m "$2") wm=${3:-}
src=$(cd "$(dirname "$0")/../.." && pwd)
. "$src/tests/program/lib.sh"
mkdir -p "$out"
run=$(make_run_dir)
export game out run wm src

xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 1920x1080x24" bash -c '
  . "$src/tests/program/lib.sh"
  # lit FILE WxH+X+Y: the share of the region that is not pure black.
  lit() { convert "$1" -crop "$2" +repage -fill white +opaque black -format "%[fx:mean]" info:; }
  # wait_bars FILE PICTURE [BAR ...]: screenshots of the window until the picture region is
  # all lit and every bar region all black, at most 30 s.
  wait_bars() {
    local file=$1 picture=$2 end=$((SECONDS + 30)) seen ok bar
    shift 2
    while [ $SECONDS -lt $end ]; do
      game_gone "bars in $file" && exit 1
      import -window "$win" "$file"
      seen="picture $picture lit $(lit "$file" "$picture")"
      ok=1
      [ "$(lit "$file" "$picture")" = 1 ] || ok=0
      for bar in "$@"; do
        seen="$seen, bar $bar lit $(lit "$file" "$bar")"
        [ "$(lit "$file" "$bar")" = 0 ] || ok=0
      done
      [ $ok = 1 ] && return 0
      sleep 0.3
    done
    fail "in $file expected the picture all lit and the bars all black, got $seen"
  }
  # wait_title: screenshots until the title menu shows its first item highlighted in yellow
  # (context 200..440 x 228..258, at 2.25x from x 240 on the full screen), at most 60 s.
  wait_title() {
    local end=$((SECONDS + 60)) s=0
    while [ $SECONDS -lt $end ]; do
      game_gone "the title" && exit 1
      import -window "$win" "$out/title.png"
      s=$(convert "$out/title.png" -crop 540x68+690+513 +repage -fx "r>0.6&&g>0.6&&b<0.4" -format "%[fx:mean]" info:)
      awk -v s="$s" "BEGIN { exit !(s >= 0.05) }" && return 0
      sleep 0.3
    done
    fail "no title menu after 60 s (yellow share $s)"
  }
  # full_state yes|no: whether the window manager holds the window in its full-screen state.
  full_state() {
    [ -n "$wm" ] || return 0
    local end=$((SECONDS + 30)) state
    while [ $SECONDS -lt $end ]; do
      game_gone "the full-screen state $1" && exit 1
      state=$(xprop -id "$win" _NET_WM_STATE)
      case "$1:$state" in yes:*_NET_WM_STATE_FULLSCREEN*) return 0 ;; no:*FULLSCREEN*) ;; no:*) return 0 ;; esac
      sleep 0.2
    done
    fail "expected the full-screen state $1, the window has: $state"
  }
  [ -z "$wm" ] || start_openbox
  cd "$run"
  SDL_AUDIODRIVER=dummy "$game" & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared"
  xprop -id "$win" _NET_WM_ICON | grep -q "Icon (64 x 64)" || fail "the window has no 64 x 64 icon"
  wait_size "$win" 1920x1080
  full_state yes
  # Past the logo, whose fade starts from black and which Escape would skip; should the space
  # come before the logo reads keys, the logo ends by itself.
  xdotool key space
  wait_title
  xdotool key alt+Return
  wait_size "$win" 1280x960
  full_state no
  wait_bars "$out/window_2x.png" 1280x960+0+0
  xdotool windowsize "$win" 1000 500
  wait_size "$win" 1000x500
  # 667 x 500 of picture from x 166 on.
  wait_bars "$out/window_1000x500.png" 640x490+180+5 150x500+0+0 150x500+850+0
  xdotool key F11
  wait_size "$win" 1920x1080
  full_state yes
  # 1440 x 1080 of picture from x 240 on.
  wait_bars "$out/full_screen.png" 1400x1070+260+5 230x1080+0+0 230x1080+1690+0
  xdotool key Escape
  game_ends 10 Escape
' || exit 1
echo "${wm:+under openbox: }icon, 1280 x 960 window, letterboxed at 1000 x 500, full screen again and exit code 0; screenshots in $out"
rm -rf "$run"
