#!/usr/bin/env bash
# Builds the Debian package: installs what is missing (the build dependencies named in
# debian/control, and dpkg-dev, debhelper and lintian), builds a copy of the source tree with
# dpkg-buildpackage in OUT (build-deb/ by default) and checks the result with lintian, which
# must find no error and no warning that debian/ does not override.
# The unit tests run in the build unless DEB_BUILD_OPTIONS holds nocheck; it builds with as many
# jobs as there are processors unless DEB_BUILD_OPTIONS says parallel=N.
# usage: scripts/deb.sh [OUT]
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
out=${1:-build-deb}
mkdir -p "$out"
out=$(cd "$out" && pwd)

scripts/install_deps.sh deb
# The build dependencies marked <!nocheck> are needed only when the tests run.
profiles=()
case " ${DEB_BUILD_OPTIONS:-} " in
  *" nocheck "*) profiles=(-Pnocheck) ;;
esac
if ! dpkg-checkbuilddeps "${profiles[@]}" 2>/dev/null; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get build-dep -y -q --no-install-recommends "${profiles[@]}" ./
fi

# A copy, so that the build leaves the working tree alone: the files git knows, and the new
# ones it does not ignore (build folders are ignored).
version=$(dpkg-parsechangelog -S Version)
tree=$out/vektor-swarm-${version%-*}
rm -rf "$tree"
rm -f "$out"/vektor-swarm*_"$version"_*
mkdir -p "$tree"
if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
  git ls-files -z -co --exclude-standard | while IFS= read -r -d '' f; do
    [ -e "$f" ] && printf '%s\0' "$f"
  done | tar --null -T - -cf - | tar -C "$tree" -xf -
else
  tar --exclude='./build*' -cf - . | tar -C "$tree" -xf -
fi

jobs=(-j"$(nproc)")
case " ${DEB_BUILD_OPTIONS:-} " in
  *" parallel="*) jobs=() ;;
esac
(cd "$tree" && dpkg-buildpackage -b -us -uc "${jobs[@]}" "${profiles[@]}")
rm -rf "$tree"

changes=$out/vektor-swarm_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).changes
echo "lintian:"
# lintian leaves working files behind in its temporary directory: give it one of its own.
lintian_tmp=$(mktemp -d)
rc=0
TMPDIR=$lintian_tmp lintian --info --display-info --fail-on error,warning "$changes" || rc=$?
rm -rf "$lintian_tmp"
[ $rc -eq 0 ] || exit $rc
echo "Built:"; ls "$out"/*_"$version"_*.deb
