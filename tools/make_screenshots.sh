#!/usr/bin/env bash
# Makes the README's pictures in docs/ from the committed assets with ImageMagick:
# the sprite sheet scaled up, the title, the backdrop, and the title over the backdrop
# as the red/cyan stereo pair the game draws with "R\C" glasses.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p docs
g=graphx
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

convert "$g/vs3D_sprites.png" -crop 570x168+0+0 +repage -scale 200% -strip docs/sprite_sheet.png
convert "$g/vscl_title.png" -strip docs/title.png
convert "$g/vscl_bkdrop.png" -strip docs/backdrop.png

# Each eye's copy is the picture times the eye colour, added twice (backdrop, separation
# -6) or three times (title, separation +4), as the stereo layer draws them.
eye() {  # picture, red, green, blue, passes, output
  convert "$1" -channel R -evaluate multiply "$(awk "BEGIN { print $2 / 255 }")" \
    -channel G -evaluate multiply "$(awk "BEGIN { print $3 / 255 }")" \
    -channel B -evaluate multiply "$(awk "BEGIN { print $4 / 255 }")" +channel -evaluate multiply "$5" "$6"
}
convert "$g/vs3D_sprites.png" -crop 454x128+115+38 +repage "$tmp/logo3d.png"
eye "$g/vscl_bkdrop.png" 4 80 60 2 "$tmp/bl.png"
eye "$g/vscl_bkdrop.png" 140 4 10 2 "$tmp/br.png"
eye "$tmp/logo3d.png" 4 80 60 3 "$tmp/tl.png"
eye "$tmp/logo3d.png" 140 4 10 3 "$tmp/tr.png"
# Left-eye copies at x - separation, right-eye copies at x + separation; the title's
# centre is (320, 128).
convert -size 640x480 xc:black \
  "$tmp/bl.png" -geometry +6+0 -compose plus -composite \
  "$tmp/br.png" -geometry -6+0 -compose plus -composite \
  "$tmp/tl.png" -geometry +89+64 -compose plus -composite \
  "$tmp/tr.png" -geometry +97+64 -compose plus -composite \
  -strip docs/stereo.png
