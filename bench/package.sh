#!/usr/bin/env bash
# The package and subfolder benchmark, output on tmpfs, in alternating rounds after a warm-up:
#
#   zip-N   a deflated ZIP of N notifications (tenvor-gen package --shape many) converted by
#           `tenvor-cli convert -o OUT F.zip`, against its baseline: every member inflated to
#           nowhere (`unzip -p F.zip > /dev/null`) plus `xmllint --noout` over the same members
#           extracted on tmpfs, in one process. Also the conversion's peak memory, and for
#           comparison W, the write floor: `cp -r` of the conversion's CSV files into a fresh
#           folder on tmpfs (the baseline writes nothing; the conversion writes N files).
#   tree-N  N notifications (tenvor-gen folder) in F folders of N/F files each, converted with -r,
#           against the same files (hard links) in one folder converted without it. The folders
#           lie two deep (10 folders of F/10), so that -r descends more than one level.
#   (with --walker, also tenvor-bench-package: the package listed and every member read into
#   memory, as a run reads it, without converting.)
#
# One row per timed command in a TSV file (the columns of bench/run.sh's results); bench/report.py
# summary makes the medians, spreads and ratios. Nothing here fails because of a time; it fails
# when a tool is missing, a command fails or a conversion writes other CSV files than expected.
#
#   bench/package.sh                             10,000 notifications, 1,000 folders, 5 rounds
#   bench/package.sh --count 2000 --folders 200 --reps 3
#   bench/package.sh --no-build --cli C --gen G  tools built elsewhere
#   bench/package.sh --help                      every option
set -Eeuo pipefail
export LC_ALL=C
trap 'echo "bench/package.sh: line $LINENO failed: $BASH_COMMAND" >&2' ERR

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
command_line="bench/package.sh${*:+ $*}"
count=10000
folders=1000
reps=5
warmup=1
seed=20260101
fail_percent=3
build_dir="$root/build-release"
build_type=Release
do_build=1
cli="" gen="" walker=""
data_dir="/tmp/tenvor-bench-package"
shm_dir="/dev/shm/tenvor-bench-package"
results_copy="" out=""
zip_target=1.1 tree_target=1.1 rss_target_mib=64

usage() {
  cat <<EOF
Usage: bench/package.sh [options]
  --count N        notifications in the ZIP and in the folders (default: $count)
  --folders N      folders of the tree, a multiple of 10 dividing --count (default: $folders)
  --reps N         measured rounds (default: $reps); --warmup N rounds before them (default: $warmup)
  --seed S         generator seed (default: $seed); --fail-percent P of the folder's files (default: $fail_percent)
  --build-dir DIR  where tenvor-cli and tenvor-gen are built (default: build-release, $build_type)
  --no-build       use the tools already built there, or those given:
  --cli FILE --gen FILE [--walker FILE]   (tenvor-bench-package is measured only when given)
  --data DIR       the generated inputs, a disk folder (default: $data_dir)
  --shm DIR        the outputs and the extracted members, on tmpfs (default: $shm_dir)
  --results FILE   keep the measurements (TSV) there
  --out FILE       write the summary there as well as on standard output
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --count) count="$2"; shift 2 ;;
    --folders) folders="$2"; shift 2 ;;
    --reps) reps="$2"; shift 2 ;;
    --warmup) warmup="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --fail-percent) fail_percent="$2"; shift 2 ;;
    --build-dir) build_dir="$2"; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --cli) cli="$2"; shift 2 ;;
    --gen) gen="$2"; shift 2 ;;
    --walker) walker="$2"; shift 2 ;;
    --data) data_dir="$2"; shift 2 ;;
    --shm) shm_dir="$2"; shift 2 ;;
    --results) results_copy="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "bench/package.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

absolute() { case "$1" in /* | "") echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
cli="$(absolute "$cli")" gen="$(absolute "$gen")" walker="$(absolute "$walker")" build_dir="$(absolute "$build_dir")"
results_copy="$(absolute "$results_copy")" out="$(absolute "$out")"
say() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
die() { printf 'bench/package.sh: %s\n' "$*" >&2; exit 1; }
[[ "$count" =~ ^[0-9]+$ && "$folders" =~ ^[0-9]+$ && "$reps" =~ ^[0-9]+$ && "$warmup" =~ ^[0-9]+$ ]] || die "counts must be numbers"
[ "$reps" -ge 1 ] && [ "$folders" -ge 10 ] && [ $((folders % 10)) -eq 0 ] && [ $((count % folders)) -eq 0 ] ||
  die "--reps must be at least 1, --folders a multiple of 10 that divides --count"

if [ "$do_build" -eq 1 ]; then
  say "Building tenvor-cli and tenvor-gen in $build_dir ($build_type)"
  cmake -S "$root/bench" -B "$build_dir" -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
  cmake --build "$build_dir" --target tenvor-cli tenvor-gen -- -j2 >/dev/null
fi
[ -n "$cli" ] || cli="$build_dir/tenvor/src/tenvor-cli"
[ -n "$gen" ] || gen="$build_dir/tenvor/tools/tenvor-gen"
[ -x "$cli" ] && [ -x "$gen" ] || die "missing tenvor-cli or tenvor-gen; build them or name them"
[ -z "$walker" ] || [ -x "$walker" ] || die "not a program: $walker"
for tool in unzip xmllint /usr/bin/time python3; do
  command -v "$tool" >/dev/null || die "$tool is missing (Debian packages unzip, libxml2-utils, time, python3)"
done

mkdir -p "$data_dir" "$shm_dir"
work="$(mktemp -d "$data_dir/run.XXXXXX")"
shm_work="$(mktemp -d "$shm_dir/run.XXXXXX")"
trap 'rm -rf "$work" "$shm_work"; rmdir "$data_dir" "$shm_dir" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
shm_fs="$(df -PT "$shm_work" | awk 'NR == 2 { print $2 }')"
[ "$shm_fs" = tmpfs ] || say "warning: $shm_dir is not on tmpfs ($shm_fs)"
export TENVOR_HOME="$work/home"
results="$work/results.tsv"
printf '#case\top\tround\twall_s\tuser_s\tsystem_s\tpeak_rss_kib\tstatus\tother_cores\n' >"$results"

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
clk_tck="$(getconf CLK_TCK)"
cpu_busy() { awk '/^cpu /{ print $2 + $3 + $4 + $7 + $8 + $9; exit }' /proc/stat; }

# measure CASE OP ROUND DIR STDOUT COMMAND...: as in bench/run.sh, one row: wall seconds, user and
# system seconds and peak resident set of the command (/usr/bin/time), its exit status, and the
# cores other processes kept busy meanwhile.
measure() {
  local case_name="$1" op="$2" round="$3" dir="$4" stdout="$5"
  shift 5
  local before after t0 t1 user sys rss status
  before="$(cpu_busy)"
  t0="$EPOCHREALTIME"
  (cd "$dir" && exec /usr/bin/time -f '%e %U %S %M %x' -o "$work/time.out" "$@") >"$stdout" 2>"$work/stderr" || true
  t1="$EPOCHREALTIME"
  after="$(cpu_busy)"
  read -r _ user sys rss status < <(tail -n 1 "$work/time.out")
  awk -v c="$case_name" -v w="$op" -v r="$round" -v t0="$t0" -v t1="$t1" -v u="$user" -v s="$sys" -v m="$rss" \
      -v x="$status" -v b0="$before" -v b1="$after" -v hz="$clk_tck" 'BEGIN {
        wall = t1 - t0; other = ((b1 - b0) / hz - u - s) / wall; if (other < 0) other = 0
        printf "%s\t%s\t%s\t%.6f\t%s\t%s\t%s\t%s\t%.3f\n", c, w, r, wall, u, s, m, x, other
      }' >>"$results"
  last_status="$status"
}

# ---- Data -------------------------------------------------------------------------------------

package="$work/many.zip"
say "Generating a ZIP of $count notifications"
"$gen" package --shape many --count "$count" --seed "$seed" --out "$package"
members="$shm_work/members"
mkdir -p "$members"
unzip -q -d "$members" "$package"
(cd "$members" && find . -maxdepth 1 -type f -name '*.xml' -printf '%f\n' | sort) >"$work/members.txt"
[ "$(wc -l <"$work/members.txt")" -eq "$count" ] || die "the ZIP does not extract to $count XML files"
say "ZIP: $(stat -c %s "$package") bytes, $(unzip -Zt "$package" | sed 's/.*files, //')"

flat="$work/flat"
tree="$work/tree"
say "Generating a folder of $count notifications and its tree of $folders folders"
mkdir -p "$flat"
"$gen" folder --out "$flat" --count "$count" --seed "$seed" --fail-percent "$fail_percent" >"$work/gen.txt" 2>&1 ||
  { cat "$work/gen.txt" >&2; die "tenvor-gen folder failed"; }
per_folder=$((count / folders))
(cd "$flat" && find . -maxdepth 1 -type f -name '*.xml' -printf '%f\n' | sort) >"$work/flat.txt"
[ "$(wc -l <"$work/flat.txt")" -eq "$count" ] || die "tenvor-gen folder wrote other than $count files"
awk -v per="$per_folder" -v sub_count="$((folders / 10))" '{
    i = NR - 1; leaf = int(i / per)
    printf "%s\tg%02d/d%04d\n", $0, int(leaf / sub_count), leaf % sub_count
  }' "$work/flat.txt" >"$work/tree-plan.txt"
cut -f2 "$work/tree-plan.txt" | uniq | (cd "$work" && mkdir -p tree && cd tree && xargs mkdir -p)
# Hard links: the same files, with their last-write times, in the page cache once.
while IFS=$'\t' read -r name folder; do ln "$flat/$name" "$tree/$folder/$name"; done <"$work/tree-plan.txt"
[ "$(find "$tree" -type f | wc -l)" -eq "$count" ] && [ "$(find "$tree" -mindepth 2 -type d | wc -l)" -eq "$folders" ] ||
  die "the tree is not $folders folders of $per_folder files"
say "Folder: $(du -sk --apparent-size "$flat" | cut -f1) KiB, $(tail -n 1 "$work/gen.txt")"
expected_csv=$((count - $(sed -n 's/.*, \([0-9]*\) failing on purpose.*/\1/p' "$work/gen.txt")))

# The CSV files that W copies: one conversion before the rounds, not timed.
csv_source="$shm_work/csv"
mkdir -p "$csv_source"
(cd "$work" && TENVOR_HOME="$work/home-first" "$cli" convert -o "$csv_source" "$package" >/dev/null 2>"$work/first.err") ||
  { cat "$work/first.err" >&2; die "the ZIP's conversion failed"; }
[ "$(find "$csv_source" -type f -name '*.csv' | wc -l)" -eq "$count" ] || die "the ZIP's conversion did not write $count CSV files"

fits_one_command_line() {
  [ $(($(awk '{ s += length($0) + 9 } END { print s + 0 }' "$1") + $(env | wc -c) + 65536)) -lt "$(getconf ARG_MAX)" ]
}
fits_one_command_line "$work/members.txt" || die "the member names do not fit on one command line (ARG_MAX)"
mapfile -t member_names <"$work/members.txt"

# ---- The operations ---------------------------------------------------------------------------

# check_csv OP OUT EXPECTED: the conversion's status (1 when files fail on purpose) and its CSV
# files; the tree's conversion must write the same files, by content, as the flat folder's.
declare -A csv_digest
check_csv() {
  local op="$1" dir="$2" expected="$3" found digest
  [ "$last_status" = 0 ] || [ "$last_status" = 1 ] || { cat "$work/stderr" >&2; die "$op ended with status $last_status"; }
  found="$(find "$dir" -type f -name '*.csv' | wc -l)"
  [ "$found" -eq "$expected" ] || die "$op wrote $found CSV files instead of $expected"
  if [ -z "${csv_digest[$op]:-}" ]; then
    digest="$(find "$dir" -type f -name '*.csv' -print0 | xargs -0 sha1sum | cut -c1-40 | sort | sha1sum)"
    csv_digest[$op]="$digest"
  fi
}

run_op() {
  local case_name="$1" op="$2" round="$3" out="$shm_work/out"
  rm -rf "$TENVOR_HOME" "$out"
  mkdir -p "$out"
  case "$op" in
    conv)
      measure "$case_name" conv "$round" "$work" /dev/null "$cli" convert -o "$out" "$package"
      [ "$last_status" = 0 ] || { cat "$work/stderr" >&2; die "the ZIP's conversion ended with status $last_status"; }
      check_csv conv "$out" "$count"
      ;;
    unzip) measure "$case_name" unzip "$round" "$work" /dev/null unzip -p "$package" ;;
    copy) measure "$case_name" copy "$round" "$work" /dev/null cp -r "$csv_source" "$out/copy" ;;
    xmllint)
      measure "$case_name" xmllint "$round" "$members" /dev/null xmllint --noout "${member_names[@]}"
      [ "$last_status" = 0 ] || { head -n 5 "$work/stderr" >&2; die "xmllint rejected members of the ZIP"; }
      ;;
    walk)
      measure "$case_name" walk "$round" "$work" /dev/null "$walker" "$package"
      [ "$last_status" = 0 ] || die "tenvor-bench-package met a fault"
      ;;
    flat)
      measure "$case_name" flat "$round" "$work" /dev/null "$cli" convert -o "$out" "$flat"
      check_csv flat "$out" "$expected_csv"
      ;;
    tree)
      measure "$case_name" tree "$round" "$work" /dev/null "$cli" convert -r -o "$out" "$tree"
      check_csv tree "$out" "$expected_csv"
      ;;
    *) die "unknown operation $op" ;;
  esac
  rm -rf "$out"
}

# run_rounds CASE OP...: the warm-up rounds, then the measured ones; each round starts one
# operation further along the list, so that no operation always follows the same one.
run_rounds() {
  local case_name="$1"
  shift
  local ops=("$@") n=$# r i label
  for ((r = 1; r <= warmup + reps; r++)); do
    if [ "$r" -le "$warmup" ]; then label="w$r"; else label="$((r - warmup))"; fi
    say "  $case_name round $label/$reps: load $(loadavg)"
    for ((i = 0; i < n; i++)); do run_op "$case_name" "${ops[$(((i + r) % n))]}" "$label"; done
  done
}

load_start="$(loadavg)"
say "Load averages at the start: $load_start"
zip_ops=(conv unzip xmllint copy)
[ -z "$walker" ] || zip_ops+=(walk)
run_rounds "zip-$count" "${zip_ops[@]}"
run_rounds "tree-$count" flat tree
[ "${csv_digest[flat]}" = "${csv_digest[tree]}" ] || die "the tree's conversion wrote other CSV files than the flat folder's"
load_end="$(loadavg)"

# ---- The summary ------------------------------------------------------------------------------

{
  echo "# Packages and subfolders, output on tmpfs"
  echo
  echo "\`$command_line\` on $(date -u '+%Y-%m-%d %H:%M') UTC, commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown),"
  echo "$(nproc) cores, $(uname -r), output $shm_dir ($shm_fs), inputs $data_dir ($(df -PT "$work" | awk 'NR == 2 { print $2 }'))."
  echo "Load averages (1, 5, 15 minutes): $load_start at the start, $load_end at the end. $reps measured rounds after $warmup warm-up."
  echo
  echo "- zip-$count: \`tenvor-gen package --shape many --count $count --seed $seed\` ($(stat -c %s "$package") bytes, $(unzip -Zt "$package" | sed 's/.*files, //'))"
  echo "  - conv: \`tenvor-cli convert -o OUT many.zip\`; unzip: \`unzip -p many.zip > /dev/null\`;"
  echo "    xmllint: \`xmllint --noout\` over the $count members extracted on tmpfs, in one process;"
  echo "    copy (W, for comparison, not part of the baseline): \`cp -r\` of the $count CSV files into a fresh folder on tmpfs"
  [ -z "$walker" ] || echo "  - walk: \`tenvor-bench-package many.zip\` (listed, every member read into memory)"
  echo "- tree-$count: \`tenvor-gen folder --count $count --seed $seed --fail-percent $fail_percent\` ($(tail -n 1 "$work/gen.txt"), $expected_csv CSV files)"
  echo "  - flat: \`tenvor-cli convert -o OUT FOLDER\` (all $count files in one folder);"
  echo "    tree: \`tenvor-cli convert -r -o OUT TREE\` (the same files in $folders folders of $per_folder, two deep)"
  echo
  python3 -B "$root/bench/report.py" summary --results "$results" \
    --ratio "zip-$count:conv/unzip+xmllint<=$zip_target" --ratio "zip-$count:conv/unzip+xmllint+copy<=$zip_target" \
    --ratio "tree-$count:tree/flat<=$tree_target" \
    --rss "zip-$count:conv<$rss_target_mib"
} >"$work/summary.md"
cat "$work/summary.md"
[ -z "$out" ] || cp "$work/summary.md" "$out"
[ -z "$results_copy" ] || cp "$results" "$results_copy"
