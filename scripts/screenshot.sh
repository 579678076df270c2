#!/usr/bin/env bash
# Takes the README's pictures of the window on a virtual X display with a window manager:
#   docs/screenshot.png          after a folder run of the examples with two failed files, the
#                                first row clicked so that its guidance shows
#   docs/screenshot-chooser.png  the input's file chooser open over the window, in Japanese
#   scripts/screenshot.sh [FOLDER]     (default docs)
# BUILD_DIR selects the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-packages.sh
ensure_packages "${TENVOR_BUILD_PACKAGES[@]}" xvfb xdotool imagemagick openbox x11-utils

folder="${1:-docs}"
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target tenvor >/dev/null
program="$(cd "$build" && pwd)/src/tenvor"

# A fixed place, so that the paths in the pictures do not change from one run to the next.
work=/tmp/tenvor-screenshot
rm -rf "$work"
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# The input: every example, two of which cannot be converted, with distinct times so that the
# order of the run is fixed. The settings, and the choosers' history, live in the same place.
mkdir -p "$work/home" "$work/user" "$work/電子通知書"
i=0
for file in examples/*.xml; do
  cp "$file" "$work/電子通知書/"
  touch -d "@$((1711962000 + i * 60))" "$work/電子通知書/$(basename "$file")"
  i=$((i + 1))
done

# A display of our own (the first free number from 90 up) with a window manager on it.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
HOME="$work/user" openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

# Started from the examples' folder, so that the file chooser opens there, on a Japanese desktop
# (the chooser writes dates as the desktop's locale does).
(cd "$work/電子通知書" && HOME="$work/user" XDG_CONFIG_HOME="$work/user/.config" TENVOR_HOME="$work/home" \
  LANG=ja_JP.UTF-8 LC_CTYPE=C.UTF-8 exec "$program" >/dev/null 2>&1) &
window_pid=$!
pids+=("$window_pid")
window="$(timeout 30 xdotool search --sync --onlyvisible --name '^Tenvor$' | head -1)"
sleep 1.5

# A window's client area, as X Y WIDTH HEIGHT on the screen (xwininfo is right under a window
# manager's frame, where xdotool's geometry counts the frame's offset twice).
client_area() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
                           /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'
}
read -r X Y WIDTH HEIGHT < <(client_area "$window")
source scripts/dialog-layout.sh
dialog_layout "$X" "$Y" "$WIDTH" "$HEIGHT" ||
  { echo "cannot work out the window's layout (${WIDTH}x${HEIGHT})" >&2; exit 1; }

# The rectangle of the windows with their frames, as "WxH+X+Y".
frames_of() {
  local left=100000 top=100000 right=0 bottom=0 id l r t b X Y WIDTH HEIGHT
  for id in "$@"; do
    read -r X Y WIDTH HEIGHT < <(client_area "$id")
    read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    left=$((X - l < left ? X - l : left))
    top=$((Y - t < top ? Y - t : top))
    right=$((X + WIDTH + r > right ? X + WIDTH + r : right))
    bottom=$((Y + HEIGHT + b > bottom ? Y + HEIGHT + b : bottom))
  done
  echo "$((right - left))x$((bottom - top))+$left+$top"
}
capture() {  # capture FILE WINDOW...
  local file="$1" area
  shift
  area="$(frames_of "$@")"
  import -window root -crop "$area" +repage "$file"
  echo "$file: ${area%%+*}"
}
mkdir -p "$folder"

# The file chooser of "参照" in file mode, over the window.
click_du 325 45                        # the first "参照"
chooser=""
for _ in $(seq 100); do                # the window of the program's that is not the main one
  for id in $(xdotool search --onlyvisible --pid "$window_pid" 2>/dev/null); do
    [ "$id" != "$window" ] && chooser="$id"
  done
  [ -n "$chooser" ] && break
  sleep 0.1
done
[ -n "$chooser" ] || { echo "the file chooser did not open" >&2; exit 1; }
sleep 0.8
capture "$folder/screenshot-chooser.png" "$window" "$chooser"
xdotool key --window "$chooser" Escape
sleep 0.5

# A folder run of the examples, and the guidance of its first failed file.
click_du 80 24                         # "フォルダ選択"
click_du 150 46                        # the input box
xdotool type --delay 20 "$work/電子通知書"
sleep 0.3
click_du 287 283                       # "CSV出力"
sleep 1.5
xdotool key Return                     # the completion message
sleep 0.5
click_du 120 101 $((base_y * 3 / 2 + 8)) # the first row of the error list
sleep 0.5
capture "$folder/screenshot.png" "$window"
