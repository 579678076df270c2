#!/usr/bin/env bash
# The benchmark: bench/harness.py does all of it (build, inputs, rounds, checks, report).
#   bench/run.sh                    folders of 1,000, 10,000 and 50,000 files, the large notification
#   bench/run.sh zip tree ...       the ZIP package and the tree of folders
#   bench/run.sh --help             every case and option
exec python3 -B "$(dirname "${BASH_SOURCE[0]}")/harness.py" "$@"
