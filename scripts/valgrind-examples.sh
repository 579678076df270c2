#!/usr/bin/env bash
# Converts the examples under valgrind's memcheck: in both encodings, a second time over the same
# output (every file then already exists) and one file alone. Fails on any memory error, on any
# leak and on any file descriptor the program opened and left open at exit.
#   scripts/valgrind-examples.sh [TENVOR_CLI]      (default: build/src/tenvor-cli)
# Exits 77 (skipped) when valgrind is not installed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(realpath "${1:-$root/build/src/tenvor-cli}")"
if ! command -v valgrind >/dev/null 2>&1; then
  echo "valgrind is not installed: skipped" >&2
  exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/out-sjis" "$work/out-utf8" "$work/out-one"

failed=0
run=0
check() {
  run=$((run + 1))
  local log="$work/valgrind-$run.log" status=0
  TENVOR_HOME="$work/home" valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
    --track-fds=yes --log-file="$log" "$cli" "$@" >"$work/stdout-$run.txt" 2>&1 || status=$?
  # The examples include two broken notifications: 1 (completed with errors) is expected.
  if [ "$status" -ne 0 ] && [ "$status" -ne 1 ]; then
    echo "FAILED (exit $status): tenvor-cli $*" >&2
    cat "$log" "$work/stdout-$run.txt" >&2
    failed=1
    return
  fi
  # A descriptor still open at exit that the program opened itself (not inherited).
  if awk '/Open file descriptor/ { getline next_line; if (next_line !~ /inherited from parent/) found = 1 }
          END { exit found ? 0 : 1 }' "$log"; then
    echo "FAILED (file descriptor left open): tenvor-cli $*" >&2
    cat "$log" >&2
    failed=1
    return
  fi
  echo "clean: tenvor-cli $* ($(grep -o 'total heap usage: .*' "$log"))"
}

check convert --output "$work/out-sjis" --encoding sjis --folder "$root/examples"
check convert --output "$work/out-utf8" --encoding utf8 --folder "$root/examples"
check convert --output "$work/out-utf8" --encoding utf8 --folder "$root/examples"
check convert --output "$work/out-one" --file "$root/examples/N2018003-commas-quotes-line-breaks.xml"
converted="$(find "$work/out-sjis" -name '*.csv' | wc -l)"
if [ "$converted" -lt 30 ]; then
  echo "FAILED: only $converted CSV files written" >&2
  failed=1
fi
[ "$failed" -eq 0 ] && echo "valgrind memcheck: $run runs clean, $converted CSV files per encoding"
exit "$failed"
