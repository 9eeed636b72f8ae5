#!/usr/bin/env bash
# The real game under bad conditions, on a virtual screen driven with xdotool; nothing may be lost.
#   sigterm   SIGTERM during play: the game leaves through its exit steps, exit code 0, both
#             files written with the run's values.
#   readonly  the data directory mounted read-only (a private mount namespace, so it holds for
#             root too): the game runs, says one line at exit, exit code 0, old files intact.
#   noaudio   no sound device (SDL tries its usual back ends, and ALSA, configured with no
#             device, finds none) and no sounds either (no data/ where it starts): one line for
#             each and nothing else said, the game plays silently, exit code 0, and the folder
#             it makes for its files is data/, lower case.
#   nodisplay no DISPLAY or WAYLAND_DISPLAY (and no Xvfb): one line and exit code 1, promptly,
#             and the same exit code where DISPLAY names a display that is not there;
#             and the command line, which needs no display: --help and --version on standard
#             output with exit code 0, anything else the usage on standard error and exit code 2.
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
  if [ "$case" = noaudio ]; then
    # Whatever this machine has: no sound server to reach and an ALSA without devices.
    : >"$out/no-devices.conf"
    env -u XDG_RUNTIME_DIR SDL_AUDIODRIVER= ALSA_CONFIG_PATH="$out/no-devices.conf" \
      PULSE_SERVER=unix:/nonexistent "$game" >"$out/game.log" 2>&1 & pid=$!
  else
    SDL_AUDIODRIVER=dummy "$game" >"$out/game.log" 2>&1 & pid=$!
  fi
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared"
  wait_until 60 "$out/logo.png" 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
  xdotool key space
  # The title, whatever the glasses: the flat credit line at the bottom.
  wait_until 60 "$out/title.png" 480x20+80+458 "(r+g+b)/3>0.45" 0.1 || exit 1
  choose_item 1 "$out/title.png" "$out/glasses_item.png" || exit 1
  wait_changed 20 "$out/title.png" "$out/glasses.png" 400x150+120+50 0.2 || exit 1
  # Changed into the title drawn in the new glasses colours, not into a dark screen.
  lit=$(share "$out/glasses.png" 400x150+120+50 "max(r,max(g,b))>0.3")
  at_least "$lit" 0.2 || fail "the title is not drawn after the glasses changed ($lit lit) in $out/glasses.png"
  if [ "$case" = readonly ]; then
    xdotool key Escape
  else
    # Into play: the ship at 320, 440; a shot; then the signal or a pause, the title and Escape.
    choose_item 0 "$out/glasses.png" "$out/start_item.png" || exit 1
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

# ends_alone SECONDS CODE ARGUMENT...: runs the game without a display (or on $display, where
# set); fails unless it ends by itself within SECONDS (that long only on a stalled machine)
# with exit code CODE. Its standard output and error are left in $out/stdout and $out/stderr.
display=
ends_alone() {
  local limit=$1 code=$2 rc
  shift 2
  (cd "$run" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u XDG_RUNTIME_DIR \
     ${display:+DISPLAY=$display} SDL_AUDIODRIVER=dummy timeout -s KILL "$limit" "$game" "$@") \
     >"$out/stdout" 2>"$out/stderr"
  rc=$?
  [ $rc -ne 137 ] || fail "${*:-no arguments}: still running without a display after ${limit}s"
  [ $rc -eq "$code" ] || fail "${*:-no arguments}: exit code $rc, expected $code; it said: $(cat "$out/stdout" "$out/stderr")"
}
lines() { grep -c . "$1"; }

case $case in
  nodisplay)
    ends_alone 60 1
    [ "$(lines "$out/stderr")" -eq 1 ] && grep -qi "display" "$out/stderr" ||
      fail "expected one line about the display on standard error, got: $(cat "$out/stderr")"
    [ "$(lines "$out/stdout")" -eq 0 ] || fail "expected nothing on standard output, got: $(cat "$out/stdout")"
    [ -z "$(ls -A "$run/data" | grep -v '\.ogg$')" ] || fail "files made without a display: $(ls -A "$run/data")"
    said=$(cat "$out/stderr")
    ends_alone 60 0 --help
    grep -q "^Usage: vektor-swarm" "$out/stdout" && [ "$(lines "$out/stderr")" -eq 0 ] ||
      fail "--help: expected the usage on standard output only, got: $(cat "$out/stdout") / $(cat "$out/stderr")"
    ends_alone 60 0 --version
    grep -qx "Vektor Swarm 3D [0-9][0-9.]*" "$out/stdout" && [ "$(lines "$out/stderr")" -eq 0 ] ||
      fail "--version: expected one line with the version, got: $(cat "$out/stdout") / $(cat "$out/stderr")"
    for wrong in --fullscreen "--help --version" -h; do
      # shellcheck disable=SC2086  # split on purpose: one or two arguments
      ends_alone 60 2 $wrong
      grep -q "^Usage: vektor-swarm" "$out/stderr" && [ "$(lines "$out/stdout")" -eq 0 ] ||
        fail "$wrong: expected the usage on standard error only, got: $(cat "$out/stdout") / $(cat "$out/stderr")"
    done
    # A display named but not there: SDL would fall back to drawing unseen.
    display=:64999
    while [ -e /tmp/.X11-unix/X${display#:} ]; do display=:$((${display#:} - 1)); done
    ends_alone 60 1
    grep -q "Cannot open" "$out/stderr" || fail "display $display: expected a line saying the screen cannot be opened, got: $(cat "$out/stderr")"
    echo "no display: one line ($said) and exit code 1; display $display not there: exit code 1;" \
         "--help, --version 0; other arguments 2"
    exit 0
    ;;
  sigterm)
    output=$(xvfb) || { echo "$output"; exit 1; }
    ;;
  noaudio)
    rm -rf "$run/data"
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
    [ "$said" -eq 2 ] && grep -q "^No audio device" "$out/game.log" &&
      grep -q "^No sounds: .*$run.*scripts/play.sh" "$out/game.log" ||
      fail "expected two lines, one on the sound device and one on where the sounds are looked for, the game said: $(cat "$out/game.log")"
    [ "$(ls "$run")" = data ] || fail "expected the folder data/ alone, found: $(ls "$run")"
    [ "$(hex "$run/data/anaglyph3d.dat")" = "01 00 00 00" ] || fail "glasses file holds $(hex "$run/data/anaglyph3d.dat")"
    [ "$(hex "$run/data/hiscore.dat")" = "00 00 00 00" ] || fail "best score file holds $(hex "$run/data/hiscore.dat")"
    echo "no audio device, no sounds: played, exit code 0, said: $(cat "$out/game.log")"
    ;;
esac
