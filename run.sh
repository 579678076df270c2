#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tenvor.
#   ./run.sh               the window when a display is available; otherwise converts the
#                          examples into a fresh output folder and prints the result
#   ./run.sh ARGS...       tenvor-cli ARGS... (for example: ./run.sh convert --output out in/)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh
ensure_packages "${TENVOR_BUILD_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTENVOR_BUILD_TESTS=OFF >/dev/null
cmake --build build --parallel "$(nproc)" >/dev/null

if [ $# -gt 0 ]; then
  exec build/src/tenvor-cli "$@"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/src/tenvor ]; then
  exec build/src/tenvor
fi

# No display: convert the examples. Output and log go into a fresh folder.
out="out/examples-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out"
# The log's name carries the version: take it from the header this build generated.
log="$(sed -n 's/.*kLogFileName *= *"\([^"]*\)".*/\1/p' build/src/generated/TenvorVersion.h)"
echo "Converting examples/ into $out/ (log: $out/$log)"
status=0
TENVOR_HOME="$PWD/$out" build/src/tenvor-cli convert --output "$out" --folder examples || status=$?
echo
ls -l "$out"
exit "$status"
