#!/usr/bin/env bash
# Compares two builds of tenvor-cli for a change that must not alter behaviour: the examples and
# a generated folder, both encodings, folder and file mode, refusals and a second run over
# existing CSV files; CSV trees, stdout, stderr, exit statuses and logs (time stamps cut) must be
# byte-identical. CUT_REASON=1 compares the rows without their fourth field (the reason).
# Each build's log is found under the name its own build folder's TenvorVersion.h gives it
# (BUILD/src/generated/TenvorVersion.h beside BUILD/src/tenvor-cli), so that builds of two
# versions are compared too.
#   scripts/compare-builds.sh OLD/tenvor-cli NEW/tenvor-cli tenvor-gen examples [COUNT]
set -uo pipefail
A="$1"; B="$2"; GEN="$3"; EXAMPLES="$4"; COUNT="${5:-3000}"
# log_name CLI: the log file's name from the version header generated beside the program.
log_name() {
  local header name
  header="$(dirname "$1")/generated/TenvorVersion.h"
  name="$(sed -n 's/.*kLogFileName *= *"\([^"]*\)".*/\1/p' "$header" 2>/dev/null)"
  [ -n "$name" ] || { echo "compare-builds.sh: no log name in $header" >&2; exit 2; }
  echo "$name"
}
LOG_A="$(log_name "$A")" || exit 2
LOG_B="$(log_name "$B")" || exit 2
work=$(mktemp -d /dev/shm/cmp.XXXXXX)
mkdir -p "$work/gen"
"$GEN" folder --out "$work/gen" --count "$COUNT" --seed 42 --fail-percent 10 --sjis-percent 30 >/dev/null
run_case() { # name, then args after 'convert'
  local name="$1"; shift
  for side in A B; do
    local cli log; [ $side = A ] && cli="$A" log="$LOG_A" || cli="$B" log="$LOG_B"
    local dir="$work/$side/$name"; mkdir -p "$dir/out" "$dir/home"
    local args=("$@"); args=("${args[@]//@OUT@/$dir/out}")
    TENVOR_HOME="$dir/home" "$cli" convert "${args[@]}" >"$dir/stdout" 2>"$dir/stderr"; echo $? >"$dir/status"
    if [ -n "${SECOND:-}" ]; then
      TENVOR_HOME="$dir/home" "$cli" convert "${args[@]}" >"$dir/stdout2" 2>"$dir/stderr2"; echo $? >"$dir/status2"
    fi
    [ -f "$dir/home/$log" ] && sed -E 's/\[[0-9]{4}\/[0-9]{2}\/[0-9]{2} [0-9:]{8}\]//' "$dir/home/$log" >"$dir/log.cut" && rm "$dir/home/$log"
  done
}
for enc in sjis utf8; do
  SECOND=1 run_case "examples-$enc" --encoding $enc -o @OUT@ "$EXAMPLES"
  SECOND=1 run_case "gen-$enc" --encoding $enc -o @OUT@ "$work/gen"
  n=0
  for f in "$EXAMPLES"/*.xml; do n=$((n+1)); run_case "file-$enc-$n" --encoding $enc -o @OUT@ "$f"; done
done
run_case refused-missing "$work/none.xml"
run_case refused-notxml --file "$work/gen"
run_case refused-folder --folder "$EXAMPLES/N2018003.xml"
run_case refused-out -o "$work/nowhere" "$EXAMPLES"
# Files of a generated folder converted one by one (file mode), first 50.
i=0; for f in "$work/gen"/*.xml; do i=$((i+1)); [ $i -gt 50 ] && break; run_case "genfile-$i" -o @OUT@ "$f"; done
# The temp folder paths differ between A and B in the texts: normalise them.
for side in A B; do grep -rl "$work/$side" "$work/$side" 2>/dev/null | while read -r f; do sed -i "s#$work/$side/[^/]*/#@DIR@/#g" "$f"; done; done
# The rows' fourth field (the reason) is new: compared without it.
if [ -n "${CUT_REASON:-}" ]; then
  find "$work/A" "$work/B" -name 'stdout*' | while read -r f; do cut -f1-3 "$f" >"$f.cut" && mv "$f.cut" "$f"; done
fi
if diff -r "$work/A" "$work/B" >"$work/diff.txt"; then
  echo "identical: $(find "$work/A" -name '*.csv' | wc -l) CSV files, $(find "$work/A" -name status | wc -l) runs"
  rm -rf "$work"
else
  echo "DIFFERENT (see $work/diff.txt):"; head -40 "$work/diff.txt"; exit 1
fi
