#!/usr/bin/env bash
# Installs the Debian packages the project needs that are not installed yet.
# Usage: scripts/install_deps.sh [game|test|fuzz|deb]
set -euo pipefail
kind=${1:-game}

pkgs=(build-essential cmake pkg-config libsdl2-dev libgl-dev libpng-dev zlib1g-dev libopenal-dev
      libfreetype-dev libogg-dev libvorbis-dev libjpeg62-turbo-dev libcurl4-openssl-dev fonts-play)
# Building the Debian package and checking it (the test of the package does both).
deb=(dpkg-dev debhelper pkgconf libjpeg-dev lintian appstream desktop-file-utils man-db)
case "$kind" in
  game) ;;
  test) pkgs+=(libgtest-dev libbenchmark-dev xvfb xauth xdotool imagemagick libx11-dev x11-utils
             fonts-dejavu-core tesseract-ocr tesseract-ocr-eng openbox python3 openssl "${deb[@]}") ;;
  fuzz) pkgs+=(clang libclang-rt-14-dev) ;;
  deb) pkgs+=("${deb[@]}") ;;
  *) echo "usage: $0 [game|test|fuzz|deb]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
