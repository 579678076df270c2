#!/usr/bin/env bash
# The Windows edition as a user gets it, under Wine: the zip extracted alone into a fresh folder
# and run in a fresh Wine prefix with a Japanese locale, with nothing but the zip's own DLLs.
#   tests/windows/check-zip.sh ZIP LINUX_CLI LINUX_GEN [SCREENSHOT.png]
# LINUX_CLI and LINUX_GEN are the Linux build's tenvor-cli and tenvor-gen: the Windows programs
# must write exactly what the Linux one writes. With SCREENSHOT.png the window is also captured
# after its folder run. Checks, each reported on one line:
#   - the examples convert into the Linux build's CSV files, byte for byte, in Shift_JIS and in
#     UTF-8, with the same report and the same exit status;
#   - folders and files named 髙橋, 𠮷野 (not in code page 932) and Müller convert;
#   - an output folder that is missing or a file is refused before anything is read;
#   - a disk that fills up while a CSV file is written (the process's file size limit, which Wine
#     passes on as a failed write) stops the run with message 7 and leaves no partial file;
#   - a run killed half-way leaves only complete CSV files and no temporary file, and the next
#     run converts exactly the rest;
#   - the window starts, converts a folder and shows the completion message; a second start
#     shows "既に起動しています。" and ends while the first goes on.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
[ $# -ge 3 ] || { echo "usage: $0 ZIP LINUX_CLI LINUX_GEN [SCREENSHOT.png]" >&2; exit 2; }
zip="$(realpath "$1")"
linux_cli="$(realpath "$2")"
linux_gen="$(realpath "$3")"
screenshot="${4:+$(realpath -m "$4")}"

work="$(mktemp -d /tmp/tenvor-zip-check.XXXXXX)"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  WINEPREFIX="$work/wineprefix" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A fresh Wine prefix, and only the DLLs that came with the zip.
export TENVOR_WINEPREFIX="$work/wineprefix"
wine_run=("$root/scripts/wine-run.sh" --no-prefix)
failures=0
pass() { echo "ok: $*"; }
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
winpath() { local path="${1//\//\\}"; echo "Z:$path"; }

mkdir -p "$work/app"
(cd "$work/app" && unzip -q "$zip")
app="$(ls -d "$work"/app/Tenvor-*-win64)"
cli="$app/tenvor-cli.exe"
for file in tenvor.exe tenvor-cli.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll \
  translations/qtbase_ja.qm "はじめにお読みください.txt"; do
  [ -f "$app/$file" ] || fail "the zip has no $file"
done

# Runs the Windows command line in folder $1 with its settings folder $2: run_cli DIR HOME ARGS...
# Standard output and error land in DIR/out.txt and DIR/err.txt; the exit status in $status.
run_cli() {
  local dir="$1" home="$2"
  shift 2
  status=0
  (cd "$dir" && TENVOR_HOME="$(winpath "$home")" "${wine_run[@]}" "$cli" "$@" >out.txt 2>err.txt) || status=$?
}
run_linux() {
  local dir="$1" home="$2"
  shift 2
  linux_status=0
  (cd "$dir" && TENVOR_HOME="$home" "$linux_cli" "$@" >out.txt 2>err.txt) || linux_status=$?
}

# 1. The examples, in both encodings, against the Linux build.
for encoding in sjis utf8; do
  for side in windows linux; do
    mkdir -p "$work/$side-$encoding/out" "$work/$side-$encoding/home"
    cp -r "$root/examples" "$work/$side-$encoding/"
  done
  run_cli "$work/windows-$encoding" "$work/windows-$encoding/home" convert -o out --encoding "$encoding" examples
  run_linux "$work/linux-$encoding" "$work/linux-$encoding/home" convert -o out --encoding "$encoding" examples
  if ! diff -r "$work/linux-$encoding/out" "$work/windows-$encoding/out" >/dev/null; then
    fail "examples in $encoding: the CSV files differ from Linux"
  # The report as on Linux, but with CR LF line ends and \ in paths, as Windows programs write.
  elif [ "$status" != "$linux_status" ] ||
    ! diff <(tr '\\' '/' <"$work/windows-$encoding/out.txt" | tr -d '\r') "$work/linux-$encoding/out.txt" >/dev/null ||
    ! diff <(tr -d '\r' <"$work/windows-$encoding/err.txt") "$work/linux-$encoding/err.txt" >/dev/null; then
    fail "examples in $encoding: the report differs from Linux (exit $status, Linux $linux_status)"
  else
    pass "examples in $encoding: $(ls "$work/windows-$encoding/out" | wc -l) CSV files as on Linux, exit $status"
  fi
done

# 2. Names outside the ASCII range, one of them outside code page 932.
mkdir -p "$work/names/home"
for name in 髙橋 𠮷野 Müller; do
  mkdir -p "$work/names/$name"
  cp "$root/examples/N2018003.xml" "$work/names/$name/$name.xml"
  run_cli "$work/names" "$work/names/home" convert "$name"
  if [ "$status" -eq 0 ] && [ -f "$work/names/$name/$name.csv" ]; then
    pass "the folder and file $name convert"
  else
    fail "the folder and file $name: exit $status, $(cat "$work/names/err.txt")"
  fi
done

# 3. Output folders that cannot take the files: refused before anything is read.
mkdir -p "$work/refused/home"
touch "$work/refused/a-file"
for target in missing a-file; do
  run_cli "$work/refused" "$work/refused/home" convert -o "$target" "$(winpath "$root/examples")"
  if [ "$status" -eq 3 ] && [ ! -s "$work/refused/out.txt" ] && grep -q "output folder $target" "$work/refused/err.txt"; then
    pass "an output folder that is $target is refused"
  else
    fail "an output folder that is $target: exit $status, $(cat "$work/refused/err.txt")"
  fi
done
[ -z "$(ls "$work/refused/home")" ] || fail "a refused run created $(ls "$work/refused/home")"

# 4. A disk that fills up while the CSV file is written.
mkdir -p "$work/full/out" "$work/full/home"
# A CSV file of about 64 KiB against a limit of 16 KiB.
"$linux_gen" one --form N2018003 --persons 1000 --out "$work/full/big.xml" >/dev/null
"${wine_run[@]}" "$cli" --version >/dev/null 2>&1  # Wine's server runs before the limit is set
status=0
(cd "$work/full" && TENVOR_HOME="$(winpath "$work/full/home")" \
  bash -c 'trap "" XFSZ; ulimit -f 16; exec "$@"' - "${wine_run[@]}" "$cli" convert -o out big.xml \
  >out.txt 2>err.txt) || status=$?
if [ "$status" -eq 3 ] && grep -q "ファイルの書き込みに失敗しました。" "$work/full/err.txt" &&
  [ -z "$(ls -A "$work/full/out")" ]; then
  pass "a full disk stops the run with message 7 and leaves nothing ($(tail -n1 "$work/full/err.txt"))"
else
  fail "a full disk: exit $status, left $(ls -A "$work/full/out" | tr '\n' ' '), $(cat "$work/full/err.txt")"
fi

# 5. A run killed half-way, then the next run.
mkdir -p "$work/killed/in" "$work/killed/out" "$work/killed/home" "$work/killed/linux-out" "$work/killed/linux-home"
"$linux_gen" folder --out "$work/killed/in" --count 1500 --fail-percent 0 --seed 5 >/dev/null
TENVOR_HOME="$work/killed/linux-home" "$linux_cli" convert -o "$work/killed/linux-out" "$work/killed/in" \
  >/dev/null 2>&1 || true
(cd "$work/killed" && TENVOR_HOME="$(winpath "$work/killed/home")" exec "${wine_run[@]}" "$cli" convert -o out in \
  >/dev/null 2>&1) &
run_pid=$!
for _ in $(seq 600); do
  [ "$(ls "$work/killed/out" | wc -l)" -ge 100 ] && break
  sleep 0.1
done
kill -9 "$run_pid" 2>/dev/null || true
wait "$run_pid" 2>/dev/null || true
# The server closes the dead process's files; a temporary file marked for deletion goes then.
for _ in $(seq 50); do
  [ -z "$(ls -A "$work/killed/out" | grep -v '\.csv$' || true)" ] && break
  sleep 0.1
done
written="$(ls "$work/killed/out" | wc -l)"
incomplete=0
for csv in "$work/killed/out"/*.csv; do
  cmp -s "$csv" "$work/killed/linux-out/$(basename "$csv")" || incomplete=$((incomplete + 1))
done
# A temporary file may stand until the next run only if the kill fell between its un-marking
# and its renaming; that run removes it.
run_cli "$work/killed" "$work/killed/home" convert -o out --skip-existing in
leftovers="$(ls -A "$work/killed/out" | grep -v '\.csv$' || true)"
if [ -n "$leftovers" ] || [ "$incomplete" -ne 0 ]; then
  fail "killed run: $incomplete incomplete CSV files, left over after the next run: $leftovers"
elif [ "$written" -ge 1500 ]; then
  fail "killed run: it ended before it could be killed ($written files)"
elif [ "$status" -ne 0 ] || ! diff -r "$work/killed/linux-out" "$work/killed/out" >/dev/null; then
  fail "the run after the killed one: exit $status, $(tail -n1 "$work/killed/err.txt")"
else
  pass "killed after $written of 1500 files: nothing partial, the next run did the rest ($(tail -n1 "$work/killed/err.txt"))"
fi

# 6. The window, on a virtual display.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 300); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || fail "the virtual display :$display did not start"
mkdir -p "$work/window/in" "$work/window/home"
cp "$root/examples/"*.xml "$work/window/in/"
start_window() {
  TENVOR_HOME="$(winpath "$work/window/home")" "${wine_run[@]}" "$app/tenvor.exe" >"$work/window/start.txt" 2>&1 &
  first_pid=$!
  window="$(timeout 120 xdotool search --sync --onlyvisible --name '^Tenvor$' | head -1 || true)"
}
# The prefix's own processes (Wine's desktop among them) started with the command-line checks,
# without a display: they start again with this one.
WINEPREFIX="$TENVOR_WINEPREFIX" wineserver -k 2>/dev/null || true
start_window
if [ -z "$window" ]; then
  # Seen on a loaded machine, cause not found: a start that shows no window in two minutes. It
  # is reported with what the program printed and tried once more in a restarted prefix; a
  # second such start fails.
  echo "note: tenvor.exe showed no window ($(kill -0 "$first_pid" 2>/dev/null && echo still running ||
    echo ended): $(head -c 300 "$work/window/start.txt")); started again"
  kill "$first_pid" 2>/dev/null || true
  WINEPREFIX="$TENVOR_WINEPREFIX" wineserver -k 2>/dev/null || true
  start_window
fi
if [ -z "$window" ]; then
  fail "the window did not open ($(kill -0 "$first_pid" 2>/dev/null && echo still running || echo ended);" \
    "windows shown: $(xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null | tr '\n' '|'))"
else
  sleep 2
  # Without a window manager nothing gives the window the keyboard: give it directly.
  xdotool windowfocus "$window" 2>/dev/null || true
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  source "$root/scripts/dialog-layout.sh"
  dialog_layout "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "cannot work out the window's layout (${WIDTH}x${HEIGHT})"
  click_du 80 24  # "フォルダ選択"
  click_du 150 46 # the input box
  xdotool type --delay 30 "$(winpath "$work/window/in")"
  sleep 0.5
  click_du 287 283 # "CSV出力"
  done_box="$(timeout 120 xdotool search --sync --onlyvisible --name '^完了$' | head -1 || true)"
  csvs="$(ls "$work/window/in" | grep -c '\.csv$' || true)"
  if [ -n "$done_box" ] && [ "$csvs" -eq 34 ]; then
    pass "the window converted the folder ($csvs CSV files) and showed the completion message"
  else
    fail "the window's folder run: ${csvs} CSV files, completion message ${done_box:-not shown}"
  fi
  # Keys sent to a window (xdotool key --window) do not reach Wine's windows: focus, then type.
  press_return_in() {
    xdotool windowfocus "$1" 2>/dev/null || true
    sleep 0.3
    xdotool key Return
    sleep 1
  }
  [ -n "$done_box" ] && press_return_in "$done_box"
  if [ -n "$screenshot" ]; then
    # The first click after the message box only brings the window back; the second selects.
    click_du 120 120
    sleep 0.5
    click_du 120 120 # the first row of the error list, for its guidance
    sleep 1
    mkdir -p "$(dirname "$screenshot")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
    pass "screenshot $screenshot"
  fi

  # A second start while the first runs.
  TENVOR_HOME="$(winpath "$work/window/home")" "${wine_run[@]}" "$app/tenvor.exe" >/dev/null 2>&1 &
  second_pid=$!
  refusal="$(timeout 60 xdotool search --sync --onlyvisible --name '^エラー$' | head -1 || true)"
  if [ -n "$refusal" ]; then
    press_return_in "$refusal"
    for _ in $(seq 100); do
      kill -0 "$second_pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  if [ -n "$refusal" ] && ! kill -0 "$second_pid" 2>/dev/null && kill -0 "$first_pid" 2>/dev/null; then
    pass "a second start showed its refusal and ended; the first window goes on"
  else
    fail "a second start: refusal ${refusal:-not shown}; second $(kill -0 "$second_pid" 2>/dev/null && echo still running || echo ended)"
  fi
  kill "$second_pid" 2>/dev/null || true
fi
kill "$first_pid" 2>/dev/null || true

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) of the Windows edition failed"
  exit 1
fi
echo "every check of the Windows edition passed"
