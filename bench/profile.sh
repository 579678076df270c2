#!/usr/bin/env bash
# Where the conversion's time goes, in instructions: runs tenvor-cli convert, the parse floor
# (tenvor-bench-parse) and xmllint --noout over the same generated folder under callgrind and
# writes a summary (docs/bench-profile.md by default). Instruction counts do not depend on the
# machine's load, so this can run on a busy machine and be compared before and after a change.
#
#   bench/profile.sh                         1,000 files, summary in docs/bench-profile.md
#   bench/profile.sh --count 300 --out -     a quick look, summary on standard output
#   bench/profile.sh --cli OTHER/tenvor-cli  the same for another build (compare a change)
#   bench/profile.sh --keep                  keep the callgrind files (callgrind_annotate them)
set -Eeuo pipefail
export LC_ALL=C
trap 'echo "bench/profile.sh: line $LINENO failed: $BASH_COMMAND" >&2' ERR

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
count=1000
big_persons=0
seed=20260101
out="$root/docs/bench-profile.md"
build_dir="$root/build-bench"
do_build=1
keep=0
cli="" gen="" parse_helper=""
encoding=sjis

usage() {
  cat <<EOF
Usage: bench/profile.sh [--count N] [--big-persons N] [--seed S] [--encoding sjis|utf8] [--out FILE|-]
                        [--build-dir DIR] [--no-build] [--cli FILE] [--gen FILE] [--parse FILE] [--keep]
  --count N         notifications in the folder (default: $count)
  --big-persons N   also profile one N2018003 notification with N person records (default: 0, not)
  --encoding        the CSV files' encoding (default: sjis)
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --count) count="$2"; shift 2 ;;
    --big-persons) big_persons="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --encoding) encoding="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --build-dir) build_dir="$2"; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --cli) cli="$2"; shift 2 ;;
    --gen) gen="$2"; shift 2 ;;
    --parse) parse_helper="$2"; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "bench/profile.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

absolute() { case "$1" in /* | "") echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
cli="$(absolute "$cli")" gen="$(absolute "$gen")" parse_helper="$(absolute "$parse_helper")"
build_dir="$(absolute "$build_dir")"
[ "$out" = - ] || out="$(absolute "$out")"

command -v valgrind >/dev/null || { echo "bench/profile.sh: valgrind is missing (Debian package valgrind)" >&2; exit 1; }
if [ "$do_build" -eq 1 ]; then
  cmake -S "$root/bench" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build_dir" --parallel "$(nproc)" --target tenvor-cli tenvor-gen tenvor-bench-parse >/dev/null
fi
[ -n "$cli" ] || cli="$build_dir/tenvor/src/tenvor-cli"
[ -n "$gen" ] || gen="$build_dir/tenvor/tools/tenvor-gen"
if [ -z "$parse_helper" ]; then
  # Beside the test programs when the build includes the test suite: the newer one.
  parse_helper="$build_dir/tenvor-bench-parse"
  alt="$build_dir/tenvor/tests/tenvor-bench-parse"
  if [ -x "$alt" ] && { [ ! -x "$parse_helper" ] || [ "$alt" -nt "$parse_helper" ]; }; then parse_helper="$alt"; fi
fi

work="$(mktemp -d /tmp/tenvor-profile.XXXXXX)"
shm="$(mktemp -d /dev/shm/tenvor-profile.XXXXXX 2>/dev/null || mktemp -d /tmp/tenvor-profile-out.XXXXXX)"
cleanup() { [ "$keep" -eq 1 ] || rm -rf "$work"; rm -rf "$shm"; }
trap cleanup EXIT
export TENVOR_HOME="$work/home"

mkdir -p "$work/in"
"$gen" folder --out "$work/in" --count "$count" --seed "$seed" --min-persons 1 --max-persons 5 \
  --fail-percent 3 --sjis-percent 25 --min-bytes 2048 --max-bytes 10240 2>"$work/gen.txt"
(cd "$work/in" && ls) >"$work/names.txt"

# callgrind NAME DIR COMMAND...: the total of instructions; the profile stays in $work/NAME.cg.
callgrind() {
  local name="$1" dir="$2"
  shift 2
  (cd "$dir" && valgrind --tool=callgrind --callgrind-out-file="$work/$name.cg" "$@") >/dev/null 2>"$work/$name.err" || true
  sed -n 's/^==[0-9]*== Collected : \([0-9]*\)$/\1/p' "$work/$name.err" | tail -n 1
}

# inclusive NAME PATTERN: the inclusive instructions of the first function matching PATTERN.
inclusive() {
  [ -f "$work/$1.inclusive" ] ||
    callgrind_annotate --inclusive=yes --threshold=100 "$work/$1.cg" >"$work/$1.inclusive" 2>/dev/null || true
  awk -v pattern="$2" '!found && $0 ~ pattern { gsub(",", "", $1); print $1 + 0; found = 1 }' "$work/$1.inclusive"
}

mkdir -p "$shm/out"
cli_ir="$(callgrind cli "$work" "$cli" convert --encoding "$encoding" --output "$shm/out" "$work/in")"
parse_ir="$(callgrind parse "$work/in" "$parse_helper" "$work/names.txt")"
mapfile -t names <"$work/names.txt"
xmllint_ir="$(callgrind xmllint "$work/in" xmllint --noout "${names[@]}")"
if [ "$big_persons" -gt 0 ]; then
  "$gen" one --form N2018003 --persons "$big_persons" --out "$work/big.xml"
  mkdir -p "$shm/big"
  big_cli_ir="$(callgrind big-cli "$work" "$cli" convert --encoding "$encoding" --output "$shm/big" "$work/big.xml")"
  echo big.xml >"$work/big-names.txt"
  big_parse_ir="$(callgrind big-parse "$work" "$parse_helper" "$work/big-names.txt")"
fi

per() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", a / b }'; }
share() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == 0) print "–"; else printf "%.1f%%", a * 100 / b }'; }
thousands() { awk -v a="$1" 'BEGIN { if (a == "") { print "–"; exit } s = sprintf("%.0f", a); r = ""
  while (length(s) > 3) { r = "," substr(s, length(s) - 2) r; s = substr(s, 1, length(s) - 3) } print s r }'; }

{
  echo "# Where the conversion's time goes"
  echo
  big_arg=""
  [ "$big_persons" -gt 0 ] && big_arg=" --big-persons $big_persons"
  echo "Made by \`bench/profile.sh --count $count$big_arg\` on $(date -u '+%Y-%m-%d'), commit"
  echo "$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)$(git -C "$root" diff --quiet HEAD -- src 2>/dev/null || echo ' with uncommitted changes in src/'):"
  echo "instructions counted by callgrind (valgrind), which do not depend on the machine's load. The folder:"
  echo "\`tenvor-gen folder --count $count --seed $seed\` ($(sed -n 's/^\(.*\)$/\1/p' "$work/gen.txt")), CSV in $encoding, output on tmpfs."
  echo
  echo "| Program | Instructions | Per file | Ratio to P |"
  echo "|---|---:|---:|---:|"
  echo "| \`tenvor-cli convert\` | $(thousands "$cli_ir") | $(thousands "$(per "$cli_ir" "$count")") | $(awk -v a="$cli_ir" -v b="$parse_ir" 'BEGIN { printf "%.2f", a / b }') |"
  echo "| P: \`tenvor-bench-parse\` (libxml2, Shift_JIS read as CP932) | $(thousands "$parse_ir") | $(thousands "$(per "$parse_ir" "$count")") | 1.00 |"
  echo "| \`xmllint --noout\` (stops early in most Shift_JIS files) | $(thousands "$xmllint_ir") | $(thousands "$(per "$xmllint_ir" "$count")") | $(awk -v a="$xmllint_ir" -v b="$parse_ir" 'BEGIN { printf "%.2f", a / b }') |"
  echo
  echo "The conversion, by part (inclusive instructions; the parts overlap where one calls the other):"
  echo
  echo "| Part | Instructions | Share |"
  echo "|---|---:|---:|"
  part() {
    local v
    v="$(inclusive cli "$2")"
    echo "| $1 | $(thousands "$v") | $(share "$v" "$cli_ir") |"
  }
  part "Reading a file (\`NotificationReader::Load\`)" 'NotificationReader::Load\('
  part "&nbsp;&nbsp;parsing it (\`XmlDocument::Load\`)" 'XmlDocument::Load\(std'
  part "&nbsp;&nbsp;&nbsp;&nbsp;of which libxml2's parse (\`xmlCtxtReadIO\`)" 'xmlCtxtReadIO'
  part "&nbsp;&nbsp;&nbsp;&nbsp;of which a new parser per file (\`xmlNewParserCtxt\`)" ':xmlNewParserCtxt '
  part "&nbsp;&nbsp;freeing the document (\`~XmlDocument\`)" 'XmlDocument::~XmlDocument'
  part "&nbsp;&nbsp;flattening the fields (\`NodeListToCString\`)" 'NodeListToCString'
  part "&nbsp;&nbsp;&nbsp;&nbsp;of which taking the values (\`FieldValue\`)" 'NodeFlattener::FieldValue'
  part "&nbsp;&nbsp;&nbsp;&nbsp;of which checking them for quoting (\`NeedsQuoting\`)" 'NeedsQuoting'
  part "&nbsp;&nbsp;&nbsp;&nbsp;of which joining them (\`CommonUtils::join\`)" 'CommonUtils::join'
  part "Writing the CSV files (\`OutPutToCsv\`)" 'CsvOutput::OutPutToCsv'
  part "&nbsp;&nbsp;making the bytes (\`CsvOutput::Render\`)" 'CsvOutput::Render'
  part "&nbsp;&nbsp;&nbsp;&nbsp;of which Shift_JIS encoding (\`Cp932Encoder::Append\`)" 'Cp932Encoder::Append'
  part "Recording failures and the log (\`ErrorHandler\`)" 'ErrorRecorder::ErrorHandler'
  part "Listing the folder (\`ListXmlFilesOldestFirst\`)" 'ListXmlFilesOldestFirst'
  part "Checking for existing CSV files (\`CheckExitstCsvFile\`)" 'CheckExitstCsvFile'
  part "Building the catalogue (\`DataTbl::DataTbl\`)" 'DataTbl::DataTbl\(\)'
  part "Memory, everywhere: \`malloc\`" ':malloc \['
  part "Memory, everywhere: \`free\`" ':free \['
  echo
  if [ "$big_persons" -gt 0 ]; then
    echo "One N2018003 notification with $big_persons person records ($(stat -c %s "$work/big.xml") bytes):"
    echo "\`tenvor-cli convert\` $(thousands "$big_cli_ir"), P $(thousands "$big_parse_ir") instructions"
    echo "(ratio $(awk -v a="$big_cli_ir" -v b="$big_parse_ir" 'BEGIN { printf "%.2f", a / b }'))."
    echo
  fi
  echo "The functions of the conversion with the most instructions of their own:"
  echo
  echo '```'
  { callgrind_annotate "$work/cli.cg" 2>/dev/null || true; } | awk '/^ *[0-9,]+ \(/ && !/PROGRAM TOTALS/ && ++n <= 25' |
    sed -E 's/ \[[^]]*\]$//; s/std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >/std::string/g' |
    cut -c1-150
  echo '```'
} >"$work/summary.md"

if [ "$out" = - ]; then
  cat "$work/summary.md"
else
  mkdir -p "$(dirname "$out")"
  cp "$work/summary.md" "$out"
  echo "Wrote $out" >&2
fi
[ "$keep" -eq 0 ] || echo "callgrind files kept in $work" >&2
