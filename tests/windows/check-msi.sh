#!/usr/bin/env bash
# The installer of the Windows edition as a user runs it, under Wine: installed without a window
# into a fresh Wine prefix with a Japanese locale, used, upgraded and removed.
#   tests/windows/check-msi.sh MSI ZIP LINUX_CLI
# ZIP is the zip the installer was made from (scripts/make-msi.sh); LINUX_CLI the Linux build's
# tenvor-cli, whose output the installed tenvor-cli.exe must match. Checks, each on one line:
#   - msiexec /i MSI /qn installs exactly the zip's files into
#     %LOCALAPPDATA%\Programs\Tenvor, the Start menu entry "Tenvor" to tenvor.exe and an entry in
#     the installed apps; the installed tenvor.exe runs with the installed Qt DLLs (--version);
#   - the installed tenvor-cli.exe converts the examples into the Linux build's CSV files, byte
#     for byte, with the same report (CR LF and \ aside), its settings and log in C:\Tenvor\;
#   - msiexec /x MSI /qn removes everything it installed and nothing else: C:\Tenvor\ (the user's
#     settings and log) stays as it was;
#   - a later version (the same files, made with make-msi.sh --version) replaces an installed
#     one, and the earlier version is then refused rather than installed over it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
[ $# -eq 3 ] || { echo "usage: $0 MSI ZIP LINUX_CLI" >&2; exit 2; }
msi="$(realpath "$1")"
zip="$(realpath "$2")"
linux_cli="$(realpath "$3")"

work="$(mktemp -d /tmp/tenvor-msi-check.XXXXXX)"
cleanup() {
  WINEPREFIX="$work/wineprefix" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export TENVOR_WINEPREFIX="$work/wineprefix"
unset TENVOR_HOME
wine_run=("$root/scripts/wine-run.sh" --no-prefix)
failures=0
pass() { echo "ok: $*"; }
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
winpath() { local path="${1//\//\\}"; echo "Z:$path"; }
msiexec() { "${wine_run[@]}" msiexec "$@" </dev/null >/dev/null 2>&1; }

# The zip's files, and a later version of the installer with the same files.
mkdir -p "$work/zip"
(cd "$work/zip" && unzip -q "$zip")
zip_root="$(ls -d "$work"/zip/Tenvor-*-win64)"
version="$(basename "$zip_root")"
version="${version#Tenvor-}"
version="${version%-win64}"
later="${version%%.*}.$((${version#*.} + 1))"
"$root/scripts/make-msi.sh" --version "$later" "$zip" "$work/later.msi" >/dev/null

# The prefix starts before anything is installed; C:\Tenvor\ holds the user's settings.
"${wine_run[@]}" cmd /c exit 0 </dev/null >/dev/null 2>&1
drive_c="$TENVOR_WINEPREFIX/drive_c"
mkdir -p "$drive_c/Tenvor"
printf '[Msg_Print]\r\nDebugFlag=0\r\n' >"$drive_c/Tenvor/Tenvor.ini"
users=("$drive_c"/users/*/AppData)
[ ${#users[@]} -eq 1 ] || { echo "the Wine prefix has ${#users[@]} user folders" >&2; exit 1; }
appdata="${users[0]}"
installed="$appdata/Local/Programs/Tenvor"
shortcut="$appdata/Roaming/Microsoft/Windows/Start Menu/Programs/Tenvor.lnk"

# Everything of drive C: with a checksum for each file: what the installer may not leave behind
# or change. Left out are the folders where Windows Installer keeps its own records and caches
# (C:\windows\, and the user's Microsoft\Installer folder itself, made at the first installation;
# what it holds for Tenvor must go).
snapshot() {
  (cd "$drive_c" && find . -path ./windows -prune -o ! -path './users/*/AppData/Roaming/Microsoft/Installer' -print0 |
    LC_ALL=C sort -z |
    while IFS= read -r -d '' path; do
      if [ -f "$path" ]; then echo "$path $(sha1sum <"$path" | cut -c1-40)"; else echo "$path"; fi
    done)
}
# The installed apps' entries named Tenvor, as "DisplayVersion" values (Wine keeps a per-user
# installation's entry under HKLM, Windows under HKCU: both are read).
installed_versions() {
  local key
  for key in 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
    "${wine_run[@]}" reg query "$key" /s </dev/null 2>/dev/null | tr -d '\r' |
      awk '/^HKEY/ { name = ""; version = "" }
           $1 == "DisplayName" { name = $3 }
           $1 == "DisplayVersion" { version = $3 }
           name == "Tenvor" && version != "" { print version; name = "" }'
  done
}
same_files_as_zip() { diff -r "$zip_root" "$installed" >/dev/null 2>&1; }

before="$(snapshot)"

# 1. Installing.
status=0
msiexec /i "$(winpath "$msi")" /qn || status=$?
versions="$(installed_versions | tr '\n' ' ')"
if [ "$status" -ne 0 ]; then
  fail "msiexec /i exited with $status"
elif ! same_files_as_zip; then
  fail "the installed folder differs from the zip: $(diff -rq "$zip_root" "$installed" 2>&1 | head -5)"
elif [ ! -f "$shortcut" ] || ! strings "$shortcut" | grep -q 'Programs\\Tenvor\\tenvor\.exe$'; then
  fail "no Start menu entry Tenvor for tenvor.exe ($(ls "$(dirname "$shortcut")" 2>&1 | tr '\n' ' '))"
elif [ "$versions" != "$version.0 " ]; then
  fail "the installed apps list Tenvor as: '$versions'"
else
  pass "installed $(find "$installed" -type f | wc -l) files as in the zip, the Start menu entry and the installed apps' entry ($version.0)"
fi

# The installed window program loads the installed Qt DLLs: its --version ends with Qt's.
window_version="$("${wine_run[@]}" "$installed/tenvor.exe" --version </dev/null 2>/dev/null | tr -d '\r' || true)"
if [[ "$window_version" == "tenvor $version"*$'\nQt '* ]]; then
  pass "the installed tenvor.exe runs with the installed DLLs: $(tr '\n' ' ' <<<"$window_version")"
else
  fail "the installed tenvor.exe --version printed: $window_version"
fi

# 2. The installed command line: the examples as on Linux, the settings folder C:\Tenvor\.
for side in windows linux; do
  mkdir -p "$work/$side/out"
  cp -r "$root/examples" "$work/$side/"
done
status=0
(cd "$work/windows" && "${wine_run[@]}" "$installed/tenvor-cli.exe" convert -o out examples >out.txt 2>err.txt) ||
  status=$?
linux_status=0
(cd "$work/linux" && TENVOR_HOME="$work/linux-home" "$linux_cli" convert -o out examples >out.txt 2>err.txt) ||
  linux_status=$?
if ! diff -r "$work/linux/out" "$work/windows/out" >/dev/null; then
  fail "the installed tenvor-cli.exe: the CSV files differ from Linux"
elif [ "$status" != "$linux_status" ] ||
  ! diff <(tr '\\' '/' <"$work/windows/out.txt" | tr -d '\r') "$work/linux/out.txt" >/dev/null ||
  ! diff <(tr -d '\r' <"$work/windows/err.txt") "$work/linux/err.txt" >/dev/null; then
  fail "the installed tenvor-cli.exe: the report differs from Linux (exit $status, Linux $linux_status)"
elif [ ! -s "$drive_c/Tenvor/Ver$version.log" ]; then
  fail "the installed tenvor-cli.exe logged nothing in C:\\Tenvor\\ ($(ls "$drive_c/Tenvor" | tr '\n' ' '))"
else
  pass "the installed tenvor-cli.exe: $(ls "$work/windows/out" | wc -l) CSV files and the report as on Linux, exit $status, its log in C:\\Tenvor\\"
fi
used="$(snapshot | grep "^\./Tenvor" || true)"

# 3. Removing: back to what was there before, with the user's settings and log.
status=0
msiexec /x "$(winpath "$msi")" /qn || status=$?
after="$(snapshot)"
expected="$( (grep -v '^\./Tenvor' <<<"$before"; echo "$used") | LC_ALL=C sort)"
if [ "$status" -ne 0 ]; then
  fail "msiexec /x exited with $status"
elif [ "$after" != "$expected" ] || [ -n "$(installed_versions)" ]; then
  fail "msiexec /x left or changed: $(diff <(echo "$expected") <(echo "$after") | grep '^[<>]' | head -8 | tr '\n' ' ')" \
    "installed apps: $(installed_versions | tr '\n' ' ')"
else
  pass "msiexec /x removed everything it installed; C:\\Tenvor\\ kept $(ls "$drive_c/Tenvor" | tr '\n' ' ')"
fi

# 4. A later version over it, then the earlier one again.
msiexec /i "$(winpath "$msi")" /qn || true
status=0
msiexec /i "$(winpath "$work/later.msi")" /qn || status=$?
upgraded="$(installed_versions | tr '\n' ' ')"
upgraded_files="$(diff -rq "$zip_root" "$installed" 2>&1 | head -5 || true)"
refused=0
msiexec /i "$(winpath "$msi")" /qn || refused=$?
kept="$(installed_versions | tr '\n' ' ')"
msiexec /x "$(winpath "$work/later.msi")" /qn || true
if [ "$status" -ne 0 ] || [ "$upgraded" != "$later.0 " ] || [ -n "$upgraded_files" ]; then
  fail "installing $later over $version: exit $status, installed apps: '$upgraded', files: $upgraded_files"
elif [ "$refused" -eq 0 ] || [ "$kept" != "$later.0 " ]; then
  fail "installing $version over $later: exit $refused, installed apps: '$kept'"
elif [ "$(snapshot)" != "$expected" ]; then
  fail "removing $later after the upgrade left: $(diff <(echo "$expected") <(snapshot) | grep '^[<>]' | head -5 | tr '\n' ' ')"
else
  pass "$later replaced $version; $version was then refused (exit $refused) and $later kept; removing $later left nothing"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) of the installer failed"
  exit 1
fi
echo "every check of the installer passed"
