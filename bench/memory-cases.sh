#!/usr/bin/env bash
# Makes the inputs that once needed gigabytes and measures the peak memory (maximum resident set
# size) of tenvor-cli convert on each with GNU time. Nothing large is kept in the tree: the
# inputs go to a temporary folder, removed at the end.
#   bench/memory-cases.sh [--limit MIB] BUILD/src/tenvor-cli BUILD/tools/tenvor-gen [WORK_FOLDER]
# Prints one line per case: its name and the peak in MiB, then the exit status. With --limit
# (what the suite's memory check runs), it ends with status 1 when a case peaks above MIB or
# ends by a signal or with exit status 3; the figures are printed all the same. The packages of
# bench/hostile_packages.py are measured too, but for its 500 MB folders.zip.
set -euo pipefail
limit=""
if [ "${1:-}" = "--limit" ]; then limit="$2"; shift 2; fi
CLI="$1"; GEN="$2"
keep="${3:-}"
WORK="${3:-$(mktemp -d)}"
mkdir -p "$WORK"
trap '[ -z "$keep" ] && rm -rf "$WORK"' EXIT

# A document of empty elements of about BYTES, below a known form's document element; one in
# fifty is another element, so that the ZIP stays under the compression ratio a package may have.
# One random stretch of 256 KiB is written again and again: deflate's window is far shorter.
empties() { # out bytes
  python3 - "$1" "$2" <<'PY'
import random, sys
out, size = sys.argv[1], int(sys.argv[2])
random.seed(1)
chunk = b"".join(b"<b/>" if random.random() < 0.02 else b"<a/>" for _ in range(1 << 16))
with open(out, "wb") as f:
    f.write(b"<?xml version=\"1.0\" encoding=\"UTF-8\"?><N7100001>")
    for _ in range((size + len(chunk) - 1) // len(chunk)):
        f.write(chunk)
    f.write(b"</N7100001>")
PY
}
zipped() { # out member-file member-name
  python3 - "$1" "$2" "$3" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.write(sys.argv[2], sys.argv[3])
PY
}

empties "$WORK/e32.xml" $((32 << 20)); zipped "$WORK/empties-32MiB.zip" "$WORK/e32.xml" N7100001.xml; rm "$WORK/e32.xml"
empties "$WORK/e255.xml" $((255 << 20)); zipped "$WORK/empties-255MiB.zip" "$WORK/e255.xml" N7100001.xml; rm "$WORK/e255.xml"
empties "$WORK/empties-300MiB.xml" $((300 << 20))
"$GEN" one --form N7130001 --persons 50000 --seed 7 --out "$WORK/persons-50000.xml" >/dev/null
zipped "$WORK/persons-50000.zip" "$WORK/persons-50000.xml" N7130001.xml

python3 "$(dirname "$0")/hostile_packages.py" "$WORK/packages"
rm "$WORK/packages/folders.zip"
mv "$WORK/packages/"*.zip "$WORK/"

failed=0
for input in empties-32MiB.zip empties-255MiB.zip empties-300MiB.xml persons-50000.xml persons-50000.zip \
  shared.zip nested.zip deep.zip within.zip; do
  out="$WORK/out-$input"; rm -rf "$out"; mkdir -p "$out" "$WORK/home"
  set +e
  TENVOR_HOME="$WORK/home" /usr/bin/time -f "%M" -o "$WORK/peak" "$CLI" convert -o "$out" "$WORK/$input" >/dev/null 2>&1
  status=$?
  set -e
  peak=$(( $(tail -1 "$WORK/peak") / 1024 ))
  echo "$input $peak MiB, exit status $status"
  if [ -n "$limit" ] && { [ "$peak" -gt "$limit" ] || [ "$status" -gt 2 ]; }; then
    echo "  above the limit of $limit MiB, or not ended by itself with a record of its faults"
    failed=1
  fi
done
exit "$failed"
