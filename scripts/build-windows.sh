#!/usr/bin/env bash
# Cross-builds Tenvor for 64-bit Windows on Debian, with MinGW-w64 and Wine.
#   scripts/build-windows.sh               installs what is missing, builds the dependencies (once),
#                                          the programs, and dist/Tenvor-<version>-win64.zip
#   scripts/build-windows.sh --with-tests  the same, with the test programs in build-windows/ for
#                                          ctest under Wine (what ./test.sh runs)
#   scripts/build-windows.sh --deps-only   installs what is missing and builds the dependencies
#                                          only; prints the prefix they are installed in
#
# The dependencies are built from Debian's own sources (apt-get source) into a cache outside the
# work tree, ${XDG_CACHE_HOME:-$HOME/.cache}/tenvor-windows:
#   prefix/        libxml2, libzip, libxlsxwriter and utf8proc (static), Qt (DLLs, plugins, CMake
#                  packages), CLI11's headers; where cmake/mingw-w64-x86_64.cmake looks for libraries
#   prefix/tenvor-recipe.sha256
#                  the hash of the recipe the prefix was built with: the dependency section of this
#                  script, the toolchain file and the compiler's version. The prefix is rebuilt
#                  from scratch when it is missing or when the hash differs.
#   prefix/tenvor-NAME.sha256
#                  the same for each library added after that recipe (its own section below), so
#                  that adding or changing one builds that library alone, not Qt again
#   apt/           the apt configuration used for apt-get source, of this script's own
#   wine/, locale/ the Wine prefix and the locale of scripts/wine-run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-packages.sh

cache="${XDG_CACHE_HOME:-$HOME/.cache}/tenvor-windows"
prefix="$cache/prefix"
work="$cache/work"
script="$PWD/scripts/build-windows.sh"
toolchain="$PWD/cmake/mingw-w64-x86_64.cmake"
jobs="$(nproc)"

# --- dependencies: begin ----------------------------------------------------------------------
# Everything from here to the end marker is part of the recipe hash.

LIBXML2_VERSION=2.9.14
LIBZIP_VERSION=1.7.3
QT_VERSION=6.4.2

# apt-get with an apt configuration of its own: the machine's Debian archive entries as deb-src
# entries, and package lists and caches in the cache folder. The machine's own apt configuration
# and lists are left as they are.
apt_dir="$cache/apt"
private_apt=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  # Files go into the cache folder in root's home, which apt's download user cannot enter.
  -o "APT::Sandbox::User=root"
)

# Writes the deb-src entries: each enabled deb entry of the machine for its Debian release
# (suites named after the release or stable/testing/unstable, component main), copied with its
# type changed to deb-src. deb822 files (sources.list.d/*.sources) and one-line lists
# (sources.list, sources.list.d/*.list) are both read.
write_source_entries() {
  local codename suites_re
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  suites_re="^(${codename:+$codename|}stable|testing|unstable|sid)(-[a-z-]+)?$"
  rm -rf "$apt_dir/sources.list.d"
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"

  local file deb822=() lists=()
  for file in /etc/apt/sources.list.d/*.sources; do
    if [ -r "$file" ]; then deb822+=("$file"); fi
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    if [ -r "$file" ]; then lists+=("$file"); fi
  done
  : >"$apt_dir/sources.list"
  : >"$apt_dir/sources.list.d/debian-src.sources"

  [ ${#deb822[@]} -eq 0 ] || awk -v suites_re="$suites_re" '
    BEGIN { RS = ""; FS = "\n" }
    {
      types = ""; suites = ""; components = ""; enabled = "yes"; entry = ""
      for (i = 1; i <= NF; i++) {
        line = $i
        if (line ~ /^[ \t]*#/) continue
        key = tolower(line)
        if (key ~ /^types:/) { types = line; line = "Types: deb-src" }
        else if (key ~ /^suites:/) suites = line
        else if (key ~ /^components:/) components = line
        else if (key ~ /^enabled:/) enabled = key
        entry = entry line "\n"
      }
      if (types !~ /[: \t]deb([ \t]|$)/ || enabled ~ /no/ || components !~ /[: \t]main([ \t]|$)/)
        next
      sub(/^[^:]*:[ \t]*/, "", suites)
      n = split(suites, suite, /[ \t]+/)
      for (i = 1; i <= n; i++)
        if (suite[i] ~ suites_re) { print entry; next }
    }' "${deb822[@]}" >"$apt_dir/sources.list.d/debian-src.sources"

  # One-line entries: deb [options] URI SUITE COMPONENTS...
  [ ${#lists[@]} -eq 0 ] || awk -v suites_re="$suites_re" '
    $1 != "deb" { next }
    {
      rest = $0
      sub(/^[ \t]*deb[ \t]+/, "", rest)
      options = ""
      if (rest ~ /^\[/) { options = substr(rest, 1, index(rest, "]")); rest = substr(rest, index(rest, "]") + 1) }
      n = split(rest, field, /[ \t]+/)
      if (field[1] == "") { for (i = 1; i < n; i++) field[i] = field[i + 1]; n-- }
      main = 0
      for (i = 3; i <= n; i++) if (field[i] == "main") main = 1
      if (field[2] ~ suites_re && main) print "deb-src " (options == "" ? "" : options " ") rest
    }' "${lists[@]}" >"$apt_dir/sources.list"

  if [ ! -s "$apt_dir/sources.list" ] && [ ! -s "$apt_dir/sources.list.d/debian-src.sources" ]; then
    echo "No Debian archive entry found in /etc/apt/sources.list or /etc/apt/sources.list.d/" >&2
    return 1
  fi
}

# Downloads and unpacks the Debian source packages named in the arguments into $work (with
# Debian's patches applied).
fetch_sources() {
  write_source_entries
  apt-get "${private_apt[@]}" update
  (cd "$work" && apt-get "${private_apt[@]}" source --only-source "$@")
}

# libxml2: a static library without iconv (the program brings its own Shift_JIS converter),
# without compression, network access, Python or loadable modules.
build_libxml2() {
  local source="$work/libxml2-$LIBXML2_VERSION+dfsg" build="$work/build-libxml2"
  [ -d "$source" ] || { echo "Debian's libxml2 source is not version $LIBXML2_VERSION" >&2; return 1; }
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTENVOR_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF \
    -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF \
    -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF \
    -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF \
    -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_MODULES=OFF \
    -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF
  cmake --build "$build" --parallel "$jobs"
  cmake --install "$build"
  # Only the static library is installed, so its link flags (ws2_32 for Windows sockets, the
  # threads library) belong in Libs, where pkg-config gives them without --static. Its Cflags
  # already hold -DLIBXML_STATIC.
  local pc="$prefix/lib/pkgconfig/libxml-2.0.pc" private
  private="$(sed -n 's/^Libs\.private:[[:space:]]*//p' "$pc")"
  sed -i -e "s|^Libs:.*|& ${private}|" -e '/^Libs\.private:/d' "$pc"
}

# libzip: a static library that inflates with Debian's static zlib for MinGW
# (libz-mingw-w64-dev); no other compression, no encryption, no tools. FindZLIB would pick the
# import library libz.dll.a, which would make the programs need zlib1.dll: the static archive is
# named instead.
build_libzip() {
  local source="$work/libzip-$LIBZIP_VERSION" build="$work/build-libzip"
  [ -d "$source" ] || { echo "Debian's libzip source is not version $LIBZIP_VERSION" >&2; return 1; }
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTENVOR_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF \
    -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
    -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a \
    -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
    -DENABLE_GNUTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF \
    -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_COMMONCRYPTO=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
  cmake --build "$build" --parallel "$jobs"
  cmake --install "$build"
}

# The copyright files of the Debian sources the libraries are built from (debian/copyright,
# machine-readable), and the licence files of what Qt bundles, kept in the prefix for the
# licence notices of the packages: prefix/share/licenses/NAME/.
keep_licences() {
  local licences="$prefix/share/licenses"
  mkdir -p "$licences/libxml2" "$licences/libzip" "$licences/qt6-base/3rdparty"
  cp "$work/libxml2-$LIBXML2_VERSION+dfsg/debian/copyright" "$licences/libxml2/copyright"
  cp "$work/libxml2-$LIBXML2_VERSION+dfsg/Copyright" "$licences/libxml2/Copyright"
  cp "$work/libzip-$LIBZIP_VERSION/debian/copyright" "$licences/libzip/copyright"
  cp "$work/libzip-$LIBZIP_VERSION/LICENSE" "$licences/libzip/LICENSE"
  local qt="$work/qt6-base-$QT_VERSION+dfsg"
  cp "$qt/debian/copyright" "$licences/qt6-base/copyright"
  # Each bundled library's licence files and Qt's attribution record, by the library's folder.
  local file relative
  while IFS= read -r -d '' file; do
    relative="${file#"$qt/src/3rdparty/"}"
    mkdir -p "$licences/qt6-base/3rdparty/$(dirname "$relative")"
    cp "$file" "$licences/qt6-base/3rdparty/$relative"
  done < <(find "$qt/src/3rdparty" \( -iname 'LICENSE*' -o -iname 'COPYING*' -o -iname 'LICENCE*' \
    -o -name 'qt_attribution.json' -o -iname 'FTL.TXT' -o -iname 'MIT*' \) -type f -print0)
  echo "$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev 2>/dev/null)" >"$licences/zlib-version"
}

# Qt: shared libraries (the program ships them as DLLs beside itself) with only what the program
# and its tests use: Core, Gui, Widgets, Test, and the plugins windows (the platform), offscreen
# (the tests), windowsvista (the native style), with the bundled third-party libraries. The
# host's moc, rcc and uic do the code generation. Accessibility and tablet events are off because
# Debian's source leaves out the IAccessible2 and Wintab files they need on Windows; OpenGL (the
# default, loaded at run time) stays on because the windows platform plugin needs it. DirectWrite 3
# is off: with MinGW, Qt 6.4's windows plugin then fails to link (its font database class is not
# exported from Qt6Gui.dll); the plugin uses the DirectWrite 2 and GDI font engines instead.
build_qt() {
  local source="$work/qt6-base-$QT_VERSION+dfsg" build="$work/build-qt"
  [ -d "$source" ] || { echo "Debian's qt6-base source is not version $QT_VERSION" >&2; return 1; }
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTENVOR_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=ON \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF \
    -DFEATURE_accessibility=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF -DFEATURE_zstd=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF \
    -DFEATURE_opengl=ON
  cmake --build "$build" --parallel "$jobs"
  cmake --install "$build" --strip
}

# CLI11 is header-only: its headers and CMake package are copied into the prefix, so that
# find_package(CLI11) of the Windows build finds them there.
install_cli11() {
  mkdir -p "$prefix/include" "$prefix/share/cmake"
  cp -r /usr/include/CLI "$prefix/include/"
  cp -r /usr/share/cmake/CLI11 "$prefix/share/cmake/"
}

# --- dependencies: end ------------------------------------------------------------------------

recipe_hash() {
  {
    sed -n '/^# --- dependencies: begin/,/^# --- dependencies: end/p' "$script"
    cat "$toolchain"
    x86_64-w64-mingw32-g++-posix --version | head -n1
  } | sha256sum | cut -d' ' -f1
}

# Runs a step of the dependency build with its output in $work/NAME.log:
#   run_step TITLE NAME COMMAND...
step_log=""
run_step() {
  local title="$1" name="$2"
  shift 2
  step_log="$work/$name.log"
  echo "  $title" >&2
  "$@" >"$step_log" 2>&1
}
# On a failed step, shows the end of its log.
show_failed_log() {
  local status=$?
  if [ "$status" -ne 0 ] && [ -n "$step_log" ]; then
    echo "Failed; the end of $step_log:" >&2
    tail -n 40 "$step_log" >&2
  fi
}

# Builds the dependencies into the prefix unless it holds a build of the current recipe. Each
# step writes its output into a log in $work; when one fails, the end of its log is shown.
build_dependencies() {
  ensure_packages "${TENVOR_WINDOWS_PACKAGES[@]}"
  local hash stamp="$prefix/tenvor-recipe.sha256"
  hash="$(recipe_hash)"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$hash" ]; then
    echo "The Windows dependencies in $prefix are up to date" >&2
    return 0
  fi

  echo "Building the Windows dependencies into $prefix (Qt takes a quarter of an hour)" >&2
  rm -rf "$prefix" "$work"
  mkdir -p "$prefix" "$work"
  trap 'show_failed_log' EXIT
  run_step "fetching the sources of libxml2, libzip and qt6-base" sources fetch_sources libxml2 libzip qt6-base
  run_step "libxml2 $LIBXML2_VERSION" libxml2 build_libxml2
  run_step "libzip $LIBZIP_VERSION" libzip build_libzip
  run_step "the libraries' licences" licences keep_licences
  run_step "CLI11's headers" cli11 install_cli11
  run_step "Qt $QT_VERSION" qt build_qt
  trap - EXIT
  # Sources and build folders are not needed any more: a new recipe starts from scratch anyway.
  rm -rf "$work"
  echo "$hash" >"$stamp"
}

# --- libraries added to the recipe ------------------------------------------------------------
# Each is built into the prefix on its own, after the dependencies above, when its stamp is
# missing or differs: the hash of its build function, its version, the toolchain file and the
# compiler. A rebuilt prefix has no stamps, so they are all built again then.

LIBXLSXWRITER_VERSION=1.1.4
UTF8PROC_VERSION=2.8.0

# libxlsxwriter: a static library with its bundled minizip, md5 and tmpfileplus, deflating with
# the same static zlib. Its pkg-config file names -lz, which the Windows build would resolve to
# the import library libz.dll.a: the build links libz.a itself (CMakeLists.txt), so -lz goes.
# Its licence files go beside the others: License.txt holds its own licence and the notices of
# what it bundles and the static library contains (minizip, md5, tmpfileplus, queue.h, tree.h).
build_libxlsxwriter() {
  local source="$work/libxlsxwriter-$LIBXLSXWRITER_VERSION" build="$work/build-libxlsxwriter"
  [ -d "$source" ] || { echo "Debian's libxlsxwriter source is not version $LIBXLSXWRITER_VERSION" >&2; return 1; }
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTENVOR_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF \
    -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
    -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a
  cmake --build "$build" --parallel "$jobs"
  cmake --install "$build"
  sed -i -e '/^Libs:/s/[[:space:]]-lz\b//' "$prefix/lib/pkgconfig/xlsxwriter.pc"
  local licences="$prefix/share/licenses/libxlsxwriter"
  mkdir -p "$licences"
  cp "$source/debian/copyright" "$licences/copyright"
  cp "$source/License.txt" "$licences/License.txt"
}

# utf8proc: the case folding and normalisation that compare the CSV paths of a run, a static
# library. Its pkg-config file is written for a DLL (-DUTF8PROC_EXPORTS): a static library wants
# UTF8PROC_STATIC instead, or the programs would import its functions from a DLL. Its licence
# file goes beside the others: LICENSE.md holds its own licence and that of the Unicode data it
# contains.
build_utf8proc() {
  local source="$work/utf8proc-$UTF8PROC_VERSION" build="$work/build-utf8proc"
  [ -d "$source" ] || { echo "Debian's utf8proc source is not version $UTF8PROC_VERSION" >&2; return 1; }
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTENVOR_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DUTF8PROC_ENABLE_TESTING=OFF
  cmake --build "$build" --parallel "$jobs"
  cmake --install "$build"
  sed -i -e '/^Cflags:/s/-DUTF8PROC_EXPORTS/-DUTF8PROC_STATIC/' "$prefix/lib/pkgconfig/libutf8proc.pc"
  local licences="$prefix/share/licenses/utf8proc"
  mkdir -p "$licences"
  cp "$source/debian/copyright" "$licences/copyright"
  cp "$source/LICENSE.md" "$licences/LICENSE.md"
}

# The added libraries: Debian source package, version, build function.
added_libraries=(
  "libxlsxwriter $LIBXLSXWRITER_VERSION build_libxlsxwriter"
  "utf8proc $UTF8PROC_VERSION build_utf8proc"
)

# Builds each added library whose stamp is missing or differs (see above).
build_added_libraries() {
  local entry name version function hash stamp
  for entry in "${added_libraries[@]}"; do
    read -r name version function <<<"$entry"
    hash="$({
      declare -f "$function"
      echo "$version"
      cat "$toolchain"
      x86_64-w64-mingw32-g++-posix --version | head -n1
    } | sha256sum | cut -d' ' -f1)"
    stamp="$prefix/tenvor-$name.sha256"
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$hash" ]; then
      continue
    fi
    echo "Building $name $version into $prefix" >&2
    rm -rf "$work"
    mkdir -p "$work"
    trap 'show_failed_log' EXIT
    run_step "fetching the source of $name" "sources-$name" fetch_sources "$name"
    run_step "$name $version" "$name" "$function"
    trap - EXIT
    rm -rf "$work"
    echo "$hash" >"$stamp"
  done
}

# The code page 932 tables come from this machine's iconv: a cross build cannot run the
# generator it would build, so it is built and run here for the build machine.
make_cp932_table() {
  local host="$build/host"
  mkdir -p "$host"
  g++ -std=c++20 -O2 -o "$host/tenvor-cp932-table" tools/cp932/GenerateCp932Table.cpp
  "$host/tenvor-cp932-table" "$host/Cp932Table.cpp"
  echo "$host/Cp932Table.cpp"
}

# The programs (and with tests, the test programs) for Windows, the zip of the programs and the
# installer made from the zip (scripts/make-msi.sh): dist/Tenvor-<version>-win64.zip and .msi.
build_project() {
  local with_tests="$1" table
  table="$(make_cp932_table)"
  cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTENVOR_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTENVOR_STRICT_WARNINGS=ON \
    -DTENVOR_BUILD_TESTS="$with_tests" -DTENVOR_CP932_TABLE="$table" >/dev/null
  cmake --build "$build" --parallel "$jobs"
  (cd "$build" && cpack -G ZIP >/dev/null)
  mkdir -p dist
  local zip
  zip="$(ls "$build"/package/Tenvor-*-win64.zip)"
  cp "$zip" dist/
  zip="dist/$(basename "$zip")"
  scripts/make-msi.sh "$zip" "${zip%.zip}.msi" >/dev/null
  echo "$zip"
  echo "${zip%.zip}.msi"
}

build="$PWD/build-windows"
case "${1:-}" in
  --deps-only)
    build_dependencies
    build_added_libraries
    echo "$prefix"
    ;;
  "" | --with-tests)
    build_dependencies
    build_added_libraries
    build_project "$([ "${1:-}" = --with-tests ] && echo ON || echo OFF)"
    ;;
  *)
    echo "Usage: $0 [--with-tests | --deps-only]" >&2
    exit 2
    ;;
esac
