#!/usr/bin/env bash
# The benchmark's check in the test suite: the harness (bench/run.sh, bench/harness.py) end to end
# with its report (bench/report.py) on every kind of case, small: a folder of 100 notifications, a
# notification of 200 person records, a ZIP of 40 and a tree of 10 folders of 4, one round without
# warm-up, into temporary folders. It must produce its table with the summary of the other cases
# (and its plot when gnuplot is installed), and the report made again from the kept results file
# must be the same. No time is checked: benchmarks are run and reported, not asserted.
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
for tool in xmllint /usr/bin/time python3 unzip; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (Debian packages libxml2-utils, time, python3, unzip)"
    exit 77
  fi
done

tmp="$(mktemp -d /tmp/tenvor-bench-check.XXXXXX)"
shm="$(mktemp -d /dev/shm/tenvor-bench-check.XXXXXX 2>/dev/null || { mkdir "$tmp/shm" && echo "$tmp/shm"; })"
trap 'rm -rf "$tmp" "$shm"' EXIT

args=(folder big zip tree --no-build --no-packages --no-sync --sizes 100 --big-persons 200 --count 40
  --folders 10 --reps 1 --warmup 0 --data "$tmp/data" --shm "$shm" --out "$tmp/benchmarks.md"
  --plot "$tmp/plot.png" --readme "" --results "$tmp/results.tsv" "${tools[@]}")
if [ -n "$window" ]; then
  args+=(--window "$window" --window-sizes 100)
else
  args+=(--window-sizes "")
fi
"$here/run.sh" "${args[@]}"

table="$tmp/benchmarks.md"
fail() { echo "bench/check.sh: $*" >&2; echo "--- the table:" >&2; cat "$table" >&2 || true; exit 1; }
[ -s "$table" ] || fail "no table"
# The patterns hold backquotes of the table, not commands.
# shellcheck disable=SC2016
for line in '^# Benchmarks$' '^## Machine$' '^### folder-100$' '^### big-200$' '^## Targets$' \
  '^\| conversion, output on disk: `tenvor-cli convert` \| [0-9.]+ \|' \
  '^\| conversion, output on tmpfs: `tenvor-cli convert` \| [0-9.]+ \|' \
  '^\| P, parse floor: .* \| [0-9.]+ \|' '^\| W, write floor, disk: .* \| [0-9.]+ \|' \
  '^\| R, read floor: .* \| [0-9.]+ \|' '^\| folder-100, output on disk: conversion / \(P \+ W\) \| .* \| [0-9.]+ \|' \
  '^\| big-200: peak RSS / file size \| .* \| [0-9.]+ ' '^## Other cases$' '^\| zip-40 \| conv \| 1 \| [0-9.]+ \|' \
  '^\| zip-40: conv / \(unzip \+ xmllint\), wall time per round \| [0-9.]+ \|' \
  '^\| tree-40: tree / flat, wall time per round \| [0-9.]+ \|' '^\| zip-40: conv, peak RSS in MiB'; do
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
python3 -B "$here/report.py" --results "$tmp/results.tsv" --out "$tmp/again.md" --plot "$tmp/plot.png" 2>/dev/null
diff "$table" "$tmp/again.md" >&2 ||
  fail "the report made again from the results file differs from the harness's"
echo "bench/check.sh: the benchmark harness produced its table"
