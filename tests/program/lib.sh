# Shared by the real-program scripts: a private run directory, screenshots, waits on what
# the screen shows, and colour counts over a part of a screenshot.

# A script that fails leaves no game behind: one hung in a dead lock would outlive its display.
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null' EXIT

# A directory with data/ holding links to the game's sounds; the game's files land there.
make_run_dir() {
  local run
  run=$(mktemp -d)
  mkdir "$run/data"
  ln -s "$src"/data/*.ogg "$run/data/"
  echo "$run"
}

# shot FILE: the whole screen.
shot() { import -window root "$1"; }

# picture_shots WxH: for a screen of that size, where the game's 640 x 480 picture lies (scale s,
# offset ox oy, size pw ph, whole picture between black bars), and shot redefined to cut it out
# and bring it back to 640 x 480, so that every region below speaks in game pixels.
picture_shots() {
  local sw=${1%%x*} rest=${1#*x}
  local sh=${rest%%x*}
  read -r s ox oy pw ph < <(awk -v w="$sw" -v h="$sh" 'BEGIN { s = w / 640; if (h / 480 < s) s = h / 480;
    printf "%s %d %d %d %d\n", s, (w - 640 * s) / 2, (h - 480 * s) / 2, 640 * s, 480 * s }')
  shot() {
    if [ "$pw" = 640 ] && [ "$ph" = 480 ]; then import -window root -crop "640x480+${ox}+${oy}" +repage "$1"
    else import -window root -crop "${pw}x${ph}+${ox}+${oy}" +repage -resize "640x480!" "$1"; fi
  }
}

# share FILE WxH+X+Y FX: the share (0..1) of the region's pixels for which the fx test holds.
share() {
  convert "$1" -crop "$2" +repage -fx "$3" -format "%[fx:mean]" info:
}

# changed A B WxH+X+Y: the share of the region's pixels that differ by more than a fifth.
changed() {
  local n
  convert "$1" -crop "$3" +repage "$2.a.png"
  convert "$2" -crop "$3" +repage "$2.b.png"
  n=$(compare -metric AE -fuzz 20% "$2.a.png" "$2.b.png" null: 2>&1)
  rm -f "$2.a.png" "$2.b.png"
  local w=${3%%x*} rest=${3#*x}
  local h=${rest%%+*}
  awk -v n="${n%% *}" -v a=$((w * h)) 'BEGIN { print n / a }'
}

# at_least VALUE MIN: true when VALUE >= MIN.
at_least() { awk -v s="$1" -v m="$2" 'BEGIN { exit !(s >= m) }'; }

# game_gone WHAT: true, after saying so, when the game ($pid, if set) has ended while waiting
# for WHAT: a wait that goes on would only fail later, or block on a window that is gone.
game_gone() {
  local rc
  [ -n "${pid:-}" ] && ! kill -0 "$pid" 2>/dev/null || return 1
  wait "$pid"; rc=$?
  echo "FAIL: the game ended with exit code $rc while waiting for $1"
}

# shots_until SECONDS FILE MIN DESCRIPTION MEASURE...: takes screenshots into FILE until the
# command MEASURE... (run with FILE appended) prints at least MIN; fails after SECONDS, or at
# once when the game ($pid, if set) has ended meanwhile.
shots_until() {
  local limit=$1 file=$2 min=$3 what=$4 s=0
  shift 4
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do
    game_gone "$what in $file" && return 1
    shot "$file"
    s=$("$@" "$file")
    at_least "$s" "$min" && return 0
    sleep 0.3
  done
  echo "FAIL: after ${limit}s only $s of $what in $file (wanted $min)"
  return 1
}

# wait_until SECONDS FILE WxH+X+Y FX MIN: until at least MIN of the region passes the fx test.
share_of() { share "$3" "$1" "$2"; }
wait_until() { shots_until "$1" "$2" "$5" "$3 passing $4" share_of "$3" "$4"; }

# wait_changed SECONDS BEFORE FILE WxH+X+Y MIN: until at least MIN of the region differs from BEFORE.
changed_from() { changed "$1" "$3" "$2"; }
wait_changed() { shots_until "$1" "$3" "$5" "$4 differing from $2" changed_from "$2" "$4"; }

# choose_item INDEX BEFORE FILE: on a menu shown in BEFORE with another item highlighted, points
# at item INDEX (0 is the top one), waits until its line has changed (a highlighted item is
# drawn larger, whatever the glasses), then clicks. The game reads the pointer for the highlight
# before it reads the button, so a click that came with the move would choose the item
# highlighted before it.
choose_item() {
  xdotool mousemove 320 $((250 + 40 * $1))
  wait_changed 20 "$2" "$3" 360x30+140+$((225 + 40 * $1)) 0.08 || return 1
  xdotool click 1
}

# game_ends SECONDS [CAUSE] [LOG]: waits up to SECONDS for the game ($pid) to end; fails (after
# killing it) if it has not, or if its exit code is not 0, then showing LOG if given.
game_ends() {
  local i rc
  for i in $(seq 1 $(($1 * 10))); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -0 $pid 2>/dev/null && { kill -9 $pid; fail "the game did not end${2:+ on $2}"; }
  wait $pid; rc=$?
  [ $rc -eq 0 ] || fail "exit code $rc, expected 0${3:+; the game said: $(cat "$3")}"
}

# logo_title_end DIR COMMAND...: starts the game by COMMAND without sound (its output in
# DIR/out.txt), sees its window, the logo and, after Escape, the title; a second Escape ends it
# with exit code 0. Fails otherwise.
logo_title_end() {
  local at=$1 win
  shift
  SDL_AUDIODRIVER=dummy "$@" > "$at/out.txt" 2>&1 & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared: $(cat "$at/out.txt")"
  wait_until 30 "$at/logo.png" 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
  xdotool key Escape
  wait_until 30 "$at/title.png" 240x30+200+228 "r>0.6&&g>0.6&&b<0.4" 0.05 || exit 1
  xdotool key Escape
  game_ends 10 Escape "$at/out.txt"
}

# read_text FILE WxH+X+Y: the text OCR reads in a region, light text on a dark ground.
read_text() {
  convert "$1" -crop "$2" +repage -resize 300% -negate -colorspace Gray "$1.ocr.png"
  tesseract "$1.ocr.png" - --psm 7 2>/dev/null
}

# hex FILE: its bytes as hex pairs.
hex() { od -An -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //;s/ $//'; }

# start_openbox: a window manager on the display, waited for (30 s at most).
start_openbox() {
  openbox >/dev/null 2>&1 &
  local end=$((SECONDS + 30))
  until xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; do
    [ $SECONDS -lt $end ] || fail "openbox did not start"
    sleep 0.2
  done
}

# window_size WIN: its size as WxH; wait_size WIN WxH: until it has that size, 30 s at most.
window_size() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
wait_size() {
  local end=$((SECONDS + 30))
  while [ $SECONDS -lt $end ]; do
    game_gone "a $2 window" && exit 1
    [ "$(window_size "$1")" = "$2" ] && return 0
    sleep 0.2
  done
  fail "the window is $(window_size "$1"), expected $2"
}

fail() { echo "FAIL: $*"; exit 1; }
