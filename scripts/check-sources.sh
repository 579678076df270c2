#!/usr/bin/env bash
# Checks that keep the sources as the project wants them; run by CTest.
#   scripts/check-sources.sh format     every C++ file is as clang-format writes it
#   scripts/check-sources.sh layering   every include of src/ follows the dependency rule
# Lists each offending file (with the includes that break the rule) and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# The project's C++ sources: what git tracks, or everything below the source folders outside a
# checkout.
sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -co --exclude-standard -- '*.cpp' '*.h' | while read -r f; do [ -f "$f" ] && echo "$f"; done
  else
    find src tests tools fuzz bench -name '*.cpp' -o -name '*.h'
  fi
}

# The folders of src/ in dependency order: each may include from itself and from the folders
# before it. The core ends with run/; cli/, ui/ and app/ are front ends on the whole core.
core=(platform shared forms state diag convert package run)
allowed_for() {
  local folder="$1" i
  for i in "${!core[@]}"; do
    if [ "${core[$i]}" = "$folder" ]; then
      echo "${core[@]:0:$((i + 1))}"
      return
    fi
  done
  case "$folder" in
    cli) echo "${core[@]} cli" ;;
    ui) echo "${core[@]} ui" ;;
    app) echo "${core[@]} ui app" ;;
    *) echo "" ;;
  esac
}

check_format() {
  local bad=0 file
  while read -r file; do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
      echo "not formatted: $file (clang-format -i $file)"
      bad=1
    fi
  done < <(sources)
  return $bad
}

check_layering() {
  local bad=0 file folder allowed included target
  while read -r file; do
    folder="${file#src/}"
    folder="${folder%%/*}"
    allowed=" $(allowed_for "$folder") "
    if [ "$allowed" = "  " ]; then
      echo "$file: src/$folder/ is not a known folder; add it to scripts/check-sources.sh"
      bad=1
      continue
    fi
    while read -r included; do
      target="${included%%/*}"
      if [ "$target" = "$included" ]; then
        continue  # a header of no folder: the generated version header
      fi
      if [[ "$allowed" != *" $target "* ]]; then
        echo "$file: src/$folder/ may not include \"$included\""
        bad=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  done < <(sources | grep '^src/')
  return $bad
}

case "${1:-}" in
  format) check_format ;;
  layering) check_layering ;;
  *) echo "usage: $0 format|layering" >&2; exit 2 ;;
esac
