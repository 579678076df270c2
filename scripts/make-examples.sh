#!/usr/bin/env bash
# Regenerates examples/ with the project's notification generator: one notification of every
# form and a few broken ones directly in examples/, and in examples/downloads/ a ZIP file as
# users download it (a cover letter and two notifications). Seeds and times are fixed, so a
# regenerated tree shows no change unless the generator (or the zlib the ZIP is deflated with)
# changed.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build --target tenvor-gen --parallel "$(nproc)" >/dev/null
rm -f examples/*.xml examples/downloads/*.zip
build/tools/tenvor-gen examples --out examples
