#!/usr/bin/env bash
# The real game played as a player would, on a virtual screen driven with xdotool: the logo
# skipped, the music turned off, a game started, the ship moved and fired, paused, resumed,
# quit to the title, the "R\C" glasses chosen, a game lost to the end, and Escape. Every step
# waits for the picture it expects; on a larger screen the 640 x 480 picture must be scaled,
# aspect kept, between black bars. Then the exit code, both saved files and the audio that
# SDL's disk driver wrote: loud while the music plays, and the shot cue after a click.
# usage: play_run.sh GAME AUDIO_CHECK SCREEN(WxHxD) OUTDIR
set -u
game=$(realpath "$1") checker=$(realpath "$2") screen=$3 out=$(realpath -m "$4")
src=$(cd "$(dirname "$0")/../.." && pwd)
. "$src/tests/program/lib.sh"
rm -rf "$out"; mkdir -p "$out"
run=$(make_run_dir)
export game checker screen out run src

play() {
xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 $screen" bash -c '
  . "$src/tests/program/lib.sh"
  # Every shot is of the game picture, in game pixels (lib.sh); shot_full is the whole screen.
  picture_shots "$screen"
  sw=${screen%%x*}; rest=${screen#*x}; sh=${rest%%x*}
  shot_full() { import -window root "$1"; }
  # text_at FILE WxH+X+Y: the text OCR reads in a region given in game pixels, taken from the
  # screen at its own resolution into FILE.
  text_at() {
    local g=$2 w h x y
    w=${g%%x*}; g=${g#*x}; h=${g%%+*}; g=${g#*+}; x=${g%%+*}; y=${g#*+}
    read -r w h x y < <(awk -v w="$w" -v h="$h" -v x="$x" -v y="$y" -v s="$s" -v ox="$ox" -v oy="$oy" \
      "BEGIN { printf \"%d %d %d %d\", w * s, h * s, ox + x * s, oy + y * s }")
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$1"
    read_text "$1" "${w}x${h}+0+0"
  }
  # wait_text TRIES FILE WxH+X+Y WORD WHAT: until OCR reads WORD in the region, TRIES screenshots
  # 0.3 s apart at most.
  wait_text() {
    local i text=
    for i in $(seq 1 "$1"); do
      text=$(text_at "$2" "$3")
      grep -q "$4" <<<"$text" && return 0
      sleep 0.3
    done
    fail "$5 does not read $4, read: $text"
  }
  # to_screen X Y: a game position in screen pixels.
  to_screen() { awk -v x="$1" -v y="$2" -v s="$s" -v ox="$ox" -v oy="$oy" "BEGIN { printf \"%d %d\", ox + x * s, oy + y * s }"; }
  mouse() { xdotool mousemove $(to_screen "$1" "$2"); }
  # point_at X Y FILE: points at the menu item on line Y and waits until that line has changed
  # in FILE (a highlighted item is drawn larger, whatever the glasses); choose_at X Y then
  # clicks: a click sent with the move could choose the item highlighted before.
  point_at() {
    shot "$3.before.png"
    mouse "$1" "$2"
    wait_changed 20 "$3.before.png" "$3" 360x30+140+$(($2 - 25)) 0.08 || exit 1
  }
  choose_at() { point_at "$1" "$2" "$out/choose_$2.png"; xdotool click 1; }
  audio_at() { stat -c %s "$out/audio.raw" 2>/dev/null || echo 0; }
  # Colour tests: yellow highlighted menu text, anything strongly coloured, anything bright.
  yellow="r>0.6&&g>0.6&&b<0.4"
  coloured="(max(r,max(g,b))-min(r,min(g,b)))>0.35&&max(r,max(g,b))>0.5"
  bright="(r+g+b)/3>0.45"
  mean_in() { convert "$1" -crop "$2" +repage -colorspace Gray -format "%[fx:mean]" info:; }

  cd "$run"
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out/audio.raw" "$game" >"$out/game.log" 2>&1 & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Vektor Swarm 3D$" | head -1)
  [ -n "$win" ] || fail "no window appeared"

  # 1. The logo, over the dimmed backdrop; the music has started.
  wait_until 60 "$out/01_logo.png" 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
  a_music=$(audio_at)
  xdotool key space
  # 2. The title: the first item highlighted in yellow under the pointer.
  wait_until 60 "$out/02_title.png" 240x30+200+228 "$yellow" 0.05 || exit 1
  if [ "$ox" -gt 0 ] || [ "$oy" -gt 0 ]; then
    full="$out/02_title_full.png"
    shot_full "$full"
    for bar in "${ox}x${sh}+0+0" "${ox}x${sh}+$((ox + pw))+0"; do
      [ "$ox" -gt 0 ] || continue
      m=$(convert "$full" -crop "$bar" +repage -format "%[fx:maxima]" info:)
      at_least 0 "$m" || fail "the side bar $bar is not black (brightest $m) in $full"
    done
    for edge in "4x${ph}+${ox}+${oy}" "4x${ph}+$((ox + pw - 4))+${oy}"; do
      m=$(mean_in "$full" "$edge")
      at_least "$m" 0.01 || fail "the picture does not reach $edge (mean $m) in $full: wrong scale"
    done
    echo "letterbox: ${pw}x${ph} picture at ($ox, $oy) between black bars"
  fi
  # 3. Music off (one step from Max), read back from the menu.
  mouse 320 330
  wait_until 20 "$out/03_music_item.png" 300x30+170+308 "$yellow" 0.05 || exit 1
  xdotool click 1
  a_music_end=$(audio_at)
  wait_text 50 "$out/03_music_off.png" 400x40+120+302 Off "the music item"
  # 4. A new game: the get-ready zoom, then play.
  choose_at 320 250
  wait_until 60 "$out/04_ready.png" 300x60+170+255 "$yellow" 0.05 || exit 1
  wait_until 60 "$out/04_play.png" 300x60+170+255 "!($yellow)" 0.999 || exit 1
  # 5. A click fires at once, before the saucer or invader shots can sound: from x 320 the shot
  # climbs into the arch of the middle blocker and punches a hole there (what falls from above
  # hits its top); the cue is in the audio.
  a_fire=$(audio_at)
  xdotool click 1
  wait_changed 20 "$out/04_play.png" "$out/05_fire.png" 16x20+312+360 0.04 || exit 1
  # 6. The formation fills the top, the ship stands at 440, and the picture moves on.
  f=$(share "$out/04_play.png" 600x170+20+60 "$coloured")
  at_least "$f" 0.16 || fail "no formation in $out/04_play.png (coloured share $f)"
  s320=$(share "$out/04_play.png" 60x30+290+425 "$bright")
  at_least "$s320" 0.15 || fail "no ship at x 320 in $out/04_play.png ($s320)"
  wait_changed 20 "$out/05_fire.png" "$out/06_moving.png" 640x300+0+40 0.01 || exit 1
  # The ship follows the mouse, to shelter under the left blocker for the next steps, and fires
  # a second shot into that blocker: its cue is the second chance the audio check has, for a
  # machine so busy that the sound device starts over (after about a second of silence every
  # sound cued meanwhile starts at once, over the first one). A bomb may take the ship first:
  # the click dies with it and the new ship stands at x 320, so both are tried again.
  fired=0
  for try in 1 2 3; do
    [ $try -eq 1 ] || echo "no second shot seen; the ship may have been hit: again ($try of 3)"
    mouse 120 440
    wait_until 10 "$out/06_moved.png" 60x30+90+425 "$bright" 0.15 || continue
    left=$(share "$out/06_moved.png" 60x30+290+425 "$bright")
    at_least 0.02 "$left" || fail "the ship is still at x 320 ($left) in $out/06_moved.png"
    a_fire2=$(audio_at)
    xdotool click 1
    wait_changed 10 "$out/06_moved.png" "$out/06_fire.png" 16x20+112+360 0.04 && { fired=1; break; }
  done
  [ $fired -eq 1 ] || fail "three times no second shot into the left blocker (see $out/06_*.png)"
  # 7. Space pauses: the play picture darkened under the menu with "Resume Game" highlighted.
  shot "$out/07_before_pause.png"
  xdotool key space
  wait_until 20 "$out/07_pause.png" 240x30+200+228 "$yellow" 0.05 || exit 1
  lit=$(mean_in "$out/07_before_pause.png" 150x130+0+290)
  dim=$(mean_in "$out/07_pause.png" 150x130+0+290)
  awk -v a="$lit" -v b="$dim" "BEGIN { exit !(b < a * 0.6) }" ||
    fail "the pause picture is not darkened: mean $dim under the menu, $lit before"
  mouse 140 250  # the pointer off the text, the ship still under the blocker
  wait_text 50 "$out/07_resume_text.png" 300x40+170+222 Resume "the first item of the pause screen"
  # 8. Space resumes: no menu, full brightness again.
  xdotool key space
  wait_until 20 "$out/08_resumed.png" 240x30+200+228 "!($yellow)" 0.99 || exit 1
  back=$(mean_in "$out/08_resumed.png" 150x130+0+290)
  awk -v a="$lit" -v b="$back" "BEGIN { exit !(b > a * 0.8) }" ||
    fail "the resumed picture stays dark: mean $back, $lit before the pause"
  # 9. Space, then Escape on the pause screen: back to the title.
  xdotool key space
  wait_until 20 "$out/09_pause.png" 240x30+200+228 "$yellow" 0.05 || exit 1
  xdotool key Escape
  wait_text 60 "$out/09_start_text.png" 300x40+170+222 Start "the first title item after Escape"
  # 10. The glasses item three times: each step tints the title differently; the third is R\C.
  point_at 320 290 "$out/09_title.png"
  prev="$out/09_title.png"
  for i in 1 2 3; do
    xdotool click 1
    wait_changed 20 "$prev" "$out/10_stereo$i.png" 400x150+120+50 0.2 || exit 1
    prev="$out/10_stereo$i.png"
  done
  # 11. A game lost: the ship kept in the gap between two blockers, under the formation, until
  # the game-over text comes and goes; after each lost ship it is back at x 320.
  choose_at 320 250
  wait_until 60 "$out/11_play.png" 60x30+290+425 "$bright" 0.15 || exit 1
  lost=0 end=$((SECONDS + 1200)) x=220
  while [ $SECONDS -lt $end ]; do
    x=$((x == 220 ? 221 : 220))
    mouse "$x" 440
    shot "$out/11_losing.png"
    if at_least "$(share "$out/11_losing.png" 300x60+170+195 "r>0.7&&g>0.7&&b<0.5")" 0.05; then
      cp "$out/11_losing.png" "$out/11_game_over.png"; lost=1; break
    fi
    sleep 1
  done
  [ $lost -eq 1 ] || fail "no Game Over within 1200 s (last picture $out/11_losing.png)"
  # Back on the title (in R\C the menu is tinted; the flat credit line marks it).
  wait_until 60 "$out/12_title.png" 300x60+170+195 "!(r>0.7&&g>0.7&&b<0.5)" 0.999 || exit 1
  wait_until 60 "$out/12_title.png" 480x20+80+458 "$bright" 0.1 || exit 1
  best=$(text_at "$out/12_best_text.png" 220x26+210+0)
  echo "$best" > "$out/best.txt"
  # 13. Escape ends the program with exit code 0.
  a_end=$(audio_at)
  echo "$a_music $a_music_end $a_fire $a_fire2 $a_end" > "$out/audio_marks.txt"
  xdotool key Escape
  game_ends 15 Escape
' 2>&1
}
for attempt in 1 2 3; do
  output=$(play); rc=$?
  echo "$output"
  # A display taken by someone else between the search and the start is not the game's fault.
  if [ $rc -ne 0 ] && grep -q "Xvfb failed to start" <<<"$output"; then sleep 1; continue; fi
  break
done
[ $rc -eq 0 ] || exit $rc

# Both saved files: the glasses chosen and the best score the title showed.
[ "$(hex "$run/data/anaglyph3d.dat")" = "03 00 00 00" ] || fail "glasses file holds $(hex "$run/data/anaglyph3d.dat")"
[ "$(stat -c %s "$run/data/hiscore.dat")" = 4 ] || fail "best score file is not 4 bytes: $(hex "$run/data/hiscore.dat")"
stored=$(od -An -td4 "$run/data/hiscore.dat" | tr -d ' ')
grep -q "Best: 0*$stored\b" "$out/best.txt" || fail "best score file holds $stored, the title read: $(cat "$out/best.txt")"

# The audio: music loud enough from the logo to the click that turned it off; after the click
# in play the shot cue, found within a second before and four after one of the two clicks.
read -r a_music a_music_end a_fire a_fire2 a_end < "$out/audio_marks.txt"
"$checker" loud "$out/audio.raw" "$a_music" "$a_music_end" -58 || fail "the music is silent in the written audio"
shot_cue() { "$checker" cue "$out/audio.raw" $(($1 - 176400)) $(($1 + 4 * 176400)) "$src/data/shoot.ogg" 0.8; }
shot_cue "$a_fire" || shot_cue "$a_fire2" || fail "the shot cue is in the written audio after neither click"
echo "played end to end at $screen: every step's picture, exit code 0, both files, music and shot cue; screenshots in $out"
rm -rf "$run" "$out/audio.raw"
