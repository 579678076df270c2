#!/usr/bin/env bash
# Soak test, not part of CI: converts 20,000 generated notifications in one folder run, then runs
# again over the same folder. The second run must report every file as already converted (error
# kind 0) and leave every CSV file exactly as it was (compared by checksum). Prints the time and
# peak memory of both runs.
#   scripts/soak.sh [--count N] [--build DIR] [--work DIR] [--encoding sjis|utf8]
# --build defaults to build (tenvor-cli and tenvor-gen built there); --work to a fresh temporary
# folder, removed at the end unless given.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
count=20000
build="$root/build"
work=""
encoding=sjis
while [ $# -gt 0 ]; do
  case "$1" in
    --count) count="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --encoding) encoding="$2"; shift 2 ;;
    *) echo "usage: $0 [--count N] [--build DIR] [--work DIR] [--encoding sjis|utf8]" >&2; exit 2 ;;
  esac
done
cli="$(realpath "$build/src/tenvor-cli")"
gen="$(realpath "$build/tools/tenvor-gen")"
source "$root/scripts/ensure-packages.sh"
ensure_packages time

if [ -z "$work" ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
fi
rm -rf "$work/in" "$work/out" "$work/home"
mkdir -p "$work/in" "$work/out" "$work/home"
export TENVOR_HOME="$work/home"

echo "Generating $count notifications in $work/in"
"$gen" folder --out "$work/in" --count "$count" --fail-percent 0 --seed 20000

# Runs tenvor-cli and reports its exit status, peak memory (KiB) and time.
measure() {
  local name="$1"; shift
  local status=0
  /usr/bin/time -f "%M %e" -o "$work/$name.time" "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
  read -r peak seconds < <(tail -n 1 "$work/$name.time")
  echo "$name: exit $status, $seconds s, peak memory $((peak / 1024)) MiB ($peak KiB)"
  eval "${name}_status=$status"
}

failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

measure first convert --output "$work/out" --encoding "$encoding" --folder "$work/in"
[ "$first_status" -eq 0 ] || fail "the first run ended with $first_status: $(tail -n 3 "$work/first.out" "$work/first.err")"
written="$(find "$work/out" -type f | wc -l)"
[ "$written" -eq "$count" ] || fail "the first run wrote $written files, not $count"
(cd "$work/out" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$work/sums-first"

measure second convert --output "$work/out" --encoding "$encoding" --folder "$work/in"
[ "$second_status" -eq 1 ] || fail "the second run ended with $second_status, not 1 (completed with errors)"
same="$(grep -c $'\t選択したファイルと同名のファイルが存在します。\t' "$work/second.out" || true)"
rows="$(grep -c $'\t' "$work/second.out" || true)"
[ "$same" -eq "$count" ] && [ "$rows" -eq "$count" ] ||
  fail "the second run listed $rows files, $same of them as already converted; expected $count"
grep -q "^${count}件のエラーが発生しました。$" "$work/second.out" || fail "the second run's completion message is wrong"
(cd "$work/out" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$work/sums-second"
if cmp -s "$work/sums-first" "$work/sums-second"; then
  echo "checksums: all $written CSV files unchanged by the second run"
else
  fail "CSV files changed between the runs: $(diff "$work/sums-first" "$work/sums-second" | head -n 5)"
fi

[ "$failed" -eq 0 ] && echo "soak: passed ($count notifications, nothing lost, nothing changed)"
exit "$failed"
