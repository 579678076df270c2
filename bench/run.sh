#!/usr/bin/env bash
# The folder-conversion benchmark, end to end with one command: builds the tools (build-bench),
# generates the notifications with tenvor-gen, measures the conversion side by side with its
# floors (parse P, write W, read R) in alternating rounds after a warm-up, checks that every run
# wrote the same files, and writes the table (docs/benchmarks.md), the plot of time per file
# against folder size (docs/bench-time-per-file.png) and the summary in the README.
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
for tool in xmllint /usr/bin/time cp cat; do
  command -v "$tool" >/dev/null || die "$tool is missing (Debian packages: libxml2-utils, time)"
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
results="$work/results.tsv"
: >"$results"
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
  last_wall="$(tail -n 1 "$results" | cut -f4)"
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

declare -A case_forms case_files case_failing case_bytes case_min case_max case_median case_r_tool
declare -A case_xmllint_rejects case_xmllint_note
case_list=()

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
      if [ -z "${case_xmllint_rejects[$case_name]:-}" ]; then
        case_xmllint_rejects[$case_name]="$({ grep -o '^[^:]*\.xml:[0-9]*: ' "$work/stderr" || true; } | cut -d: -f1 | sort -u | wc -l)"
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

sizes_of_files() {  # prints: count bytes min median max (bytes) of the files in the list
  (cd "$src_dir" && xargs -a "$names_file" -d '\n' stat -c %s) | sort -n |
    awk '{ v[NR] = $1; s += $1 } END { printf "%d %d %d %d %d\n", NR, s, v[1], v[int((NR + 1) / 2)], v[NR] }'
}

say "Benchmark: sizes ${sizes:-none}, large notification ${big_persons} persons, $reps rounds after $warmup warm-up"
say "Load averages at the start: $load_start"

for n in $sizes; do
  make_folder "$n"
  case_name="folder-$n"
  case_list+=("$case_name")
  src_dir="$in"
  src_path="$in"
  names_file="$in.names"
  mapfile -t names <"$names_file"
  [ "${#names[@]}" -eq "$n" ] || die "$in holds ${#names[@]} notifications instead of $n"
  expected_csv=$((n - failing))
  if fits_one_command_line "$names_file"; then one_line=1; else one_line=0; fi
  read -r files bytes min median max < <(sizes_of_files)
  case_files[$case_name]=$files
  case_forms[$case_name]="$(cut -d_ -f2 "$names_file" | sort -u | wc -l)"
  case_failing[$case_name]=$failing
  case_bytes[$case_name]=$bytes
  case_min[$case_name]=$min
  case_median[$case_name]=$median
  case_max[$case_name]=$max
  case_r_tool[$case_name]=$([ "$one_line" -eq 1 ] && echo "cat, all files in one process" || echo "xargs cat")
  ops=(parse conv-disk copy-disk read conv-shm copy-shm readloop)
  if [ "$one_line" -eq 1 ]; then
    ops+=(xmllint)
  else
    case_xmllint_note[$case_name]="not run: the $n names do not fit on one command line (ARG_MAX)"
  fi
  if [ -z "$window_reason" ] && [[ " $window_sizes " == *" $n "* ]]; then
    ops+=(window-disk)
  fi
  say "Case $case_name: $files files, $failing failing on purpose, $((bytes / 1024)) KiB"
  run_rounds "$case_name" "${ops[@]}"
  unset names
done

if [ "$big_persons" -gt 0 ]; then
  make_big "$big_persons"
  case_name="big-$big_persons"
  case_list+=("$case_name")
  src_dir="$(dirname "$big_file")"
  src_path="$big_file"
  names_file="$work/big.names"
  basename "$big_file" >"$names_file"
  names=("$(basename "$big_file")")
  one_line=1
  expected_csv=1
  read -r files bytes min median max < <(sizes_of_files)
  case_files[$case_name]=1
  case_forms[$case_name]=1
  case_failing[$case_name]=0
  case_bytes[$case_name]=$bytes
  case_min[$case_name]=$bytes
  case_median[$case_name]=$bytes
  case_max[$case_name]=$bytes
  case_r_tool[$case_name]="cat"
  say "Case $case_name: one file of $((bytes / 1024)) KiB"
  run_rounds "$case_name" parse conv-disk copy-disk read conv-shm xmllint readloop
fi
load_end="$(loadavg)"

# ---- Statistics -------------------------------------------------------------------------------

# One line per case and operation over the measured rounds: case, op, runs, median, min, max of
# the wall time, median and max of the peak resident set (KiB), median of the other load.
stats="$work/stats.tsv"
awk -F'\t' '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  $3 !~ /^w/ { k = $1 "\t" $2; n[k]++; wall[k, n[k]] = $4; rss[k, n[k]] = $7; other[k, n[k]] = $9; cpu[k, n[k]] = $5 + $6; keys[k] = 1 }
  END {
    for (k in keys) {
      m = n[k]; lo = hi = wall[k, 1]; rmax = 0
      for (i = 1; i <= m; i++) {
        w[i] = wall[k, i]; r[i] = rss[k, i]; o[i] = other[k, i]; u[i] = cpu[k, i]
        if (w[i] < lo) lo = w[i]; if (w[i] > hi) hi = w[i]; if (r[i] + 0 > rmax) rmax = r[i] + 0
      }
      printf "%s\t%d\t%.6f\t%.6f\t%.6f\t%d\t%d\t%.3f\t%.3f\n", k, m, median(w, m), lo, hi, median(r, m), rmax, median(o, m), median(u, m)
    }
  }' "$results" | sort >"$stats"

# Ratios within each measured round (the commands of one round ran under the same conditions):
# case, name, runs, median, min, max.
ratios="$work/ratios.tsv"
awk -F'\t' '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function add(c, name, v) { k = c "\t" name; n[k]++; val[k, n[k]] = v; keys[k] = 1 }
  $3 !~ /^w/ { t[$1, $3, $2] = $4; u[$1, $3, $2] = $5 + $6; rounds[$1, $3] = 1 }
  END {
    for (cr in rounds) {
      split(cr, p, SUBSEP); c = p[1]; r = p[2]
      P = t[c, r, "parse"]; R = t[c, r, "read"]
      if (t[c, r, "conv-disk"] != "" && P != "" && t[c, r, "copy-disk"] != "")
        add(c, "disk/(P+W)", t[c, r, "conv-disk"] / (P + t[c, r, "copy-disk"]))
      if (t[c, r, "conv-shm"] != "" && P != "" && t[c, r, "copy-shm"] != "")
        add(c, "shm/(P+W)", t[c, r, "conv-shm"] / (P + t[c, r, "copy-shm"]))
      if (t[c, r, "conv-shm"] != "" && P != "") add(c, "shm/P", t[c, r, "conv-shm"] / P)
      if (t[c, r, "conv-disk"] != "" && P != "") add(c, "disk/P", t[c, r, "conv-disk"] / P)
      if (t[c, r, "conv-disk"] != "" && R != "" && R > 0) add(c, "disk/R", t[c, r, "conv-disk"] / R)
      if (t[c, r, "window-disk"] != "" && t[c, r, "conv-disk"] != "")
        add(c, "window/cli", t[c, r, "window-disk"] / t[c, r, "conv-disk"])
      X = t[c, r, "xmllint"]
      if (t[c, r, "conv-disk"] != "" && X != "" && t[c, r, "copy-disk"] != "")
        add(c, "disk/(X+W)", t[c, r, "conv-disk"] / (X + t[c, r, "copy-disk"]))
      if (t[c, r, "conv-shm"] != "" && X != "") add(c, "shm/X", t[c, r, "conv-shm"] / X)
      if (t[c, r, "conv-disk"] != "" && X != "") add(c, "disk/X", t[c, r, "conv-disk"] / X)
      # The same in processor time (user + system), which other processes disturb far less.
      if (u[c, r, "conv-shm"] != "" && u[c, r, "parse"] > 0) add(c, "cpu shm/P", u[c, r, "conv-shm"] / u[c, r, "parse"])
      if (u[c, r, "conv-disk"] != "" && u[c, r, "parse"] + u[c, r, "copy-disk"] > 0)
        add(c, "cpu disk/(P+W)", u[c, r, "conv-disk"] / (u[c, r, "parse"] + u[c, r, "copy-disk"]))
    }
    for (k in keys) {
      m = n[k]; lo = hi = val[k, 1]
      for (i = 1; i <= m; i++) { v[i] = val[k, i]; if (v[i] < lo) lo = v[i]; if (v[i] > hi) hi = v[i] }
      printf "%s\t%d\t%.4f\t%.4f\t%.4f\n", k, m, median(v, m), lo, hi
    }
  }' "$results" | sort >"$ratios"

stat_of() {  # stat_of CASE OP FIELD: runs=3 median=4 min=5 max=6 rss_median=7 rss_max=8 other=9
  awk -F'\t' -v c="$1" -v o="$2" -v f="$3" '$1 == c && $2 == o { print $f; found = 1 } END { if (!found) print "" }' "$stats"
}
ratio_of() {  # ratio_of CASE NAME FIELD: median=4 min=5 max=6
  awk -F'\t' -v c="$1" -v o="$2" -v f="$3" '$1 == c && $2 == o { print $f; found = 1 } END { if (!found) print "" }' "$ratios"
}
fmt() { awk -v v="$1" -v f="$2" 'BEGIN { if (v == "") print "–"; else printf f, v }'; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# ---- Preliminary or not -----------------------------------------------------------------------

other_max="$(awk -F'\t' '$3 !~ /^w/ && $9 + 0 > m { m = $9 + 0 } END { printf "%.2f", m + 0 }' "$results")"
other_median="$(awk -F'\t' '$3 !~ /^w/ { v[++n] = $9 } END {
  for (i = 2; i <= n; i++) { t = v[i]; for (j = i - 1; j >= 1 && v[j] > t; j--) v[j + 1] = v[j]; v[j + 1] = t }
  printf "%.2f", n ? v[int((n + 1) / 2)] : 0 }' "$results")"
reasons=()
[ "$force_preliminary" -eq 1 ] && reasons+=("marked preliminary when run")
awk -v l="$load_start" -v max="$max_load" 'BEGIN { split(l, a, " "); exit !(a[1] >= max || a[2] >= max) }' &&
  reasons+=("the machine was busy: load averages $load_start at the start (1, 5, 15 minutes; quiet means below $max_load)")
awk -v o="$other_median" 'BEGIN { exit !(o >= 0.25) }' &&
  reasons+=("other processes kept on average $other_median cores busy during the measurements (at most $other_max)")
[ "$sizes" != "$default_sizes " ] && reasons+=("reduced run: folder sizes ${sizes% } instead of $default_sizes")
[ "$big_persons" != "$default_big_persons" ] && reasons+=("reduced run: the large notification has $big_persons person records instead of $default_big_persons")
[ "$reps" -lt 5 ] && reasons+=("only $reps measured rounds (at least 5 for published figures)")
preliminary=0
[ ${#reasons[@]} -gt 0 ] && preliminary=1

# ---- The table --------------------------------------------------------------------------------

cpu_model="$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)"
[ -n "$cpu_model" ] || cpu_model="$(uname -m)"
mem_total="$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
libxml_version="$(xmllint --version 2>&1 | sed -n 's/^xmllint: using libxml version \([0-9]*\).*/\1/p' |
  awk '{ printf "%d.%d.%d", $1 / 10000, ($1 / 100) % 100, $1 % 100 }')"
compiler="$(awk -F= '/^CMAKE_CXX_COMPILER:/ { print $2 }' "$build_dir/CMakeCache.txt" 2>/dev/null || true)"
[ -n "$compiler" ] && compiler="$("$compiler" --version | head -n 1)" || compiler="unknown"
built_type="$(awk -F= '/^CMAKE_BUILD_TYPE:/ { print $2 }' "$build_dir/CMakeCache.txt" 2>/dev/null || true)"
commit="$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
if [ "$commit" != unknown ] && ! git -C "$root" diff --quiet HEAD -- src tools 2>/dev/null; then
  commit="$commit with uncommitted changes in src/ or tools/"
fi
disk_dev="$(df -P "$data_dir" | awk 'NR == 2 { print $1 }')"

ms_per_file() { awk -v t="$1" -v n="$2" 'BEGIN { if (t == "") print ""; else printf "%.4f", t * 1000 / n }'; }
mib() { awk -v k="$1" 'BEGIN { if (k == "") print "–"; else printf "%.1f", k / 1024 }'; }

op_label() {
  case "$1" in
    conv-disk) echo "conversion, output on disk: \`tenvor-cli convert\`" ;;
    conv-shm) echo "conversion, output on tmpfs: \`tenvor-cli convert\`" ;;
    window-disk) echo "conversion in the window (offscreen), output on disk" ;;
    parse) echo "P, parse floor: libxml2 parse of every file in one process (\`tenvor-bench-parse\`)" ;;
    xmllint) echo "\`xmllint --noout\`, every file in one process${case_xmllint_rejects[$2]:+ (rejects ${case_xmllint_rejects[$2]} files)}" ;;
    copy-disk) echo "W, write floor, disk: \`cp -r\` into a fresh folder" ;;
    copy-shm) echo "W, write floor, tmpfs: \`cp -r\` into a fresh folder" ;;
    read) echo "R, read floor: ${case_r_tool[$2]} to /dev/null" ;;
    readloop) echo "R′, every file read in one process into one buffer (\`tenvor-bench-parse --read\`)" ;;
  esac
}

mark() {  # mark VALUE LIMIT: met or not
  awk -v v="$1" -v l="$2" 'BEGIN { if (v == "") print "not measured"; else if (v <= l) print "met"; else print "**not met**" }'
}

{
  echo "# Benchmarks"
  echo
  if [ "$preliminary" -eq 1 ]; then
    echo "> **PRELIMINARY figures, not for publication.**"
    for r in "${reasons[@]}"; do echo "> - $r"; done
    echo "> Repeat with \`bench/run.sh --wait-quiet 3600\` on a quiet machine."
    echo
  fi
  echo "Produced by \`$command_line\` on $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit."
  [ -z "$note" ] || { echo; echo "$note"; }
  echo "Every time is a wall-clock time of the whole process, the median of $reps measured rounds after $warmup warm-up"
  echo "round(s); the commands of a case alternate within each round (A B A B …), so that the conversion and its"
  echo "floors meet the same conditions. The files are in the page cache throughout (they are read once before)."
  echo
  echo "## Machine"
  echo
  echo "| | |"
  echo "|---|---|"
  echo "| Processor | $cpu_model, $(nproc) cores |"
  echo "| Memory | $mem_total |"
  echo "| System | $(uname -sr), $(sed -n 's/^PRETTY_NAME="\(.*\)"/\1/p' /etc/os-release 2>/dev/null) |"
  echo "| Disk (inputs, \"same disk\" outputs) | \`$data_dir\`: $data_journal on $disk_dev |"
  echo "| tmpfs outputs | \`$shm_dir\`: $shm_fs |"
  echo "| libxml2 | $libxml_version (xmllint and the converter) |"
  echo "| Compiler, build | $compiler, ${built_type:-unknown} |"
  echo "| Load averages (1, 5, 15 min) | $load_start at the start, $load_end at the end |"
  echo "| Other processes during the measurements | $other_median cores busy on average (median of the commands), at most $other_max |"
  echo
  echo "## Data"
  echo
  echo "Folders: \`tenvor-gen folder ${gen_args[*]}\` (all 33 forms mixed, $sjis_percent% in Shift_JIS), of"
  echo "which the first files of $min_bytes to $max_bytes bytes are kept in last-write order (forms with many fields"
  echo "exceed that with several person records); $fail_percent% of the files fail on purpose, written by"
  echo "\`tenvor-gen one --fault\` (missing field, truncated, unsupported form, extra element, comment in a record)"
  echo "in place of files left out. The large notification: \`tenvor-gen one --form N2018003 --persons N\` (UTF-8)."
  echo
  echo "| Case | Files | Forms | Failing on purpose | Total MiB | Smallest KiB | Median KiB | Largest KiB |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|"
  for c in "${case_list[@]}"; do
    printf '| %s | %d | %d | %d | %.1f | %.1f | %.1f | %.1f |\n' "$c" "${case_files[$c]}" "${case_forms[$c]}" "${case_failing[$c]}" \
      "$(calc '%.3f' "${case_bytes[$c]} / 1048576")" "$(calc '%.3f' "${case_min[$c]} / 1024")" \
      "$(calc '%.3f' "${case_median[$c]} / 1024")" "$(calc '%.3f' "${case_max[$c]} / 1024")"
  done
  echo
  echo "## Results"
  for c in "${case_list[@]}"; do
    echo
    echo "### $c"
    echo
    echo "| Command | Median s | Min–max s | Spread | ms per file | CPU s | Peak RSS MiB | Other load |"
    echo "|---|---:|---:|---:|---:|---:|---:|---:|"
    for op in conv-disk conv-shm window-disk parse xmllint copy-disk copy-shm read readloop; do
      runs="$(stat_of "$c" "$op" 3)"
      [ -n "$runs" ] || continue
      med="$(stat_of "$c" "$op" 4)"; lo="$(stat_of "$c" "$op" 5)"; hi="$(stat_of "$c" "$op" 6)"
      printf '| %s | %.3f | %.3f–%.3f | %.0f%% | %.4f | %.2f | %s | %.2f |\n' "$(op_label "$op" "$c")" "$med" "$lo" "$hi" \
        "$(calc '%.3f' "($hi - $lo) * 100 / $med")" "$(ms_per_file "$med" "${case_files[$c]}")" "$(stat_of "$c" "$op" 10)" \
        "$(mib "$(stat_of "$c" "$op" 8)")" "$(stat_of "$c" "$op" 9)"
    done
    if [ "${c#folder-}" != "$c" ] && [ -n "$window_reason" ]; then
      echo "| conversion in the window | skipped: $window_reason | | | | | | |"
    elif [ "${c#folder-}" != "$c" ] && [ -z "$(stat_of "$c" window-disk 3)" ]; then
      echo "| conversion in the window | not run for this size (--window-sizes \"$window_sizes\") | | | | | | |"
    fi
    if [ -n "${case_xmllint_note[$c]:-}" ]; then
      echo "| \`xmllint --noout\` | ${case_xmllint_note[$c]} | | | | | | |"
    fi
    echo
    echo "Ratios, computed within each round (median, and min–max over the rounds):"
    echo
    echo "| Ratio | Median | Min–max |"
    echo "|---|---:|---:|"
    for name in "disk/(P+W)" "shm/P" "shm/(P+W)" "disk/P" "disk/R" "window/cli" "disk/(X+W)" "shm/X" "disk/X" \
      "cpu disk/(P+W)" "cpu shm/P"; do
      med="$(ratio_of "$c" "$name" 4)"
      [ -n "$med" ] || continue
      case "$name" in
        "disk/(P+W)") label="conversion on disk / (P + W on disk)" ;;
        "shm/P") label="conversion on tmpfs / P" ;;
        "shm/(P+W)") label="conversion on tmpfs / (P + W on tmpfs)" ;;
        "disk/P") label="conversion on disk / P" ;;
        "disk/R") label="conversion on disk / R" ;;
        "window/cli") label="window / command line (both on disk)" ;;
        "disk/(X+W)") label="conversion on disk / (\`xmllint --noout\` + W on disk)" ;;
        "shm/X") label="conversion on tmpfs / \`xmllint --noout\`" ;;
        "disk/X") label="conversion on disk / \`xmllint --noout\`" ;;
        "cpu disk/(P+W)") label="processor time: conversion on disk / (P + W on disk)" ;;
        "cpu shm/P") label="processor time: conversion on tmpfs / P" ;;
      esac
      printf '| %s | %.2f | %.2f–%.2f |\n' "$label" "$med" "$(ratio_of "$c" "$name" 5)" "$(ratio_of "$c" "$name" 6)"
    done
  done

  echo
  echo "## Targets"
  echo
  echo "| Target | Limit | Measured | |"
  echo "|---|---:|---:|---|"
  largest="" smallest=""
  for n in $sizes; do [ -z "$smallest" ] && smallest=$n; largest=$n; done
  t10=folder-10000
  if [ -z "$(ratio_of "$t10" "disk/(P+W)" 4)" ] && [ -n "$largest" ]; then t10="folder-$largest"; fi
  v="$(ratio_of "$t10" "disk/(P+W)" 4)"
  echo "| $t10, output on disk: conversion / (P + W) | 1.30 (aim 1.0) | $(fmt "$v" '%.2f') | $(mark "$v" 1.30) |"
  v="$(ratio_of "$t10" "shm/P" 4)"
  echo "| $t10, output on tmpfs: conversion / P | 2.00 (aim 1.5) | $(fmt "$v" '%.2f') | $(mark "$v" 2.00) |"
  for op in conv-disk conv-shm; do
    if [ -n "$smallest" ] && [ "$smallest" != "$largest" ]; then
      a="$(ms_per_file "$(stat_of "folder-$smallest" "$op" 4)" "$smallest")"
      b="$(ms_per_file "$(stat_of "folder-$largest" "$op" 4)" "$largest")"
      v="$(awk -v a="$a" -v b="$b" 'BEGIN { if (a == "" || b == "") print ""; else printf "%.3f", b / a }')"
      where=$([ "$op" = conv-disk ] && echo disk || echo tmpfs)
      echo "| Linear cost ($where): time per file at $largest / at $smallest | 1.25 | $(fmt "$v" '%.2f') ($b / $a ms) | $(mark "$v" 1.25) |"
    fi
  done
  if [ -n "$largest" ]; then
    v="$(stat_of "folder-$largest" conv-disk 8)"
    vm="$(mib "$v")"
    echo "| Peak RSS, folder-$largest (conversion on disk) | 48 MiB | $vm MiB | $(mark "$vm" 48) |"
    if [ -n "$smallest" ] && [ "$smallest" != "$largest" ]; then
      growth="$(awk -v a="$(stat_of "folder-$smallest" conv-disk 8)" -v b="$v" -v n="$((largest - smallest))" \
        'BEGIN { if (a == "" || b == "") print "–"; else printf "%+.0f", (b - a) * 1024 / n }')"
      echo "| Peak RSS independent of the folder's size: folder-$smallest → folder-$largest | flat | $(mib "$(stat_of "folder-$smallest" conv-disk 8)") → $vm MiB ($growth bytes per file) | |"
    fi
  fi
  if [ "$big_persons" -gt 0 ]; then
    c="big-$big_persons"
    v="$(ratio_of "$c" "disk/X" 4)"
    echo "| $c: conversion / \`xmllint --noout\` | 2.00 | $(fmt "$v" '%.2f') | $(mark "$v" 2.00) |"
    v="$(ratio_of "$c" "disk/P" 4)"
    echo "| $c: conversion / P | 2.00 | $(fmt "$v" '%.2f') | $(mark "$v" 2.00) |"
    rss="$(stat_of "$c" conv-disk 8)"
    v="$(awk -v r="$rss" -v b="${case_bytes[$c]}" 'BEGIN { if (r == "") print ""; else printf "%.2f", r * 1024 / b }')"
    echo "| $c: peak RSS / file size | 6.0 | $(fmt "$v" '%.2f') ($(mib "$rss") MiB for $(calc '%.1f' "${case_bytes[$c]} / 1048576") MiB) | $(mark "$v" 6.0) |"
  fi
  wc_case=""
  for n in $window_sizes; do [ "$n" = 10000 ] && wc_case=folder-10000; done
  [ -n "$wc_case" ] || for n in $window_sizes; do wc_case="folder-$n"; done
  if [ -n "$window_reason" ]; then
    echo "| Window / command line | 1.20 | skipped: $window_reason | |"
  elif [ -n "$wc_case" ]; then
    v="$(ratio_of "$wc_case" "window/cli" 4)"
    echo "| $wc_case: window / command line | 1.20 | $(fmt "$v" '%.2f') | $(mark "$v" 1.20) |"
  fi
  echo
  echo "Ratios are medians of the ratios within each round. Peak RSS is the largest of the rounds."
  if [ -n "$plot_png" ]; then
    echo
    echo "## Time per file"
    echo
    echo "![Time per file against folder size]($(basename "$plot_png"))"
  fi
  echo
  echo "## Method"
  echo
  echo "- The conversion: \`TENVOR_HOME=<scratch> tenvor-cli convert --output <fresh empty folder> <input>\`"
  echo "  (Shift_JIS output, the default). Exit status 1 only says that files failed on purpose. Every run is"
  echo "  checked: the number of CSV files, and the same CSV files, error rows and log entries (without their time"
  echo "  stamps) as the first run of the case, on disk, on tmpfs and in the window alike."
  echo "- P, the parse floor: every file parsed in one process with the libxml2 the converter uses, as"
  echo "  \`xmllint --noout\` does it (\`xmlReadFile\` with xmllint's default options, then \`xmlFreeDoc\`;"
  echo "  bench/parse_floor.cpp), except that a document declared as Shift_JIS is read in the Windows code page"
  echo "  CP932, as the converter reads it. Plain \`xmllint --noout\` (every file on one command line, run in the"
  echo "  input folder) is measured too, but it is no floor for such files: it stops at their first character"
  echo "  outside plain Shift_JIS (such as 髙), so it parses only the beginning of most Shift_JIS files, and it"
  echo "  reports those files as broken (the count in its row)."
  echo "- W: \`cp -r\` of the input folder into a fresh folder on the output's file system; one file is created"
  echo "  per input, as the conversion does. R: \`cat\` of every file to /dev/null. coreutils' cat maps a"
  echo "  128 KiB buffer for each file and unmaps it after, which costs more than the parse on some machines;"
  echo "  R′ reads every file into one reused buffer instead (\`tenvor-bench-parse --read\`)."
  echo "- The window: bench/window_run.cpp opens the real window on Qt's offscreen platform, chooses folder mode,"
  echo "  takes the input and output folders through the browse buttons, presses \"CSV出力\" and answers the"
  echo "  completion message; its time is that of the whole process, start-up included, like the command line's."
  echo "- Before each timed command the output file system is flushed (\`sync -f\`), so that no write-back of an"
  echo "  earlier command falls into the next. Outputs on tmpfs are deleted after each command; outputs on the disk"
  echo "  are set aside (renamed) and deleted only when the script ends. On an ext4 file system without a journal"
  echo "  (as \`$data_dir\` here: $data_journal) an inode freed less than a minute ago (five while its table"
  echo "  block is not yet written back) is not reused, and every file created meanwhile scans past all such"
  echo "  inodes: deleting the previous 10,000 outputs before each command made file creation cost up to ten"
  echo "  times as much, by chance more for one command of a round than for the next."
  echo "- CPU s: user + system time of the command (median), from \`/usr/bin/time\`; it is disturbed far less by"
  echo "  other processes than the wall time. Peak RSS: the maximum resident set size of \`/usr/bin/time\`."
  echo "  \"Other load\": the CPU time the rest of the machine used while the command ran, in cores (from"
  echo "  /proc/stat, less the command's own)."
} >"$out_md.tmp"
mkdir -p "$(dirname "$out_md")"
mv "$out_md.tmp" "$out_md"
say "Wrote $out_md"

# ---- The plot ---------------------------------------------------------------------------------

if [ -n "$plot_png" ]; then
  if ! command -v gnuplot >/dev/null; then
    say "warning: gnuplot is missing (Debian package gnuplot-nox): no plot"
  else
    plot_data="$work/plot.tsv"
    {
      printf '#files'
      for op in conv-disk conv-shm window-disk parse pw-disk copy-disk copy-shm read xmllint readloop; do printf '\t%s' "$op"; done
      printf '\n'
      for n in $sizes; do
        c="folder-$n"
        printf '%s' "$n"
        for op in conv-disk conv-shm window-disk parse pw-disk copy-disk copy-shm read xmllint readloop; do
          if [ "$op" = pw-disk ]; then
            p="$(stat_of "$c" parse 4)"; w="$(stat_of "$c" copy-disk 4)"
            v="$(awk -v p="$p" -v w="$w" -v n="$n" 'BEGIN { if (p == "" || w == "") print ""; else printf "%.5f", (p + w) * 1000 / n }')"
          else
            v="$(ms_per_file "$(stat_of "$c" "$op" 4)" "$n")"
          fi
          printf '\t%s' "${v:-NaN}"
        done
        printf '\n'
      done
    } >"$plot_data"
    title="Tenvor: time per file against folder size ($(nproc) cores, median of $reps rounds)"
    [ "$preliminary" -eq 1 ] && title="$title\\nPRELIMINARY: busy machine or reduced run, see docs/benchmarks.md"
    x_low="$(awk -v s="$sizes" 'BEGIN { split(s, a, " "); print a[1] / 1.6 }')"
    x_high="$(awk -v s="$sizes" 'BEGIN { n = split(s, a, " "); print a[n] * 1.6 }')"
    mkdir -p "$(dirname "$plot_png")"
    gnuplot <<EOF || say "warning: gnuplot failed: no plot"
set terminal pngcairo size 900,640 font "sans,10" noenhanced
set output "$plot_png"
set title "$title"
set datafile separator "\t"
set datafile missing "NaN"
set key below vertical maxrows 4
set logscale x
set xrange [$x_low:$x_high]
set xlabel "files in the folder"
set ylabel "milliseconds per file (median)"
set yrange [0:*]
set grid
set xtics ($(for n in $sizes; do printf '"%s" %s, ' "$n" "$n"; done | sed 's/, $//'))
plot "$plot_data" using 1:2 title "conversion, output on disk" with linespoints lw 2 pt 7, \
     "" using 1:3 title "conversion, output on tmpfs" with linespoints lw 2 pt 5, \
     "" using 1:4 title "window, output on disk" with linespoints lw 2 pt 9, \
     "" using 1:6 title "P + W (disk)" with linespoints dt 2 pt 6, \
     "" using 1:5 title "P: libxml2 parse" with linespoints dt 2 pt 4, \
     "" using 1:7 title "W: cp -r (disk)" with linespoints dt 3 pt 8, \
     "" using 1:8 title "W: cp -r (tmpfs)" with linespoints dt 3 pt 10, \
     "" using 1:9 title "R: cat" with linespoints dt 4 pt 12, \
     "" using 1:10 title "xmllint --noout (stops early on Shift_JIS files)" with linespoints dt 4 pt 2, \
     "" using 1:11 title "R': read loop" with linespoints dt 4 pt 14
EOF
    [ -f "$plot_png" ] && say "Wrote $plot_png"
  fi
fi

# ---- The README's summary ---------------------------------------------------------------------

if [ -n "$readme" ] && [ -f "$readme" ] && grep -q '<!-- bench-summary:start -->' "$readme"; then
  summary="$work/summary.md"
  {
    [ "$preliminary" -eq 1 ] && echo "**Preliminary figures** (busy machine or reduced run; see docs/benchmarks.md)."
    [ "$preliminary" -eq 1 ] && echo
    echo "From \`$command_line\`, $(date -u '+%Y-%m-%d'), on $cpu_model with $(nproc) cores:"
    echo
    sed -n '/^## Targets$/,/^Ratios are medians/p' "$out_md" | sed '1,2d;$d' | sed '/^$/d'
  } >"$summary"
  awk -v file="$summary" '
    /<!-- bench-summary:start -->/ { print; while ((getline line < file) > 0) print line; skip = 1; next }
    /<!-- bench-summary:end -->/ { skip = 0 }
    !skip { print }' "$readme" >"$readme.tmp"
  mv "$readme.tmp" "$readme"
  say "Updated the summary in $readme"
fi

cp "$results" "$(dirname "$out_md")/bench-results.tsv"
say "Done. Load averages at the end: $load_end"
