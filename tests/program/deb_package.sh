#!/usr/bin/env bash
# Builds the Debian package with scripts/deb.sh (no unit tests, and no network where a network
# namespace can be made: the build must download nothing) and checks what it holds: the files
# and their modes, the dependencies, the launcher started from the unpacked tree, the manual
# page, the AppStream metadata and the desktop entry. lintian runs in scripts/deb.sh.
# usage: deb_package.sh OUT
set -u
src=$(cd "$(dirname "$0")/../.." && pwd)
. "$src/tests/program/lib.sh"
rm -rf "$1"
mkdir -p "$1"
out=$(cd "$1" && pwd)

isolate=()
if unshare -n true 2> /dev/null; then isolate=(unshare -n); fi
DEB_BUILD_OPTIONS="nocheck parallel=1" "${isolate[@]}" "$src/scripts/deb.sh" "$out" > "$out/build.log" 2>&1 ||
  fail "scripts/deb.sh failed, expected a package that lintian accepts; lintian said:" \
       "$(grep -E '^[EW]: ' "$out/build.log")" "and the build ended with: $(tail -20 "$out/build.log")"
version=$(cd "$src" && dpkg-parsechangelog -S Version)
deb=$out/vektor-swarm_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb
[ -f "$deb" ] || fail "expected $deb, found: $(ls "$out")"

# Every file with its mode and owner, and nothing else: a file the install rules add or
# drop, or a mode they get wrong, shows here.
{
  for f in usr/games/vektor-swarm usr/libexec/vektor-swarm/vektor-swarm; do echo "-rwxr-xr-x root/root ./$f"; done
  for f in usr/share/applications/vektor-swarm.desktop usr/share/doc/vektor-swarm/changelog.Debian.gz \
           usr/share/doc/vektor-swarm/copyright usr/share/lintian/overrides/vektor-swarm \
           usr/share/man/man6/vektor-swarm.6.gz \
           usr/share/metainfo/invalid.vektor_swarm.VektorSwarm3D.metainfo.xml; do
    echo "-rw-r--r-- root/root ./$f"
  done
  for n in 32 48 64 128 256; do echo "-rw-r--r-- root/root ./usr/share/icons/hicolor/${n}x$n/apps/vektor-swarm.png"; done
  for f in "$src"/data/*.ogg; do echo "-rw-r--r-- root/root ./usr/share/vektor-swarm/data/${f##*/}"; done
} | sort > "$out/files.expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort > "$out/files.got"
diff -u "$out/files.expected" "$out/files.got" > "$out/files.diff" ||
  fail "the package's files differ from those expected (- expected, + got): $(cat "$out/files.diff")"
odd_dirs=$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")')
[ -z "$odd_dirs" ] || fail "expected every folder drwxr-xr-x root/root, got: $odd_dirs"

section=$(dpkg-deb -f "$deb" Section)
[ "$section" = games ] || fail "expected Section games, got $section"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libsdl2-2.0-0 libgl1 libegl1 libgles2; do
  [[ ", $depends," == *", $p"[\ ,]* ]] || fail "expected $p among the dependencies, got: $depends"
done
[[ "$depends" != *fonts-play* ]] || fail "fonts-play is embedded at build time, yet the package depends on it: $depends"

# Each file debian/copyright names apart is still there under that name.
while read -r f; do
  [ "$f" = "*" ] || [ -e "$src/$f" ] || fail "debian/copyright names $f, which the source does not hold"
done < <(awk '/^Files:/ { files = 1; sub(/^Files:/, "") } !/^[ F]/ { files = 0 } files { for (i = 1; i <= NF; i++) print $i }' \
             "$src/debian/copyright")

root=$out/root
dpkg-deb -x "$deb" "$root"

# The launcher finds the program and the sounds relative to /usr/games.
got=$("$root/usr/games/vektor-swarm" --version 2>&1)
[ "$got" = "Vektor Swarm 3D ${version%-*}" ] || fail "expected 'Vektor Swarm 3D ${version%-*}' from --version, got: $got"
home=$out/home
run=$home/.local/share/vektor-swarm
got=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u XDG_DATA_HOME HOME="$home" \
      "$root/usr/games/vektor-swarm" 2>&1)
rc=$?
[ $rc -eq 1 ] || fail "expected exit code 1 without a display, got $rc: $got"
for f in "$src"/data/*.ogg; do
  link=$run/data/${f##*/}
  [ "$(readlink -f "$link")" = "$root/usr/share/vektor-swarm/data/${f##*/}" ] ||
    fail "expected $link to lead to the packaged sound, it leads to '$(readlink -f "$link")'"
done

# The manual page renders without a warning, and the files it names are the package's.
man=$out/vektor-swarm.6
zcat "$root/usr/share/man/man6/vektor-swarm.6.gz" > "$man"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$man" 2>&1 > /dev/null)
[ -z "$warnings" ] || fail "expected the manual page to render without warnings, got: $warnings"
named=$(sed -n 's/^\.I \(\/[^ ]*\)$/\1/p' "$man" | sed 's/\\-/-/g')
[ "$(echo "$named" | wc -w)" -eq 3 ] || fail "expected the manual page to name 3 installed files, got: $named"
for f in $named; do
  [ -e "$root$f" ] || fail "the manual page names $f, which the package does not hold"
done

# AppStream: valid without the network, its id is the file's name, the launchable and the
# release are the package's, and each screenshot is a picture of the repository's docs/ at
# the size it states.
meta=$root/usr/share/metainfo/invalid.vektor_swarm.VektorSwarm3D.metainfo.xml
report=$(appstreamcli validate --no-net "$meta" 2>&1)
rc=$?
[ $rc -eq 0 ] && ! grep -q '^[EW]:' <<< "$report" ||
  fail "expected appstreamcli to find no error or warning, got ($rc): $report"
id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$meta")
[ "$id.metainfo.xml" = "${meta##*/}" ] || fail "expected the id to name the file ${meta##*/}, got $id"
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$meta")
[ -f "$root/usr/share/applications/$launchable" ] || fail "the launchable '$launchable' is not in the package"
release=$(sed -n 's|.*<release version="\([^"]*\)".*|\1|p' "$meta")
[ "$release" = "${version%-*}" ] || fail "expected the release ${version%-*}, got '$release'"
shots=$(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">https://[^/]*/\(docs/[^<]*\)</image>.*|\3 \1x\2|p' "$meta")
[ "$(echo "$shots" | grep -c .)" -eq 3 ] || fail "expected 3 screenshots in docs/, got: $shots"
while read -r file size; do
  got=$(identify -format "%wx%h" "$src/$file" 2>&1) || fail "the screenshot $file is not in the repository: $got"
  [ "$got" = "$size" ] || fail "the screenshot $file is $got, the metadata says $size"
done <<< "$shots"

# The desktop entry: valid, and it starts the packaged launcher with the packaged icon.
desktop=$root/usr/share/applications/vektor-swarm.desktop
report=$(desktop-file-validate "$desktop" 2>&1)
[ $? -eq 0 ] && [ -z "$report" ] || fail "expected desktop-file-validate to say nothing, got: $report"
grep -qx "Exec=/usr/games/vektor-swarm" "$desktop" || fail "expected Exec=/usr/games/vektor-swarm, got: $(grep Exec "$desktop")"
grep -qx "Icon=vektor-swarm" "$desktop" || fail "expected Icon=vektor-swarm, got: $(grep Icon "$desktop")"
echo "built ${deb##*/}: lintian clean, its files, modes, launcher, manual page, metadata and desktop entry as expected"
