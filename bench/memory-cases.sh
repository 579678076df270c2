#!/usr/bin/env bash
# Makes the inputs that once needed gigabytes and measures the peak memory (maximum resident set
# size) of tenvor-cli convert on each with GNU time. Nothing large is kept in the tree: the
# inputs go to a temporary folder, removed at the end.
#   bench/memory-cases.sh BUILD/src/tenvor-cli BUILD/tools/tenvor-gen [WORK_FOLDER]
# Prints one line per case: its name and the peak in MiB, then the exit status.
set -euo pipefail
CLI="$1"; GEN="$2"
WORK="${3:-$(mktemp -d)}"
mkdir -p "$WORK"
trap '[ -z "${3:-}" ] && rm -rf "$WORK"' EXIT

# A document of empty elements of about BYTES, below a known form's document element; one in
# fifty is another element, so that the ZIP stays under the compression ratio a package may have.
empties() { # out bytes
  python3 - "$1" "$2" <<'PY'
import random, sys
out, size = sys.argv[1], int(sys.argv[2])
random.seed(1)
with open(out, "wb") as f:
    f.write(b"<?xml version=\"1.0\" encoding=\"UTF-8\"?><N7100001>")
    written = 0
    while written < size:
        chunk = b"".join(b"<b/>" if random.random() < 0.02 else b"<a/>" for _ in range(1 << 16))
        f.write(chunk)
        written += len(chunk)
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

for input in empties-32MiB.zip empties-255MiB.zip empties-300MiB.xml persons-50000.xml persons-50000.zip; do
  out="$WORK/out-$input"; rm -rf "$out"; mkdir -p "$out" "$WORK/home"
  set +e
  TENVOR_HOME="$WORK/home" /usr/bin/time -f "%M" -o "$WORK/peak" "$CLI" convert -o "$out" "$WORK/$input" >/dev/null 2>&1
  status=$?
  set -e
  echo "$input $(( $(tail -1 "$WORK/peak") / 1024 )) MiB, exit status $status"
done
