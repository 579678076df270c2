#!/usr/bin/env bash
# The benchmark script's check in the test suite: bench/run.sh end to end (with its report,
# bench/report.py) on a folder of 100 notifications and a notification of 200 person records, one
# round without warm-up, into temporary folders; it must produce its table (and its plot when
# gnuplot is installed). No time is checked: benchmarks are run and reported, not asserted.
#   bench/check.sh --cli FILE --gen FILE --parse FILE [--window FILE]
# Exit status 77 (skipped) when a tool the script measures with is missing.
set -euo pipefail
export LC_ALL=C
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

tools=()
window=""
while [ $# -gt 0 ]; do
  case "$1" in
    --cli|--gen|--parse) tools+=("$1" "$2"); shift 2 ;;
    --window) window="$2"; shift 2 ;;
    *) echo "bench/check.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
for tool in xmllint /usr/bin/time python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (Debian packages libxml2-utils, time, python3)"
    exit 77
  fi
done

tmp="$(mktemp -d /tmp/tenvor-bench-check.XXXXXX)"
shm="$(mktemp -d /dev/shm/tenvor-bench-check.XXXXXX 2>/dev/null || { mkdir "$tmp/shm" && echo "$tmp/shm"; })"
trap 'rm -rf "$tmp" "$shm"' EXIT

args=(--no-build --no-packages --no-sync --sizes 100 --big-persons 200 --reps 1 --warmup 0
  --data "$tmp/data" --shm "$shm" --out "$tmp/benchmarks.md" --plot "$tmp/plot.png" --readme ""
  "${tools[@]}")
if [ -n "$window" ]; then
  args+=(--window "$window" --window-sizes 100)
else
  args+=(--window-sizes "")
fi
"$here/run.sh" "${args[@]}"

table="$tmp/benchmarks.md"
fail() { echo "bench/check.sh: $*" >&2; echo "--- the table:" >&2; cat "$table" >&2 || true; exit 1; }
[ -s "$table" ] || fail "no table"
for line in '^# Benchmarks$' '^## Machine$' '^### folder-100$' '^### big-200$' '^## Targets$' \
  '^\| conversion, output on disk: `tenvor-cli convert` \| [0-9.]+ \|' \
  '^\| conversion, output on tmpfs: `tenvor-cli convert` \| [0-9.]+ \|' \
  '^\| P, parse floor: .* \| [0-9.]+ \|' '^\| W, write floor, disk: .* \| [0-9.]+ \|' \
  '^\| R, read floor: .* \| [0-9.]+ \|' '^\| folder-100, output on disk: conversion / \(P \+ W\) \| .* \| [0-9.]+ \|' \
  '^\| big-200: peak RSS / file size \| .* \| [0-9.]+ '; do
  grep -Eq "$line" "$table" || fail "the table lacks a line matching: $line"
done
if [ -n "$window" ]; then
  grep -Eq '^\| conversion in the window \(offscreen\), output on disk \| [0-9.]+ \|' "$table" ||
    fail "the table lacks the window's row"
fi
grep -q 'PRELIMINARY' "$table" || fail "a run of 100 files is not marked as preliminary"
if command -v gnuplot >/dev/null; then
  [ -s "$tmp/plot.png" ] || fail "no plot"
else
  grep -q '^No plot: gnuplot is not installed' "$table" || fail "the table neither shows a plot nor says why not"
fi
echo "bench/check.sh: the benchmark script produced its table"
