#!/usr/bin/env bash
# The package benchmark: a package of N deflated notifications (default 10,000) made with
# tenvor-gen, walked by tenvor-bench-package (listed, then every member read into memory, as a
# run reads a package) and extracted to nowhere by unzip -p, in alternating rounds after a
# warm-up. Prints the median of each and the walker's peak memory. Nothing here fails because of
# a time; it fails when a tool is missing or the walk meets a fault.
#   bench/package.sh --gen build/tools/tenvor-gen --walker build/tests/tenvor-bench-package [--count N] [--reps N]
# (tenvor-bench-package is built with the test suite, and in build-bench by bench/CMakeLists.txt.)
set -euo pipefail
gen=""
walker=""
count=10000
reps=5
while [ $# -gt 0 ]; do
  case "$1" in
    --gen) gen="$2"; shift 2 ;;
    --walker) walker="$2"; shift 2 ;;
    --count) count="$2"; shift 2 ;;
    --reps) reps="$2"; shift 2 ;;
    *) echo "usage: $0 --gen TENVOR_GEN --walker TENVOR_BENCH_PACKAGE [--count N] [--reps N]" >&2; exit 2 ;;
  esac
done
[ -x "$gen" ] && [ -x "$walker" ] || { echo "give --gen and --walker" >&2; exit 2; }
command -v unzip >/dev/null || { echo "unzip is missing" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
package="$work/many.zip"
"$gen" package --shape many --count "$count" --out "$package"
echo "package: $count members, $(stat -c %s "$package") bytes, $(unzip -Zt "$package" | sed 's/.*files, //')"

seconds() { # the wall time of a command, in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

"$walker" "$package" >/dev/null  # warm-up: the file in the page cache
unzip -p "$package" >/dev/null
walks=()
unzips=()
for _ in $(seq "$reps"); do
  walks+=("$(seconds "$walker" "$package")")
  unzips+=("$(seconds sh -c "unzip -p '$package' >/dev/null")")
done
echo "walker (list + read every member): median $(printf '%s\n' "${walks[@]}" | median) s of ${reps}"
echo "unzip -p > /dev/null:              median $(printf '%s\n' "${unzips[@]}" | median) s of ${reps}"
echo "walker's last run: $("$walker" "$package")"
