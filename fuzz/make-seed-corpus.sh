#!/usr/bin/env bash
# Writes the seed corpus of a fuzz target into a folder.
#   fuzz/make-seed-corpus.sh notification OUT_DIR TENVOR_GEN TENVOR_CLI
#   fuzz/make-seed-corpus.sh settings OUT_DIR
#   fuzz/make-seed-corpus.sh package OUT_DIR TENVOR_GEN
# notification: with the notification generator, one notification of every supported form in
# each file encoding (UTF-8 with a declaration, UTF-8 with a byte-order mark, Shift_JIS), each
# also with several person records, values full of commas, quotes and line breaks, and fields
# in random order, and every kind of broken file; then the hostile seeds of fuzz/seeds/.
# settings: the settings seeds of fuzz/seeds/.
# package: with the generator, every download shape (flat, return notice with a nested ZIP, bulk
# export, code page 932 names) and the small hostile packages. Left out: the 2 GiB bombs (2 MB
# each, refused before anything is inflated) and the entries sharing their data (each run would
# inflate hundreds of mebibytes up to the package's budget); the hostile tests cover them.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
target="${1:?target: notification or settings}"
out="${2:?output folder}"
mkdir -p "$out"

case "$target" in
  settings)
    cp "$here"/seeds/settings/* "$out"/
    ;;
  package)
    gen="${3:?path of tenvor-gen}"
    for shape in flat return bulk cp932 traversal absolute ratio-bomb deep-nesting encrypted truncated \
                 broken-directory crc duplicates not-a-zip; do
      "$gen" package --shape "$shape" --seed 7 --out "$out/$shape.zip"
    done
    ;;
  notification)
    gen="${3:?path of tenvor-gen}"
    cli="${4:?path of tenvor-cli}"
    mapfile -t forms < <("$cli" forms)
    [ "${#forms[@]}" -gt 0 ] || { echo "no forms listed by $cli" >&2; exit 1; }
    seed=1
    for form in "${forms[@]}"; do
      for encoding in utf8 utf8bom sjis; do
        "$gen" one --form "$form" --encoding "$encoding" --seed $((seed++)) --out "$out/$form-$encoding.xml"
      done
      "$gen" one --form "$form" --persons 3 --special --seed $((seed++)) --out "$out/$form-special.xml"
      "$gen" one --form "$form" --persons 2 --shuffle --encoding sjis --seed $((seed++)) --out "$out/$form-shuffled-sjis.xml"
    done
    # Every way of breaking a file, on a single-record form and on forms with person records.
    for form in "${forms[0]}" N2018003 N7100001; do
      for fault in unsupported-form missing-field extra-element comment no-person truncated not-xml empty; do
        "$gen" one --form "$form" --fault "$fault" --seed $((seed++)) --out "$out/$form-fault-$fault.xml" 2>/dev/null || true
      done
    done
    cp "$here"/seeds/notification/* "$out"/
    ;;
  *)
    echo "unknown target: $target" >&2
    exit 2
    ;;
esac
