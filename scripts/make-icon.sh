#!/usr/bin/env bash
# Draws the application icon (a white quill on a blue tile, 16, 32 and 48 pixels) into
# src/app/win32/Quillon.ico. Needs ImageMagick; the icon is committed, so builds do not.
set -euo pipefail
cd "$(dirname "$0")/.."
out=src/app/win32/Quillon.ico
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Drawn once at 48 px on a 0..48 grid, then scaled down.
convert -size 48x48 xc:none \
    -fill '#1f5fbf' -draw 'roundrectangle 1,1 46,46 8,8' \
    -fill white -draw 'polygon 38,6 42,10 20,34 13,38 14,31' \
    -stroke '#1f5fbf' -strokewidth 2 -draw 'line 36,12 17,33' \
    -stroke white -strokewidth 2 -draw 'line 14,36 9,42' \
    "$tmp/48.png"
convert "$tmp/48.png" -resize 32x32 "$tmp/32.png"
convert "$tmp/48.png" -resize 16x16 "$tmp/16.png"
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" "$out"
identify "$out"
