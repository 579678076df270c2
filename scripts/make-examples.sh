#!/usr/bin/env bash
# Regenerates examples/ with the project's notification generator.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build --target tenvor-gen --parallel "$(nproc)" >/dev/null
rm -f examples/*.xml
build/tools/tenvor-gen examples --out examples
