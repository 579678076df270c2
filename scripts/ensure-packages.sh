# Installs the Debian packages named in the arguments that are not installed yet: with apt-get as
# root, through sudo otherwise; without either it prints the exact command and fails.
# Sourced by run.sh and test.sh.

ensure_packages() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local install=(apt-get install -y --no-install-recommends "${missing[@]}")
  echo "Installing: ${missing[*]}" >&2
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2 &&
      DEBIAN_FRONTEND=noninteractive "${install[@]}" >&2
  elif command -v sudo >/dev/null 2>&1; then
    sudo apt-get update -qq >&2 && sudo DEBIAN_FRONTEND=noninteractive "${install[@]}" >&2
  else
    echo "These packages are missing. Install them with:" >&2
    echo "  sudo ${install[*]}" >&2
    return 1
  fi
}

# What building and running the tool needs (Qt's own texts in Japanese come with its
# translations).
TENVOR_BUILD_PACKAGES=(
  g++ cmake make pkg-config
  libxml2-dev libzip-dev zlib1g-dev libinih-dev libcli11-dev libxlsxwriter-dev libutf8proc-dev
  qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic
)

# What building the Debian package needs in addition (scripts/package-deb.sh): dpkg-shlibdeps
# and file for CPack, and the validators of the desktop entry and the AppStream metainfo.
TENVOR_PACKAGE_PACKAGES=(
  dpkg-dev file desktop-file-utils appstream
)

# What the test suite needs in addition (it builds the package too, and checks it with lintian).
TENVOR_TEST_PACKAGES=(
  libgtest-dev libxml2-utils clang-format
  clang libclang-rt-14-dev valgrind
  "${TENVOR_PACKAGE_PACKAGES[@]}" lintian
)

# What the benchmark needs in addition (bench/run.sh, bench/profile.sh): Python for the harness
# and the report (bench/harness.py, bench/report.py), xmllint, unzip and /usr/bin/time to measure
# with, gnuplot for the plot, valgrind for the profile.
TENVOR_BENCH_PACKAGES=(
  libxml2-utils time python3 unzip gnuplot-nox valgrind
)

# What the Windows cross-build needs in addition (scripts/build-windows.sh): the MinGW-w64
# compilers with POSIX threads, Ninja for the Qt build, dpkg-dev for apt-get source, Wine to run
# the Windows tests, localedef's Japanese locale for them, zip for the package, wixl and msitools
# for the installer (scripts/make-msi.sh), GoogleTest's and CLI11's sources, and Qt's Japanese
# translation shipped beside the program. The host's Qt tools (moc, rcc, uic) come with
# qt6-base-dev.
TENVOR_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  wine wine64
  dpkg-dev zip locales ninja-build wixl msitools
  qt6-base-dev qt6-base-dev-tools
  googletest libcli11-dev qt6-translations-l10n fonts-ipafont-gothic
  unzip xvfb x11-utils xdotool imagemagick
)
