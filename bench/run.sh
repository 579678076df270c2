#!/usr/bin/env bash
# The folder-conversion benchmark, end to end with one command: builds the tools (build-bench),
# generates the notifications with tenvor-gen, measures the conversion side by side with its
# floors (parse P, write W, read R) in alternating rounds after a warm-up, checks that every run
# wrote the same files, and writes the table (docs/benchmarks.md), the plot of time per file
# against folder size (docs/bench-time-per-file.png) and the summary in the README.
#
# This script builds, generates and times: one row per timed command in a TSV file (kept as
# docs/bench-results.tsv beside the table). bench/report.py makes the statistics, the table, the
# plot and the summary from it.
#
#   bench/run.sh                        the full run: 1,000, 10,000 and 50,000 files, the
#                                       100,000-record notification, 5 measured rounds
#   bench/run.sh --sizes "1000 10000" --reps 3 --big-persons 20000
#                                       a reduced run (marked as such in the table)
#   bench/run.sh --wait-quiet 1800      waits up to 30 minutes for a quiet machine first
#   bench/run.sh --help                 every option
#
# Benchmarks are not tests: nothing here fails because of a time. The script fails only when a
# tool is missing, a command fails, or two runs of the same input wrote different results.
set -Eeuo pipefail
export LC_ALL=C
trap 'echo "bench/run.sh: line $LINENO failed: $BASH_COMMAND" >&2' ERR

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
command_line="bench/run.sh${*:+ $*}"

# ---- Options ----------------------------------------------------------------------------------

default_sizes="1000 10000 50000"
sizes="$default_sizes"
default_big_persons=100000
big_persons=$default_big_persons
default_reps=5
reps=$default_reps
warmup=1
window_sizes="10000"
data_dir="/tmp/tenvor-bench"
shm_dir="/dev/shm/tenvor-bench"
out_md="$root/docs/benchmarks.md"
plot_png="$root/docs/bench-time-per-file.png"
readme="$root/README.md"
build_dir="$root/build-bench"
build_type="RelWithDebInfo"
do_build=1
do_packages=1
cli="" gen="" parse_helper="" window=""
seed=20260101
min_persons=1 max_persons=5 fail_percent=3 sjis_percent=25 min_bytes=2048 max_bytes=10240
max_load="0.3"
wait_quiet=0
force_preliminary=0
note=""
keep_data=0
sync_fs=1

usage() {
  cat <<EOF
Usage: bench/run.sh [options]

What to run
  --sizes "N ..."        folder sizes (default: "$default_sizes")
  --big-persons N        person records of the one large N2018003 notification (default:
                         $default_big_persons; 0 leaves that case out)
  --reps N               measured rounds per case, at least 5 for published figures (default: $default_reps)
  --warmup N             warm-up rounds before them, not counted (default: $warmup)
  --window-sizes "N ..." folder sizes also converted through the window, offscreen (default:
                         "$window_sizes"; "" leaves the window out)

Where
  --data DIR             inputs and the "same disk" outputs; a disk file system (default: $data_dir)
  --shm DIR              the tmpfs outputs (default: $shm_dir)
  --out FILE             the table (default: docs/benchmarks.md)
  --plot FILE            the plot (default: docs/bench-time-per-file.png; "" for none)
  --readme FILE          README whose benchmark summary is replaced (default: README.md; "" for none)
  --keep-data            keep the generated notifications for the next run (reused when the
                         generator and its arguments are unchanged)
  --no-sync              do not flush the output file system before each timed command

Tools
  --build-dir DIR        build folder of the benchmark build (default: build-bench)
  --build-type TYPE      Release or RelWithDebInfo (default: $build_type)
  --no-build             use the tools already built there (or given below)
  --no-packages          do not install missing Debian packages
  --cli FILE --gen FILE --parse FILE --window FILE
                         the tools to use instead of those of the build folder

Generated data (tenvor-gen folder)
  --seed S --min-persons A --max-persons B --fail-percent P --sjis-percent P
  --min-bytes N --max-bytes N       (defaults: $seed $min_persons $max_persons $fail_percent $sjis_percent $min_bytes $max_bytes)

The machine
  --max-load X           load average below which the machine counts as quiet (default: $max_load)
  --wait-quiet SECONDS   wait up to this long for the 1- and 5-minute load averages to fall below
                         --max-load before starting (default: 0, do not wait)
  --preliminary          mark the figures as preliminary whatever the load
  --note TEXT            a sentence added to the table's heading
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --sizes) sizes="$2"; shift 2 ;;
    --big-persons) big_persons="$2"; shift 2 ;;
    --reps) reps="$2"; shift 2 ;;
    --warmup) warmup="$2"; shift 2 ;;
    --window-sizes) window_sizes="$2"; shift 2 ;;
    --data) data_dir="$2"; shift 2 ;;
    --shm) shm_dir="$2"; shift 2 ;;
    --out) out_md="$2"; shift 2 ;;
    --plot) plot_png="$2"; shift 2 ;;
    --readme) readme="$2"; shift 2 ;;
    --keep-data) keep_data=1; shift ;;
    --no-sync) sync_fs=0; shift ;;
    --build-dir) build_dir="$2"; shift 2 ;;
    --build-type) build_type="$2"; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --no-packages) do_packages=0; shift ;;
    --cli) cli="$2"; shift 2 ;;
    --gen) gen="$2"; shift 2 ;;
    --parse) parse_helper="$2"; shift 2 ;;
    --window) window="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --min-persons) min_persons="$2"; shift 2 ;;
    --max-persons) max_persons="$2"; shift 2 ;;
    --fail-percent) fail_percent="$2"; shift 2 ;;
    --sjis-percent) sjis_percent="$2"; shift 2 ;;
    --min-bytes) min_bytes="$2"; shift 2 ;;
    --max-bytes) max_bytes="$2"; shift 2 ;;
    --max-load) max_load="$2"; shift 2 ;;
    --wait-quiet) wait_quiet="$2"; shift 2 ;;
    --preliminary) force_preliminary=1; shift ;;
    --note) note="$2"; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "bench/run.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

# Paths given relative to the working folder, made absolute (commands run in other folders).
absolute() { case "$1" in /* | "") echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
cli="$(absolute "$cli")" gen="$(absolute "$gen")" parse_helper="$(absolute "$parse_helper")" window="$(absolute "$window")"
out_md="$(absolute "$out_md")" plot_png="$(absolute "$plot_png")" readme="$(absolute "$readme")"
build_dir="$(absolute "$build_dir")"

say() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
die() { printf 'bench/run.sh: %s\n' "$*" >&2; exit 1; }

is_count() { [[ "$1" =~ ^[0-9]+$ ]]; }
for n in $sizes $window_sizes; do is_count "$n" && [ "$n" -gt 0 ] || die "not a folder size: $n"; done
is_count "$big_persons" || die "not a count: $big_persons"
is_count "$reps" && [ "$reps" -ge 1 ] || die "--reps must be at least 1"
is_count "$warmup" || die "not a count: $warmup"
[ -n "$sizes$big_persons" ] || die "nothing to run"
sizes="$(tr ' ' '\n' <<<"$sizes" | sed '/^$/d' | sort -n | uniq | tr '\n' ' ')"

# ---- Tools ------------------------------------------------------------------------------------

if [ "$do_packages" -eq 1 ]; then
  # shellcheck source=../scripts/ensure-packages.sh
  source "$root/scripts/ensure-packages.sh"
  ensure_packages "${TENVOR_BUILD_PACKAGES[@]}" "${TENVOR_BENCH_PACKAGES[@]}"
fi

if [ "$do_build" -eq 1 ]; then
  say "Building the tools in $build_dir ($build_type)"
  cmake -S "$root/bench" -B "$build_dir" -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
  targets=(tenvor-cli tenvor-gen tenvor-bench-parse)
  if grep -q '^TENVOR_BUILD_GUI:BOOL=ON' "$build_dir/CMakeCache.txt"; then
    targets+=(tenvor-bench-window)
  fi
  cmake --build "$build_dir" --parallel "$(nproc)" --target "${targets[@]}" >/dev/null
fi
# The newest of the places a build folder may hold a tool in (the helpers sit beside the test
# programs when the build includes the test suite).
newest_existing() {
  local f found=""
  for f in "$@"; do
    if [ -x "$f" ] && { [ -z "$found" ] || [ "$f" -nt "$found" ]; }; then found="$f"; fi
  done
  echo "$found"
}
[ -n "$cli" ] || cli="$(newest_existing "$build_dir/tenvor/src/tenvor-cli" "$build_dir/src/tenvor-cli")"
[ -n "$gen" ] || gen="$(newest_existing "$build_dir/tenvor/tools/tenvor-gen" "$build_dir/tools/tenvor-gen")"
[ -n "$parse_helper" ] || parse_helper="$(newest_existing "$build_dir/tenvor-bench-parse" \
  "$build_dir/tenvor/tests/tenvor-bench-parse" "$build_dir/tests/tenvor-bench-parse")"
[ -n "$window" ] || window="$(newest_existing "$build_dir/tenvor-bench-window" \
  "$build_dir/tenvor/tests/tenvor-bench-window" "$build_dir/tests/tenvor-bench-window")"
for tool in "$cli" "$gen" "$parse_helper"; do
  [ -n "$tool" ] && [ -x "$tool" ] || die "missing tool (tenvor-cli, tenvor-gen or tenvor-bench-parse); build them or name them"
done
for tool in xmllint /usr/bin/time cp cat python3; do
  command -v "$tool" >/dev/null || die "$tool is missing (Debian packages: libxml2-utils, time, python3)"
done
window_reason=""
if [ -z "$window_sizes" ]; then
  window_reason="not asked for (--window-sizes \"\")"
elif [ -z "$window" ] || [ ! -x "$window" ]; then
  window_reason="the window is not built (tenvor-bench-window missing: Qt or the window library not available)"
  window=""
fi
export QT_QPA_PLATFORM=offscreen

# ---- Scratch folders --------------------------------------------------------------------------

mkdir -p "$data_dir" "$shm_dir"
data_dir="$(cd "$data_dir" && pwd)"
shm_dir="$(cd "$shm_dir" && pwd)"
data_fs="$(df -PT "$data_dir" | awk 'NR == 2 { print $2 }')"
data_journal="$data_fs"
if [ "$data_fs" = ext4 ]; then
  data_dev="$(df -P "$data_dir" | awk 'NR == 2 { print $1 }')"
  data_journal="ext4 with a journal"
  if [ "$(cat "/sys/fs/ext4/${data_dev##*/}/journal_task" 2>/dev/null)" = "<none>" ]; then
    data_journal="ext4 without a journal"
  fi
fi
shm_fs="$(df -PT "$shm_dir" | awk 'NR == 2 { print $2 }')"
[ "$data_fs" = tmpfs ] && say "warning: $data_dir is on tmpfs, not on a disk"
[ "$shm_fs" = tmpfs ] || say "warning: $shm_dir is not on tmpfs ($shm_fs)"
work="$(mktemp -d "$data_dir/run.XXXXXX")"
shm_work="$(mktemp -d "$shm_dir/run.XXXXXX")"
cleanup() {
  rm -rf "$work" "$shm_work"
  if [ "$keep_data" -eq 0 ]; then
    rm -rf "$data_dir"/in-* "$data_dir"/big-*
  fi
  rmdir "$shm_dir" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# Outputs on the disk are not deleted between commands but set aside here (a rename) and deleted
# when the script ends. ext4 keeps an inode freed in the last minute (five minutes while its
# table block is not yet written back) from reuse when the file system has no journal, as on
# this machine's disk: every file created after a deletion scans past those inodes, so a command
# that follows the deletion of ten thousand files spends most of its time there, and by chance
# more or less than its neighbour in the round.
set_aside_dir="$work/set-aside"
mkdir -p "$set_aside_dir"
set_aside_count=0
set_aside() {
  local path
  for path in "$@"; do
    [ -e "$path" ] || continue
    set_aside_count=$((set_aside_count + 1))
    mv "$path" "$set_aside_dir/$set_aside_count"
  done
}
# The measurements, one row per timed command (see measure below).
results="$work/results.tsv"
printf '#case\top\tround\twall_s\tuser_s\tsystem_s\tpeak_rss_kib\tstatus\tother_cores\n' >"$results"
export TENVOR_HOME="$work/home"

# ---- The machine's load -----------------------------------------------------------------------

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
quiet_now() { awk -v max="$max_load" '{ exit !($1 < max && $2 < max) }' /proc/loadavg; }
if [ "$wait_quiet" -gt 0 ] && ! quiet_now; then
  say "Waiting up to ${wait_quiet}s for load averages below $max_load (now $(loadavg))"
  waited=0
  while ! quiet_now && [ "$waited" -lt "$wait_quiet" ]; do
    sleep 15
    waited=$((waited + 15))
  done
fi
load_start="$(loadavg)"
clk_tck="$(getconf CLK_TCK)"
# Busy CPU time of the whole machine, in clock ticks (user, nice, system, irq, softirq, steal).
cpu_busy() { awk '/^cpu /{ print $2 + $3 + $4 + $7 + $8 + $9; exit }' /proc/stat; }

# ---- Measuring one command --------------------------------------------------------------------

# measure CASE WHAT ROUND DIR STDOUT COMMAND...: runs the command in DIR, appends one line to the
# results: wall seconds (from the shell's clock), user and system seconds and peak resident set
# (/usr/bin/time), exit status, and the cores that other processes kept busy meanwhile.
measure() {
  local case_name="$1" what="$2" round="$3" dir="$4" stdout="$5"
  shift 5
  local before after t0 t1 line
  before="$(cpu_busy)"
  t0="$EPOCHREALTIME"
  (cd "$dir" && exec /usr/bin/time -f '%e %U %S %M %x' -o "$work/time.out" "$@") >"$stdout" 2>"$work/stderr" || true
  t1="$EPOCHREALTIME"
  after="$(cpu_busy)"
  line="$(tail -n 1 "$work/time.out")"
  read -r _ user sys rss status <<<"$line"
  awk -v c="$case_name" -v w="$what" -v r="$round" -v t0="$t0" -v t1="$t1" -v u="$user" -v s="$sys" \
      -v m="$rss" -v x="$status" -v b0="$before" -v b1="$after" -v hz="$clk_tck" 'BEGIN {
        wall = t1 - t0
        other = ((b1 - b0) / hz - u - s) / wall
        if (other < 0) other = 0
        printf "%s\t%s\t%s\t%.6f\t%s\t%s\t%s\t%s\t%.3f\n", c, w, r, wall, u, s, m, x, other
      }' >>"$results"
  last_status="$status"
}

flush_fs() {
  if [ "$sync_fs" -eq 1 ]; then
    sync -f "$1" 2>/dev/null || sync
  fi
}

# A digest of what a conversion left: every CSV file by name and content, the error rows it
# printed (when given) and the log entries without their time stamps.
result_digest() {
  local out="$1" rows="${2:-}"
  {
    (cd "$out" && find . -type f -print0 | sort -z | xargs -0 -r sha1sum)
    [ -z "$rows" ] || cat "$rows"
    if [ -f "$TENVOR_HOME/Ver1.20.log" ]; then
      sed 's/^.*\(エラー種別\)/\1/' "$TENVOR_HOME/Ver1.20.log"
    fi
  } | sha1sum | cut -c1-16
}

# Checks one conversion: exit status 0 or 1 (some files fail on purpose), the expected number of
# CSV files, and the same files, rows and log as every other run of the same input.
declare -A reference_digest
check_conversion() {
  local case_name="$1" what="$2" out="$3" expected="$4" rows="${5:-}"
  [ "$last_status" = 0 ] || [ "$last_status" = 1 ] || {
    cat "$work/stderr" >&2
    die "$what on $case_name ended with status $last_status"
  }
  local count
  count="$(find "$out" -maxdepth 1 -type f -name '*.csv' | wc -l)"
  [ "$count" -eq "$expected" ] || die "$what on $case_name wrote $count CSV files instead of $expected"
  # The error rows of the command line and the window's log are compared through the log, which
  # both write; the rows are compared among command-line runs.
  local digest key="$case_name"
  digest="$(result_digest "$out")"
  if [ -z "${reference_digest[$key]:-}" ]; then
    reference_digest[$key]="$digest"
  elif [ "${reference_digest[$key]}" != "$digest" ]; then
    die "$what on $case_name wrote other files or log entries than the first run"
  fi
  if [ -n "$rows" ]; then
    digest="$(sha1sum <"$rows" | cut -c1-16)"
    if [ -z "${reference_digest[$key/rows]:-}" ]; then
      reference_digest[$key/rows]="$digest"
    elif [ "${reference_digest[$key/rows]}" != "$digest" ]; then
      die "$what on $case_name listed other errors, or in another order, than the first run"
    fi
  fi
}

# ---- Data -------------------------------------------------------------------------------------

# The folders: tenvor-gen writes convertible notifications of all 33 forms with 1 to 5 person
# records, padded to a random size between --min-bytes and --max-bytes. Forms with many fields
# are larger than that with several person records (up to 30 KB with five), and Shift_JIS files
# shrink below the padding's target, so the generator writes more than needed and the first
# files within the size range are kept, in last-write order. The failing files are then written
# with `tenvor-gen one --fault` into the numbers of files that were left out, spread evenly
# over the folder, with the last-write time of their number: their count is known exactly.
first_mtime=1767225600  # the generator's first last-write time; file number j has j - 1 more
folder_faults=(missing-field truncated unsupported-form extra-element comment)
gen_args=(--seed "$seed" --min-persons "$min_persons" --max-persons "$max_persons"
  --fail-percent 0 --sjis-percent "$sjis_percent" --min-bytes "$min_bytes" --max-bytes "$max_bytes")
gen_stamp="$(sha1sum <"$gen" | cut -c1-16) ${gen_args[*]} failing $fail_percent% v3"

# Generates (or reuses) the folder of N notifications; sets in, failing.
make_folder() {
  local n="$1"
  in="$data_dir/in-$n"
  local stamp="$gen_stamp --count $n"
  if [ -f "$in.stamp" ] && [ "$(head -n 1 "$in.stamp")" = "$stamp" ] && [ -d "$in" ]; then
    say "Reusing $in"
  else
    say "Generating $n notifications into $in"
    set_aside "$in" "$in.pool"
    rm -f "$in.stamp"
    mkdir -p "$in"
    local fail_count=$(((n * fail_percent + 50) / 100))
    local keep=$((n - fail_count))
    local pool_count=$((keep * 5 / 4 + 100))
    for attempt in 1 2 3 4; do
      set_aside "$in.pool"
      mkdir -p "$in.pool"
      "$gen" folder --out "$in.pool" --count "$pool_count" "${gen_args[@]}" 2>"$work/gen.out" || {
        cat "$work/gen.out" >&2
        die "tenvor-gen failed"
      }
      (cd "$in.pool" && find . -maxdepth 1 -type f -name '*.xml' -printf '%f %s\n' | sort) >"$work/pool.txt"
      # "keep NAME" for the first files within the size range, "fail NAME" for the numbers
      # that the failing files take, chosen evenly among those left out before the last kept.
      if awk -v lo="$min_bytes" -v hi="$max_bytes" -v keep="$keep" -v fails="$fail_count" '
          kept < keep {
            if ($2 >= lo && $2 <= hi) { kept++; print "keep", $1 } else { left[++nl] = $1 }
          }
          END {
            if (kept < keep || nl < fails) exit 1
            for (k = 0; k < fails; k++) print "fail", left[int((k + 0.5) * nl / fails) + 1]
          }' "$work/pool.txt" >"$work/plan.txt"; then
        break
      fi
      [ "$attempt" -lt 4 ] || die "tenvor-gen gave too few files between $min_bytes and $max_bytes bytes"
      pool_count=$((pool_count * 2))
    done
    (cd "$in.pool" && awk '$1 == "keep" { print $2 }' "$work/plan.txt" | xargs -r -d '\n' mv -t "$in")
    local action name k=0 number form
    while read -r action name; do
      [ "$action" = fail ] || continue
      number=$((10#${name%%_*}))
      form="${name#*_}"
      form="${form%.xml}"
      "$gen" one --form "$form" --out "$in/$name" --seed "$((seed + number))" \
        --fault "${folder_faults[$((k % ${#folder_faults[@]}))]}" --persons 1 \
        --encoding "$([ $((k % 4)) -eq 3 ] && echo sjis || echo utf8)" \
        --bytes "$((min_bytes + number * 7919 % (max_bytes - min_bytes + 1)))" || die "tenvor-gen failed"
      touch -m -d "@$((first_mtime + number - 1))" "$in/$name"
      k=$((k + 1))
    done <"$work/plan.txt"
    set_aside "$in.pool"
    printf '%s\n%s\n' "$stamp" "$fail_count" >"$in.stamp"
  fi
  failing="$(sed -n 2p "$in.stamp")"
  (cd "$in" && find . -maxdepth 1 -type f -name '*.xml' -printf '%f\n' | sort) >"$in.names"
}

# Generates (or reuses) the one large notification; sets big_file.
make_big() {
  local persons="$1"
  local dir="$data_dir/big-$persons"
  big_file="$dir/N2018003-$persons.xml"
  local stamp="$(sha1sum <"$gen" | cut -c1-16) one --form N2018003 --persons $persons --seed $seed"
  if [ -f "$dir.stamp" ] && [ "$(cat "$dir.stamp")" = "$stamp" ] && [ -f "$big_file" ]; then
    say "Reusing $big_file"
  else
    say "Generating one N2018003 notification with $persons person records"
    set_aside "$dir"
    rm -f "$dir.stamp"
    mkdir -p "$dir"
    "$gen" one --form N2018003 --persons "$persons" --seed "$seed" --out "$big_file" || die "tenvor-gen failed"
    printf '%s\n' "$stamp" >"$dir.stamp"
  fi
}

# Whether all names fit on one command line (xmllint and cat then run as one process).
fits_one_command_line() {
  local list="$1"
  local arg_max env_bytes need
  arg_max="$(getconf ARG_MAX)"
  env_bytes="$(env | wc -c)"
  need="$(awk '{ s += length($0) + 1 + 8 } END { print s + 0 }' "$list")"
  [ $((need + env_bytes + 65536)) -lt "$arg_max" ]
}

# ---- The cases --------------------------------------------------------------------------------

# One row per case for the report, which takes the sizes of the files from the names file:
# case, kind (folder or big), input folder, names file, files failing on purpose, how R reads
# them, the files xmllint --noout rejected (empty when it was not run) and why it was not run.
cases="$work/cases.tsv"
printf '#case\tkind\tinput_folder\tnames_file\tfailing\tread_tool\txmllint_rejects\txmllint_note\n' >"$cases"
xmllint_rejects=""
add_case() {
  local IFS=$'\t'
  printf '%s\n' "$*" >>"$cases"
}

# run_rounds CASE OP...: the warm-up rounds, then the measured ones; in each round every
# operation runs once, starting one further along the list each round, so that no operation
# always follows the same one.
run_rounds() {
  local case_name="$1"
  shift
  local ops=("$@") count=$# total=$((warmup + reps)) r i label
  for ((r = 1; r <= total; r++)); do
    if [ "$r" -le "$warmup" ]; then label="w$r"; else label="$((r - warmup))"; fi
    say "  $case_name round $label/$reps: load $(loadavg)"
    for ((i = 0; i < count; i++)); do
      run_op "$case_name" "${ops[$(((i + r) % count))]}" "$label"
    done
  done
}

# clear_output DIR: a tmpfs output is deleted, a disk output set aside.
clear_output() {
  case "$1" in
    "$shm_work"/*) rm -rf "$1" ;;
    *) set_aside "$1" ;;
  esac
}

run_op() {
  local case_name="$1" op="$2" round="$3" out
  rm -rf "$TENVOR_HOME"
  case "$op" in
    parse)
      measure "$case_name" parse "$round" "$src_dir" /dev/null "$parse_helper" "$names_file"
      ;;
    xmllint)
      measure "$case_name" xmllint "$round" "$src_dir" /dev/null xmllint --noout "${names[@]}"
      if [ -z "$xmllint_rejects" ]; then
        xmllint_rejects="$({ grep -o '^[^:]*\.xml:[0-9]*: ' "$work/stderr" || true; } | cut -d: -f1 | sort -u | wc -l)"
      fi
      ;;
    readloop)
      measure "$case_name" readloop "$round" "$src_dir" /dev/null "$parse_helper" --read "$names_file"
      ;;
    read)
      if [ "$one_line" -eq 1 ]; then
        measure "$case_name" read "$round" "$src_dir" /dev/null cat "${names[@]}"
      else
        measure "$case_name" read "$round" "$src_dir" /dev/null xargs -a "$names_file" -d '\n' cat
      fi
      ;;
    copy-disk|copy-shm)
      [ "$op" = copy-disk ] && out="$work/copy" || out="$shm_work/copy"
      clear_output "$out"
      flush_fs "$out/.."
      measure "$case_name" "$op" "$round" "$work" /dev/null cp -r "$src_path" "$out"
      [ "$last_status" = 0 ] || die "cp failed on $case_name"
      clear_output "$out"
      ;;
    conv-disk|conv-shm|window-disk)
      case "$op" in
        conv-disk) out="$work/out" ;;
        conv-shm) out="$shm_work/out" ;;
        window-disk) out="$work/out-window" ;;
      esac
      clear_output "$out"
      mkdir -p "$out"
      flush_fs "$out"
      if [ "$op" = window-disk ]; then
        measure "$case_name" "$op" "$round" "$work" "$work/rows.txt" "$window" "$src_path" "$out"
        check_conversion "$case_name" "$op" "$out" "$expected_csv"
      else
        measure "$case_name" "$op" "$round" "$work" "$work/rows.txt" "$cli" convert --output "$out" "$src_path"
        check_conversion "$case_name" "$op" "$out" "$expected_csv" "$work/rows.txt"
      fi
      clear_output "$out"
      ;;
    *) die "unknown operation $op" ;;
  esac
}

say "Benchmark: sizes ${sizes:-none}, large notification ${big_persons} persons, $reps rounds after $warmup warm-up"
say "Load averages at the start: $load_start"

for n in $sizes; do
  make_folder "$n"
  case_name="folder-$n"
  src_dir="$in"
  src_path="$in"
  names_file="$in.names"
  mapfile -t names <"$names_file"
  [ "${#names[@]}" -eq "$n" ] || die "$in holds ${#names[@]} notifications instead of $n"
  expected_csv=$((n - failing))
  ops=(parse conv-disk copy-disk read conv-shm copy-shm readloop)
  xmllint_rejects="" xmllint_note=""
  if fits_one_command_line "$names_file"; then
    one_line=1
    read_tool="cat, all files in one process"
    ops+=(xmllint)
  else
    one_line=0
    read_tool="xargs cat"
    xmllint_note="not run: the $n names do not fit on one command line (ARG_MAX)"
  fi
  if [ -z "$window_reason" ] && [[ " $window_sizes " == *" $n "* ]]; then
    ops+=(window-disk)
  fi
  say "Case $case_name: $n files, $failing failing on purpose, $(du -sk --apparent-size "$in" | cut -f1) KiB"
  run_rounds "$case_name" "${ops[@]}"
  add_case "$case_name" folder "$src_dir" "$names_file" "$failing" "$read_tool" "$xmllint_rejects" "$xmllint_note"
  unset names
done

if [ "$big_persons" -gt 0 ]; then
  make_big "$big_persons"
  case_name="big-$big_persons"
  src_dir="$(dirname "$big_file")"
  src_path="$big_file"
  names_file="$work/big.names"
  basename "$big_file" >"$names_file"
  names=("$(basename "$big_file")")
  one_line=1
  expected_csv=1
  xmllint_rejects=""
  say "Case $case_name: one file of $(($(stat -c %s "$big_file") / 1024)) KiB"
  run_rounds "$case_name" parse conv-disk copy-disk read conv-shm xmllint readloop
  add_case "$case_name" big "$src_dir" "$names_file" 0 cat "$xmllint_rejects" ""
fi
load_end="$(loadavg)"

# ---- The report ------------------------------------------------------------------------------

# Statistics, the table, the plot and the README's summary; text values as --option=VALUE, since
# they may start with a dash.
report_args=(--results "$results" --cases "$cases" --out "$out_md" "--command-line=$command_line"
  "--sizes=$sizes" "--default-sizes=$default_sizes" --big-persons "$big_persons"
  --default-big-persons "$default_big_persons" --reps "$reps" --warmup "$warmup"
  "--window-sizes=$window_sizes" "--window-skipped=$window_reason" "--load-start=$load_start"
  "--load-end=$load_end" --max-load "$max_load" "--note=$note" --data-dir "$data_dir"
  "--data-fs=$data_journal" "--data-device=$(df -P "$data_dir" | awk 'NR == 2 { print $1 }')"
  --shm-dir "$shm_dir" "--shm-fs=$shm_fs" --build-dir "$build_dir" "--gen-args=${gen_args[*]}"
  --sjis-percent "$sjis_percent" --fail-percent "$fail_percent" --min-bytes "$min_bytes" --max-bytes "$max_bytes")
[ -z "$plot_png" ] || report_args+=(--plot "$plot_png")
[ -z "$readme" ] || report_args+=(--readme "$readme")
[ "$force_preliminary" -eq 0 ] || report_args+=(--preliminary)
python3 -B "$root/bench/report.py" "${report_args[@]}"

cp "$results" "$(dirname "$out_md")/bench-results.tsv"
say "Done. Load averages at the end: $load_end"
