#!/usr/bin/env bash
# The real game under bad conditions, on a virtual screen driven with xdotool; nothing may be lost.
#   sigterm   SIGTERM during play: the game leaves through its exit steps, exit code 0, both
#             files written with the run's values.
#   readonly  the data directory mounted read-only (a private mount namespace, so it holds for
#             root too): the game runs, says one line at exit, exit code 0, old files intact.
#   noaudio   an audio driver that does not exist: at most one line said, the game plays
#             silently, exit code 0.
# Exits 77 (not applicable) only when the read-only mount cannot be made on this machine.
# usage: fault_run.sh GAME CASE OUTDIR
set -u
game=$(realpath "$1") case=$2 out=$(realpath -m "$3")
src=$(cd "$(dirname "$0")/../.." && pwd)
. "$src/tests/program/lib.sh"
rm -rf "$out"; mkdir -p "$out"
run=$(make_run_dir)
trap 'rm -rf "$run"' EXIT
export game case out run src

# Run inside xvfb-run: start the game, see the title, set the glasses to the next type.
drive='
  . "$src/tests/program/lib.sh"
  cd "$run"
  audio=dummy; [ "$case" = noaudio ] && audio=no-such-driver
  SDL_AUDIODRIVER=$audio "$game" >"$out/game.log" 2>&1 & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared"
  wait_until 60 "$out/logo.png" 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
  xdotool key space
  # The title, whatever the glasses: the flat credit line at the bottom.
  wait_until 60 "$out/title.png" 480x20+80+458 "(r+g+b)/3>0.45" 0.1 || exit 1
  choose_item 1 "$out/title.png" "$out/glasses_item.png" || exit 1
  wait_changed 20 "$out/title.png" "$out/glasses.png" 400x150+120+50 0.2 || exit 1
  if [ "$case" = readonly ]; then
    xdotool key Escape
  else
    # Into play: the ship at 320, 440; a shot; then the signal or a pause, the title and Escape.
    xdotool mousemove 320 250; sleep 0.3; xdotool click 1
    wait_until 60 "$out/play.png" 60x30+290+425 "(r+g+b)/3>0.45" 0.15 || exit 1
    xdotool click 1
    if [ "$case" = sigterm ]; then
      kill -TERM $pid
    else
      wait_changed 20 "$out/play.png" "$out/playing.png" 640x300+0+40 0.01 || exit 1
      xdotool key space
      wait_until 20 "$out/pause.png" 150x130+0+290 "(r+g+b)/3<0.15" 0.97 || exit 1
      xdotool key Escape
      wait_changed 20 "$out/pause.png" "$out/title2.png" 640x120+0+300 0.05 || exit 1
      xdotool key Escape
    fi
  fi
  game_ends 15 "" "$out/game.log"
'
export drive
xvfb() { xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 640x480x24" bash -c "$drive" 2>&1; }
export -f xvfb

case $case in
  sigterm | noaudio)
    output=$(xvfb) || { echo "$output"; exit 1; }
    ;;
  readonly)
    printf '\xd2\x04\x00\x00' > "$run/data/hiscore.dat"
    printf '\x02\x00\x00\x00' > "$run/data/anaglyph3d.dat"
    if ! unshare -m --propagation private true 2>/dev/null; then
      echo "NOT APPLICABLE: no private mount namespace here (unshare -m failed), so no read-only data directory"
      exit 77
    fi
    output=$(unshare -m --propagation private bash -c '
      mount --bind "$run/data" "$run/data" && mount -o remount,bind,ro "$run/data" || exit 77
      touch "$run/data/probe" 2>/dev/null && { echo "the read-only mount still takes writes"; exit 77; }
      xvfb')
    rc=$?
    if [ $rc -eq 77 ]; then echo "NOT APPLICABLE: cannot mount the data directory read-only here: $output"; exit 77; fi
    [ $rc -eq 0 ] || { echo "$output"; exit 1; }
    ;;
  *) fail "unknown case $case" ;;
esac

said=$(grep -c . "$out/game.log")
case $case in
  sigterm)
    [ "$said" -eq 0 ] || fail "expected nothing said, the game said: $(cat "$out/game.log")"
    [ "$(hex "$run/data/anaglyph3d.dat")" = "01 00 00 00" ] || fail "glasses file holds $(hex "$run/data/anaglyph3d.dat")"
    [ "$(hex "$run/data/hiscore.dat")" = "00 00 00 00" ] || fail "best score file holds $(hex "$run/data/hiscore.dat")"
    echo "SIGTERM in play: exit code 0 and both files written"
    ;;
  readonly)
    [ "$said" -eq 1 ] || fail "expected one line, the game said $said: $(cat "$out/game.log")"
    grep -q "hiscore.dat" "$out/game.log" && grep -q "anaglyph3d.dat" "$out/game.log" ||
      fail "the line does not name both files: $(cat "$out/game.log")"
    [ "$(hex "$run/data/hiscore.dat")" = "d2 04 00 00" ] || fail "best score file now holds $(hex "$run/data/hiscore.dat")"
    [ "$(hex "$run/data/anaglyph3d.dat")" = "02 00 00 00" ] || fail "glasses file now holds $(hex "$run/data/anaglyph3d.dat")"
    [ -z "$(ls -A "$run/data" | grep -v '\.ogg$' | grep -v '\.dat$')" ] || fail "left behind: $(ls -A "$run/data")"
    echo "read-only data: exit code 0, one line ($(cat "$out/game.log")), old files intact"
    ;;
  noaudio)
    [ "$said" -le 1 ] || fail "expected at most one line, the game said: $(cat "$out/game.log")"
    [ "$(hex "$run/data/anaglyph3d.dat")" = "01 00 00 00" ] || fail "glasses file holds $(hex "$run/data/anaglyph3d.dat")"
    echo "no audio device: played, exit code 0, said: $(cat "$out/game.log")"
    ;;
esac
