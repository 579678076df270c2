#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest. Besides its own suite the
# normal build's CTest runs, as tests: the whole suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan), the run's tests built with ThreadSanitizer
# (build-tsan), the fuzz targets built with clang and libFuzzer (build-fuzz) for a short time
# each, valgrind on a conversion of the examples, and the checks of the sources themselves
# (formatting, the dependency rule). The normal build is the developers' strict one: the
# stricter warnings are errors there. Then the Windows stage (see below).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh
ensure_packages "${TENVOR_BUILD_PACKAGES[@]}" "${TENVOR_TEST_PACKAGES[@]}"

jobs="$(nproc)"
# -O1 as the sanitizers recommend (and half the compile time of -O2), line tables for the
# reports, and the standard library's own bounds checks on top.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -D_GLIBCXX_ASSERTIONS" \
  -DTENVOR_BUILD_TESTS=ON -DTENVOR_SANITIZE=address -DTENVOR_BUILD_GUI=OFF >/dev/null
cmake --build build-asan --parallel "$jobs"
# Only the run's tests: the read-ahead is the one place where threads meet.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DTENVOR_BUILD_TESTS=ON -DTENVOR_SANITIZE=thread -DTENVOR_BUILD_GUI=OFF >/dev/null
cmake --build build-tsan --parallel "$jobs" --target run_tests
CXX=clang++ cmake -S fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --parallel "$jobs"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTENVOR_BUILD_TESTS=ON -DTENVOR_STRICT_WARNINGS=ON \
  -DTENVOR_ASAN_BUILD_DIR="$PWD/build-asan" -DTENVOR_TSAN_BUILD_DIR="$PWD/build-tsan" \
  -DTENVOR_FUZZ_BUILD_DIR="$PWD/build-fuzz" >/dev/null
cmake --build build --parallel "$jobs"
(cd build && ctest --output-on-failure --parallel "$jobs")

# The Windows edition: cross-built with MinGW-w64 (the dependencies once, into a cache outside
# the work tree), its test programs run under Wine, then the zip checked as a user gets it, the
# licence notices checked against what it ships and links, and the installer installed, used,
# upgraded and removed.
# TENVOR_TEST_WINDOWS=0 leaves it out of a quick local run; CI always runs it.
if [ "${TENVOR_TEST_WINDOWS:-1}" != 0 ]; then
  started=$SECONDS
  scripts/build-windows.sh --with-tests
  (cd build-windows && ctest --output-on-failure --parallel "$jobs")
  tests/windows/check-zip.sh dist/Tenvor-*-win64.zip build/src/tenvor-cli build/tools/tenvor-gen
  tests/windows/check-licences.sh dist/Tenvor-*-win64.zip build-windows
  tests/windows/check-msi.sh dist/Tenvor-*-win64.msi dist/Tenvor-*-win64.zip build/src/tenvor-cli
  echo "The Windows stage took $((SECONDS - started)) s"
fi
