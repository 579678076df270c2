#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh
ensure_packages "${TENVOR_BUILD_PACKAGES[@]}" "${TENVOR_TEST_PACKAGES[@]}"

jobs="$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTENVOR_BUILD_TESTS=ON >/dev/null
cmake --build build --parallel "$jobs"
cd build
ctest --output-on-failure --parallel "$jobs"
