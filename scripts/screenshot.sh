#!/usr/bin/env bash
# Takes docs/screenshot.png: the window under a virtual X display after a folder run of the
# examples with two failed files, with the first row clicked so that its guidance shows.
#   scripts/screenshot.sh [OUTPUT.png]     (default docs/screenshot.png)
# BUILD_DIR selects the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-packages.sh
ensure_packages "${TENVOR_BUILD_PACKAGES[@]}" xvfb xdotool imagemagick

output="${1:-docs/screenshot.png}"
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target tenvor >/dev/null

# A fixed place, so that the paths in the picture do not change from one run to the next.
work=/tmp/tenvor-screenshot
rm -rf "$work"
xvfb_pid=""
window_pid=""
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The input: every example, two of which cannot be converted, with distinct times so that the
# order of the run is fixed.
mkdir -p "$work/home" "$work/電子通知書"
i=0
for file in examples/*.xml; do
  cp "$file" "$work/電子通知書/"
  touch -d "@$((1711962000 + i * 60))" "$work/電子通知書/$(basename "$file")"
  i=$((i + 1))
done

# A display of our own: the first free number from 90 up.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do
  xdpyinfo >/dev/null 2>&1 && break
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done

TENVOR_HOME="$work/home" "$build/src/tenvor" >/dev/null 2>&1 &
window_pid=$!
window="$(xdotool search --sync --onlyvisible --name '^Tenvor$' | head -1)"
sleep 0.5

# Where the controls are: the client area is 351 x 297 dialog units below the menu bar. The
# base units follow from the window's size (a unit is a quarter of the average character width
# and an eighth of the character height); the menu bar is what is left above.
eval "$(xdotool getwindowgeometry --shell "$window")"
base_x=$(( (WIDTH * 4 + 175) / 351 ))
base_y=""
for candidate in $(seq 8 40); do
  menu=$(( HEIGHT - (297 * candidate + 4) / 8 ))
  if [ "$menu" -ge 12 ] && [ "$menu" -le 40 ]; then
    base_y=$candidate
    break
  fi
done
[ -n "$base_y" ] || { echo "cannot work out the window's layout (${WIDTH}x${HEIGHT})" >&2; exit 1; }
click_du() {  # click at dialog units x, y (plus pixels down)
  local x=$(( X + ($1 * base_x + 2) / 4 )) y=$(( Y + menu + ($2 * base_y + 4) / 8 + ${3:-0} ))
  xdotool mousemove "$x" "$y" click 1
  sleep 0.3
}

click_du 80 24                         # "フォルダ選択"
click_du 150 46                        # the input box
xdotool type --delay 20 "$work/電子通知書"
sleep 0.3
click_du 287 283                       # "CSV出力"
sleep 1.5
xdotool key Return                     # the completion message
sleep 0.5
click_du 120 101 $(( base_y * 3 / 2 + 8 ))  # the first row of the error list
sleep 0.5

mkdir -p "$(dirname "$output")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output"
echo "$output: ${WIDTH}x${HEIGHT}"
