#!/usr/bin/env bash
# Installs the game under a scratch prefix, checks what lands where, starts the installed game
# by name from another directory under Xvfb (a per-user run directory with the sounds, saved
# files kept there, links left by an earlier installation mended or removed), and uninstalls it
# again: no file or folder of the game's is left, nor a dangling link in the per-user folder.
# usage: install_run.sh BUILD_DIR
set -u
build=$(realpath "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
. "$src/tests/program/lib.sh"
tmp=$(mktemp -d)
prefix=$tmp/prefix
# The build's own manifest belongs to whoever installed from it; keep it.
manifest=$build/install_manifest.txt
[ -f "$manifest" ] && cp "$manifest" "$tmp/manifest.saved"
restore() { if [ -f "$tmp/manifest.saved" ]; then cp "$tmp/manifest.saved" "$manifest"; else rm -f "$manifest"; fi; }
trap 'restore; rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$prefix" > "$tmp/install.log" || fail "cmake --install failed: $(cat "$tmp/install.log")"
cp "$manifest" "$tmp/manifest"
[ -x "$prefix/bin/vektor-swarm" ] || fail "no launcher in bin/"
[ -x "$prefix/libexec/vektor-swarm/vektor-swarm" ] || fail "no executable in libexec/vektor-swarm/"
[ "$(ls "$prefix"/share/vektor-swarm/data/*.ogg | wc -l)" -eq 11 ] || fail "the eleven sounds are not installed"
desktop=$prefix/share/applications/vektor-swarm.desktop
grep -qx "Categories=Game;ArcadeGame;" "$desktop" || fail "desktop entry without the game categories"
grep -qx "Exec=$prefix/bin/vektor-swarm" "$desktop" || fail "desktop entry does not start the launcher: $(grep Exec "$desktop")"
grep -qx "Icon=vektor-swarm" "$desktop" || fail "desktop entry without the icon"
for n in 32 48 64 128 256; do
  size=$(identify -format "%wx%h" "$prefix/share/icons/hicolor/${n}x$n/apps/vektor-swarm.png") ||
    fail "no ${n}px icon"
  [ "$size" = "${n}x$n" ] || fail "the ${n}px icon is $size"
done

# Started by name from / with a fresh home: the run directory appears under ~/.local/share.
export HOME=$tmp/home PATH="$prefix/bin:$PATH" src
unset XDG_DATA_HOME
run=$HOME/.local/share/vektor-swarm
# Links from an installation that has gone since: one to a sound still installed, one not.
mkdir -p "$run/data"
ln -s "$tmp/gone/shoot.ogg" "$run/data/shoot.ogg"
ln -s "$tmp/gone/retired.ogg" "$run/data/retired.ogg"
dangling() { find "$run/data" -xtype l; }
xvfb-run -a -n $((100 + $$ % 400 + RANDOM % 50)) -s "-screen 0 640x480x24" bash -c '
  . "$src/tests/program/lib.sh"
  cd /
  logo_title_end "$HOME" vektor-swarm
' || exit 1
grep -q "not found" "$HOME/out.txt" && fail "the installed game misses sounds: $(cat "$HOME/out.txt")"
[ -z "$(dangling)" ] || fail "the launcher left dangling links: $(dangling)"
[ "$(readlink -f "$run/data/shoot.ogg")" = "$(readlink -f "$prefix/share/vektor-swarm/data/shoot.ogg")" ] ||
  fail "the stale link to shoot.ogg was not mended: $(readlink "$run/data/shoot.ogg")"
[ "$(stat -c %s "$run/data/hiscore.dat")" = 4 ] || fail "no best-score file in $run/data"
[ "$(stat -c %s "$run/data/anaglyph3d.dat")" = 4 ] || fail "no glasses file in $run/data"

cmake -P "$src/desktop/uninstall.cmake" "$tmp/manifest" > /dev/null || fail "uninstall failed"
left=$(find "$prefix" -type f | wc -l)
[ "$left" -eq 0 ] || fail "uninstall left $left files: $(find "$prefix" -type f)"
own=$(find "$prefix" -name "vektor-swarm*")
[ -z "$own" ] || fail "uninstall left the game's folders: $own"
[ -z "$(dangling)" ] || fail "uninstall left dangling links in $run/data: $(dangling)"
[ "$(stat -c %s "$run/data/hiscore.dat")" = 4 ] || fail "uninstall took the saved files"
echo "installed, ran from / with its files in $run, and uninstalled without a trace"
