#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine and exits with its exit status:
#   scripts/wine-run.sh [--prefix=DIR | --no-prefix] PROGRAM.exe [ARGS...]
# The Windows toolchain file (cmake/mingw-w64-x86_64.cmake) makes CTest and gtest_discover_tests
# call it for every .exe. DIR is the prefix of scripts/build-windows.sh (default: the one in
# ${XDG_CACHE_HOME:-$HOME/.cache}/tenvor-windows); its bin folder, which holds the Qt DLLs, is on
# Wine's search path. With --no-prefix it is not: a program then finds only the DLLs beside it,
# as on a user's machine. TENVOR_WINEPREFIX chooses another Wine prefix (a fresh one is prepared
# on first use).
#
# The programs run in a Wine prefix of their own (not ~/.wine), created on first use, with:
# - the ANSI code page 932 (Shift_JIS) as on a Japanese Windows: Wine takes it from the locale,
#   so the programs run in ja_JP.UTF-8, compiled into the cache with localedef when missing;
# - "MS UI Gothic" (the Japanese Windows UI font) and its relatives mapped to the IPA fonts;
# - no Wine debug output, no dialogs for the missing Mono and Gecko, no display needed.
set -euo pipefail

cache="${XDG_CACHE_HOME:-$HOME/.cache}/tenvor-windows"
prefix="${TENVOR_WINDOWS_PREFIX:-$cache/prefix}"
case "${1:-}" in
  --prefix=*) prefix="${1#--prefix=}"; shift ;;
  --no-prefix) prefix=""; shift ;;
esac
if [ $# -eq 0 ]; then
  echo "Usage: $0 [--prefix=DIR | --no-prefix] PROGRAM.exe [ARGS...]" >&2
  exit 2
fi

export WINEPREFIX="${TENVOR_WINEPREFIX:-$cache/wine}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
locales="$cache/locale"
# Set for Wine only: the shell itself cannot switch to the locale it has not compiled yet.
in_japanese=(env LOCPATH="$locales" LC_ALL=ja_JP.UTF-8)

# Wine's path list takes Windows paths; Wine maps the host's / to drive Z:.
if [ -n "$prefix" ]; then
  export WINEPATH="Z:${prefix//\//\\}\\bin${WINEPATH:+;$WINEPATH}"
fi

# The first run prepares the locale and the Wine prefix; CTest starts several tests at once, so
# one of them does it while the others wait on the lock. Wine's own processes get no standard
# streams and not the lock's descriptor (9), which they would otherwise hold as long as they run.
setup() {
  if [ ! -f "$locales/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$locales"
    # localedef fails on warnings about the locale's source even when it has compiled it.
    localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" 2>/dev/null ||
      [ -f "$locales/ja_JP.UTF-8/LC_CTYPE" ] || {
        echo "$0: localedef could not compile ja_JP.UTF-8 (package locales)" >&2
        return 1
      }
  fi
  if [ ! -f "$WINEPREFIX/.tenvor-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "${in_japanese[@]}" wine wineboot -i </dev/null >/dev/null 2>&1 9>&-
    local font
    for font in "MS UI Gothic=IPAPGothic" "MS PGothic=IPAPGothic" "MS Gothic=IPAGothic"; do
      "${in_japanese[@]}" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
        /v "${font%%=*}" /t REG_SZ /d "${font#*=}" /f </dev/null >/dev/null 2>&1 9>&-
    done
    # The prefix counts as ready once the server has written the registry and ended.
    wineserver -w 9>&-
    touch "$WINEPREFIX/.tenvor-ready"
  fi
}

# Wine's server and its background processes (services, device drivers) are started here and kept
# for ten seconds after the last program ends. Started by a test instead, they would hold its
# output pipe open after it ends, so that CTest waited for them, and each program would pay for
# their start again.
start_server() {
  # wineserver -p fails when the server runs already.
  if wineserver -p10 </dev/null >/dev/null 2>&1 9>&-; then
    "${in_japanese[@]}" wine wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
}

mkdir -p "$cache"
(
  flock 9
  setup
  start_server
) 9>"$cache/wine-setup.lock"

exec "${in_japanese[@]}" wine "$@"
