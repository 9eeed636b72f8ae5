#!/usr/bin/env bash
# The Debian package from end to end, as root or through sudo: builds it with scripts/deb.sh
# (lintian included); in a fresh minimal Debian 12 root made with mmdebstrap, installs it with
# apt and runs it under Xvfb and on SDL's offscreen driver (EGL and OpenGL ES, as on Wayland),
# every library the game loads coming from a package that apt brought with it; then on this
# machine installs it, finds it in the AppStream pool and its manual page with man, starts the
# game under Xvfb from its desktop entry's Exec line and by name from another directory,
# removes it, installs it again and purges it. After each, nothing of the package is left and
# the saved files in the user's folder are.
# A package installed here before is replaced and purged. The fresh root downloads about
# 60 MB from the machine's apt sources.
# usage: scripts/deb_install_run.sh [OUT]
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
out=${1:-build-deb}
mkdir -p "$out"
out=$(cd "$out" && pwd)
. tests/program/lib.sh
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
apt_get() { DEBIAN_FRONTEND=noninteractive $sudo apt-get -y -q "$@"; }

scripts/install_deps.sh test
command -v mmdebstrap > /dev/null || apt_get install --no-install-recommends mmdebstrap
scripts/deb.sh "$out"
version=$(dpkg-parsechangelog -S Version)
deb=$out/vektor-swarm_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb
id=invalid.vektor_swarm.VektorSwarm3D

home=$(mktemp -d)
fresh=$(mktemp -d)
cleanup() {
  if mountpoint -q "$fresh/proc"; then $sudo umount "$fresh/proc" || return; fi
  $sudo rm -rf --one-file-system "$home" "$fresh"
}
trap cleanup EXIT

# In a fresh root, apt brings what the game needs: the libraries the game loads while it runs
# under Xvfb all come from packages installed with it, none from those Xvfb brought after.
echo "== a fresh Debian 12 root"
sources=""
for f in /etc/apt/sources.list.d/debian.sources /etc/apt/sources.list; do
  if [ -s "$f" ]; then sources=$f; break; fi
done
$sudo mmdebstrap --variant=apt bookworm "$fresh" ${sources:+"$sources"} > "$out/fresh_root.log" 2>&1 ||
  fail "mmdebstrap failed: $(tail -5 "$out/fresh_root.log")"
$sudo cp "$deb" tests/program/lib.sh "$fresh/tmp/"
# mmdebstrap made the root's own /dev; only /proc is mounted.
$sudo mount -t proc proc "$fresh/proc"
$sudo tee "$fresh/tmp/fresh_run.sh" > /dev/null <<'EOF'
set -e
list() { dpkg-query -W -f='${Package}\n' | sort > "$1"; }
list /tmp/base.txt
apt-get update -q > /dev/null
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "/tmp/$1" > /tmp/install.log
list /tmp/with_game.txt
echo "apt installed $(comm -13 /tmp/base.txt /tmp/with_game.txt | wc -l) packages with it:" \
     "$(comm -13 /tmp/base.txt /tmp/with_game.txt | tr '\n' ' ')"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends xvfb xauth xdotool \
  imagemagick > /dev/null
list /tmp/with_x.txt
comm -13 /tmp/with_game.txt /tmp/with_x.txt > /tmp/x_only.txt
# The dynamic loader names every library it loads, those opened at run time too.
cd /
HOME=/root SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 640x480x24" bash -c '
  . /tmp/lib.sh
  LD_DEBUG=files LD_DEBUG_OUTPUT=/tmp/ld vektor-swarm > /tmp/game.txt 2>&1 & pid=$!
  wait_until 60 /tmp/logo.png 200x120+220+150 "(r+g+b)/3>0.5" 0.05 || exit 1
  xdotool key Escape
  wait_until 30 /tmp/title.png 240x30+200+228 "r>0.6&&g>0.6&&b<0.4" 0.05 || exit 1
  xdotool key Escape
  game_ends 10 Escape /tmp/game.txt'
echo "the game showed its logo and title there and ended with exit code 0 on Escape;" \
     "it said: [$(cat /tmp/game.txt)]"
# SDL's offscreen driver draws through EGL and OpenGL ES, as under Wayland: the OpenGL ES driver
# must be had there too, without the hand-over to OpenGL. A SIGTERM that comes while the game
# starts up can go unheard, so it is sent again until the game ends.
HOME=/root SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=offscreen VEKTOR_SWARM_GRAPHICS=gles \
  LD_DEBUG=files LD_DEBUG_OUTPUT=/tmp/ld_offscreen vektor-swarm > /tmp/offscreen.txt 2>&1 & pid=$!
for i in $(seq 600); do grep -qs _dri.so /tmp/ld_offscreen.* && break; sleep 0.1; done
for i in $(seq 60); do [ -n "$(jobs -pr)" ] || break; kill -TERM $pid; sleep 0.5; done
wait $pid || true
grep -qs _dri.so /tmp/ld_offscreen.* || { echo "FAIL: no Mesa driver offscreen: $(cat /tmp/offscreen.txt)"; exit 1; }
if grep -q "using OpenGL" /tmp/offscreen.txt || ! grep -qs "calling init: .*libGLESv2" /tmp/ld_offscreen.*; then
  echo "FAIL: no OpenGL ES through EGL offscreen; the game said: $(cat /tmp/offscreen.txt)"
  exit 1
fi
echo "offscreen it opened OpenGL ES through EGL (libGLESv2 loaded, no hand-over to OpenGL);" \
     "it said: [$(cat /tmp/offscreen.txt)]"
# A library's path as loaded may go through /lib, which /usr/lib holds, or a link.
owner() {
  local alt found
  for alt in "$1" "$(readlink -f "$1")" "/usr$1" "${1#/usr}"; do
    found=$(dpkg -S "$alt" 2> /dev/null | sed -n '1s/: \/.*//p')
    if [ -n "$found" ]; then echo "$found" | tr ',' '\n' | sed 's/^ *//; s/:.*//'; return 0; fi
  done
  echo "FAIL: $1, loaded by the game, belongs to no package" >&2
  return 1
}
sed -n 's/.*calling init: //p' /tmp/ld.* /tmp/ld_offscreen.* | sort -u > /tmp/loaded_files.txt
while read -r f; do owner "$f" || exit 1; done < /tmp/loaded_files.txt > /tmp/owners.txt
sort -u /tmp/owners.txt > /tmp/loaded.txt
echo "the two runs loaded libraries of $(wc -l < /tmp/loaded.txt) packages, among them:" \
     "$(grep -E 'mesa|^libgl|^libegl' /tmp/loaded.txt | tr '\n' ' ')"
extra=$(comm -12 /tmp/loaded.txt /tmp/x_only.txt)
[ -z "$extra" ] || { echo "FAIL: the game loads libraries of packages it does not depend on: $extra"; exit 1; }
echo "saved there: $(ls /root/.local/share/vektor-swarm/data/*.dat | tr '\n' ' ')"
EOF
$sudo chroot "$fresh" env PATH=/usr/local/bin:/usr/bin:/bin:/usr/games bash /tmp/fresh_run.sh "${deb##*/}" ||
  fail "the package in a fresh root"
run=$home/.local/share/vektor-swarm

install_it() {
  echo "== apt-get install $deb"
  apt_get install --no-install-recommends "$deb"
  dpkg-query -W -f='${Status} ${Version}\n' vektor-swarm
  dpkg -L vektor-swarm | sort > "$out/installed.txt"
}

# play_once DIR COMMAND...: starts the game in DIR with the user's HOME, waits for the logo and
# the title under Xvfb, ends it with Escape and expects exit code 0 and both saved files.
play_once() {
  local dir=$1
  shift
  rm -f "$run/data/hiscore.dat" "$run/data/anaglyph3d.dat"
  HOME=$home dir=$dir src=$src xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    . "$src/tests/program/lib.sh"
    cd "$dir"
    logo_title_end "$HOME" "$@"
  ' play "$@"
  ! grep -q "not found\|No sounds" "$home/out.txt" || fail "the installed game misses sounds: $(cat "$home/out.txt")"
  for f in hiscore.dat anaglyph3d.dat; do
    [ "$(stat -c %s "$run/data/$f" 2> /dev/null)" = 4 ] || fail "no saved $f in $run/data"
  done
  echo "ran, ended with exit code 0 and saved its files in $run/data"
}

# gone HOW: nothing the package installed is left but the folders others share, and the saved
# files are still there.
gone() {
  local left=()
  while read -r path; do
    if [ -d "$path" ] && [ ! -L "$path" ]; then
      [[ "$path" == */vektor-swarm ]] && left+=("$path")
    elif [ -e "$path" ] || [ -L "$path" ]; then
      left+=("$path")
    fi
  done < "$out/installed.txt"
  [ ${#left[@]} -eq 0 ] || fail "$1 left: ${left[*]}"
  [ "$(dpkg-query -W -f='${db:Status-Status}' vektor-swarm 2> /dev/null)" != installed ] ||
    fail "$1: the package is still installed"
  [ "$(od -An -tu4 "$run/data/hiscore.dat")" = "$hiscore" ] || fail "$1 touched the saved best score"
  [ -f "$run/data/anaglyph3d.dat" ] || fail "$1 took the saved glasses file"
  echo "$1 left nothing of the package; $run/data still holds: $(cd "$run/data" && echo *.dat)" \
       "($(find "$run/data" -xtype l | wc -l) links to the sounds now lead nowhere; the launcher" \
       "mends them when the game is installed again)"
}

install_it
echo "== AppStream pool"
$sudo appstreamcli refresh-cache --force > /dev/null
appstreamcli get "$id" | grep -E "^(Identifier|Name|Summary|Package)" ||
  fail "appstreamcli does not know $id"
echo "== man -w vektor-swarm: $(man -w vektor-swarm)"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/vektor-swarm.desktop)
echo "== the menu's command: $exec_line, from $home with a PATH without /usr/games"
# A desktop entry's Exec line without field codes is the command split at spaces.
read -r -a command <<< "$exec_line"
PATH=/usr/bin:/bin play_once "$home" "${command[@]}"
echo "== by name from /tmp"
PATH=/usr/games:$PATH play_once /tmp vektor-swarm
hiscore=$(od -An -tu4 "$run/data/hiscore.dat")

echo "== apt-get remove vektor-swarm"
apt_get remove vektor-swarm
gone "apt-get remove"
install_it
echo "== apt-get purge vektor-swarm"
apt_get purge vektor-swarm
gone "apt-get purge"
echo "the package built, installed, ran from its menu entry and by name, and was removed and purged"
