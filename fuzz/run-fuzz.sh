#!/usr/bin/env bash
# Runs the fuzz targets for a bounded time each, one after the other, or replays their inputs.
#   fuzz/run-fuzz.sh [--build DIR] [--seconds N] [--work DIR] [--replay] [--gen PATH --cli PATH] [TARGET...]
# TARGET is notification, settings or package; without one, all three run.
#   --build DIR   the fuzz build (default: build-fuzz beside this folder)
#   --gen, --cli  tenvor-gen and tenvor-cli for making the seed corpus (default: the fuzz
#                 build's; an uninstrumented build's are quicker)
#   --seconds N   fuzzing time per target (default 30)
#   --work DIR    where each target keeps its growing corpus and its findings (default:
#                 DIR/corpus of the build); the corpus is seeded on first use
#   --replay      run every regression input and hostile seed once, without fuzzing
# A finding (crash, sanitizer report, broken rule, leak, timeout, memory blow-up) is written to
# WORK/artifacts/ and makes the script fail. Keep the input of each fixed finding in
# fuzz/regressions/TARGET/ so that --replay runs it from then on.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$here/../build-fuzz"
seconds=30
work=""
replay=0
gen=""
cli=""
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --replay) replay=1; shift ;;
    --gen) gen="$2"; shift 2 ;;
    --cli) cli="$2"; shift 2 ;;
    notification|settings|package) targets+=("$1"); shift ;;
    *) echo "usage: $0 [--build DIR] [--seconds N] [--work DIR] [--replay] [--gen PATH --cli PATH] [notification|settings|package]..." >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(notification settings package)
build="$(cd "$build" && pwd)"
work="${work:-$build/corpus}"
gen="${gen:-$build/tools/tenvor-gen}"
cli="${cli:-$build/src/tenvor-cli}"
mkdir -p "$work/artifacts"

status=0
for target in "${targets[@]}"; do
  binary="$build/fuzz_$target"
  [ -x "$binary" ] || { echo "missing $binary: build fuzz/ first" >&2; exit 1; }
  # The inputs of fixed findings and the hand-made hostile seeds, where there are any.
  extra=()
  for folder in "$here/regressions/$target" "$here/seeds/$target"; do
    [ -d "$folder" ] && extra+=("$folder")
  done
  # The package target's seeds come from the generator, not from the tree.
  if [ "$target" = package ]; then
    [ -d "$work/package-seeds" ] || "$here/make-seed-corpus.sh" package "$work/package-seeds" "$gen"
    extra+=("$work/package-seeds")
  fi
  options=(-rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "-dict=$here/$target.dict"
           "-artifact_prefix=$work/artifacts/$target-")

  if [ "$replay" -eq 1 ]; then
    echo "== replaying the regression inputs and hostile seeds of fuzz_$target"
    if ! nice -n 10 "$binary" "${options[@]}" -runs=0 "${extra[@]}"; then
      status=1
    fi
    continue
  fi

  corpus="$work/$target"
  if [ ! -d "$corpus" ] || [ -z "$(ls -A "$corpus")" ]; then
    "$here/make-seed-corpus.sh" "$target" "$corpus" "$gen" "$cli"
  fi
  log="$work/fuzz_$target.log"
  echo "== fuzz_$target for $seconds s (corpus $corpus, log $log)"
  if nice -n 10 "$binary" "${options[@]}" -max_len=65536 -max_total_time="$seconds" \
      "$corpus" "${extra[@]}" >"$log" 2>&1; then
    result="no finding"
  else
    result="FINDING (see $log and $work/artifacts/)"
    status=1
    tail -n 60 "$log"
  fi
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1 || true)"
  coverage="$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -n 1 || true)"
  echo "fuzz_$target: ${executions:-?} executions in $seconds s, ${coverage:-no coverage line}: $result"
done
exit "$status"
