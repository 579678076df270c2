#!/usr/bin/env bash
# Renders the icon's sizes for the desktop's icon theme from res/tenvor.mvg, each drawn at its
# own size (not scaled down from a bitmap), into res/linux/icons/tenvor-SIZE.png. The 256-pixel
# one is a copy of res/tenvor.png, the window's icon. Needs ImageMagick; run it after changing the icon.
set -euo pipefail
cd "$(dirname "$0")/../../.."
drawing="$(grep -v '^#' res/tenvor.mvg)"
for size in 16 22 24 32 48 64 128; do
  scale="$(awk -v s="$size" 'BEGIN { printf "%.6f", s / 256 }')"
  convert -size "${size}x${size}" xc:none -draw "scale $scale,$scale $drawing" \
    -define png:exclude-chunks=date,time "res/linux/icons/tenvor-$size.png"
done
cp res/tenvor.png res/linux/icons/tenvor-256.png
