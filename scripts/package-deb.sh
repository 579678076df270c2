#!/usr/bin/env bash
# Builds the Debian package of Tenvor with CPack: dist/tenvor_<version>-1_<arch>.deb, with the
# window, the command line, the desktop entry, the icon and the AppStream metainfo. Its
# dependencies are computed from the programs (dpkg-shlibdeps), plus the Japanese font.
#   scripts/package-deb.sh                   a release build in build-deb/, the package in dist/
#   scripts/package-deb.sh --build-dir DIR   the package of an existing build of the project
#   scripts/package-deb.sh --output DIR      the package into DIR instead of dist/
#   scripts/package-deb.sh --lintian         also lists lintian's findings on the package
# The desktop entry and the metainfo inside the package are validated (desktop-file-validate,
# appstreamcli); the script fails when they are not valid. The last line printed is the path of
# the package. Install it with: apt install ./dist/tenvor_<version>-1_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-packages.sh

build=""
output=dist
run_lintian=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$2"; shift 2 ;;
    --output) output="$2"; shift 2 ;;
    --lintian) run_lintian=1; shift ;;
    -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option: $1 (see --help)" >&2; exit 2 ;;
  esac
done

tools=("${TENVOR_PACKAGE_PACKAGES[@]}")
[ "$run_lintian" = 1 ] && tools+=(lintian)
if [ -z "$build" ]; then
  ensure_packages "${TENVOR_BUILD_PACKAGES[@]}" "${tools[@]}"
  build=build-deb
  # Built as Debian builds its packages: its compiler and linker flags, all hardening on.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTENVOR_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
  cmake --build "$build" --parallel "$(nproc)" --target tenvor tenvor-cli >/dev/null
else
  ensure_packages "${tools[@]}"
fi
[ -f "$build/CPackConfig.cmake" ] || { echo "$build is not a configured build of Tenvor" >&2; exit 1; }
mkdir -p "$output"
output="$(cd "$output" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if ! cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  exit 1
fi
debs=("$work"/cpack/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "CPack made no single package:" >&2; cat "$work/cpack.log" >&2; exit 1; }
deb="${debs[0]}"

# What the package installs, as a desktop and a software centre read it.
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop
appstreamcli validate --no-net --explain "$work"/root/usr/share/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; exit 1; }

mv -f "$deb" "$output/"
deb="$output/$(basename "$deb")"
if [ "$run_lintian" = 1 ]; then
  echo "lintian's findings:"
  lintian --display-info "$deb" 2>/dev/null || true
fi
echo "$deb"
