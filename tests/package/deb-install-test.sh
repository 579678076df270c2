#!/usr/bin/env bash
# The Debian package end to end: built with scripts/package-deb.sh from this build, unpacked
# into a temporary root (dpkg -x: nothing is installed on the machine), checked for the files of
# a desktop installation and their dependencies, its manual pages and licence, checked by lintian
# (no error, no warning), and its tenvor-cli run on the examples, which it must convert exactly as
# the built tenvor-cli does.
#   tests/package/deb-install-test.sh BUILD_DIR BUILT_TENVOR_CLI VERSION APP_ID
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build="$1"
built_cli="$2"
version="$3"
app_id="$4"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

deb="$("$source_dir/scripts/package-deb.sh" --build-dir "$build" --output "$work/dist" | tail -n 1)"
expected="tenvor_${version}-1_$(dpkg --print-architecture).deb"
[ "$(basename "$deb")" = "$expected" ] || fail "package named $(basename "$deb"), not $expected"
[ "$(dpkg-deb -f "$deb" Version)" = "${version}-1" ] || fail "version $(dpkg-deb -f "$deb" Version)"
depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6widgets6 libxml2 libinih1 libc6 fonts-ipafont-gothic qt6-qpa-plugins; do
  [[ ", $depends" == *", $needed"* ]] || fail "Depends lacks $needed: $depends"
done
[[ "$(dpkg-deb -f "$deb" Recommends)" == *qt6-translations-l10n* ]] || fail "Recommends lacks qt6-translations-l10n"

# Everything under /usr, and the files a desktop looks for.
if dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v -e '^\./$' -e '^\./usr/' | grep -q .; then
  fail "files outside /usr: $(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v -e '^\./$' -e '^\./usr/')"
fi
root="$work/root"
dpkg -x "$deb" "$root"
for file in usr/bin/tenvor usr/bin/tenvor-cli "usr/share/applications/$app_id.desktop" \
  "usr/share/metainfo/$app_id.metainfo.xml"; do
  [ -f "$root/$file" ] || fail "$file missing"
done
for size in 16 22 24 32 48 64 128 256; do
  icon="usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  [ -f "$root/$icon" ] || fail "$icon missing"
  [[ "$(file -b "$root/$icon")" == *"PNG image data, $size x $size"* ]] || fail "$icon: $(file -b "$root/$icon")"
done
grep -qx "Exec=tenvor" "$root/usr/share/applications/$app_id.desktop" || fail "the desktop entry does not start tenvor"
grep -qx "Icon=$app_id" "$root/usr/share/applications/$app_id.desktop" || fail "the desktop entry names another icon"
for program in tenvor tenvor-cli; do
  if ldd "$root/usr/bin/$program" | grep -q 'not found'; then
    fail "$program needs libraries that are missing: $(ldd "$root/usr/bin/$program" | grep 'not found')"
  fi
done

# Manual pages, the licence and the changelog where Debian wants them, and lintian's approval: no
# error and no warning (informational tags are allowed).
for file in usr/share/man/man1/tenvor.1.gz usr/share/man/man1/tenvor-cli.1.gz usr/share/doc/tenvor/copyright \
  usr/share/doc/tenvor/changelog.Debian.gz; do
  [ -f "$root/$file" ] || fail "$file missing"
done
copyright="$root/usr/share/doc/tenvor/copyright"
if ! grep -q '^Files: \*$' "$copyright" || ! grep -q '^License: Expat$' "$copyright"; then
  fail "the copyright file does not give Tenvor's licence for every file"
fi
command -v lintian >/dev/null || fail "lintian is not installed (test.sh installs it)"
lintian_status=0
lintian --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 || lintian_status=$?
if [ "$lintian_status" -ne 0 ] || grep -q '^[EW]: ' "$work/lintian.txt"; then
  fail "lintian (exit $lintian_status): $(grep -v '^N: ' "$work/lintian.txt")"
fi

# The installed command line on the examples, beside the built one.
[ "$("$root/usr/bin/tenvor-cli" forms | wc -l)" -eq 33 ] || fail "tenvor-cli forms does not list 33 forms"
mkdir -p "$work/installed" "$work/built" "$work/home-installed" "$work/home-built"
installed_status=0
TENVOR_HOME="$work/home-installed" "$root/usr/bin/tenvor-cli" convert --output "$work/installed" \
  --folder "$source_dir/examples" >"$work/installed.out" 2>"$work/installed.err" || installed_status=$?
built_status=0
TENVOR_HOME="$work/home-built" "$built_cli" convert --output "$work/built" \
  --folder "$source_dir/examples" >"$work/built.out" 2>"$work/built.err" || built_status=$?
[ "$installed_status" -le 1 ] || fail "installed tenvor-cli exited with $installed_status: $(cat "$work/installed.err")"
[ "$installed_status" = "$built_status" ] || fail "exit status $installed_status, the built program's $built_status"
cmp -s "$work/installed.out" "$work/built.out" || fail "its report differs: $(diff "$work/built.out" "$work/installed.out")"
diff -r "$work/built" "$work/installed" >/dev/null || fail "its CSV files differ from the built program's"
converted="$(find "$work/installed" -name '*.csv' | wc -l)"
[ "$converted" -gt 0 ] || fail "no CSV file written"
grep -qx '処理が完了しました。' "$work/installed.out" || fail "no completion message"

echo "$expected: installs $(dpkg-deb -c "$deb" | grep -c -v '/$') files; its tenvor-cli converted $converted examples as the built one does (exit status $installed_status)"
