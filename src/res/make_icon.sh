#!/usr/bin/env bash
# Draws the program icon (a small title generator front panel: cream panel, dark title line,
# two feet) at 32 and 16 pixels and packs both into tvx5870.ico. Run it again after changing the
# drawing and commit the .ico.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 32x32 xc:none \
    -fill '#ffffcc' -stroke '#505050' -strokewidth 1 -draw 'rectangle 1,6 30,24' \
    -fill none -stroke '#505050' -strokewidth 2 -draw 'line 4,11 22,11' -draw 'line 25,11 28,11' \
    -fill '#0050a0' -stroke none -draw 'rectangle 5,15 20,20' \
    -fill '#222222' -stroke none -draw 'rectangle 4,25 9,28' -draw 'rectangle 22,25 27,28' \
    "PNG32:$work/icon32.png"
convert "$work/icon32.png" -resize 16x16 "PNG32:$work/icon16.png"
convert "$work/icon32.png" "$work/icon16.png" tvx5870.ico
echo "wrote $(pwd)/tvx5870.ico"
