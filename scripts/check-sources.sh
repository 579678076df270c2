#!/usr/bin/env bash
# Checks that keep the sources as the project wants them; run by CTest.
#   scripts/check-sources.sh format     every C++ file is as clang-format writes it
#   scripts/check-sources.sh layering   every include of src/ follows the dependency rule, and
#                                       only src/platform/ sees the operating system
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
core=(platform shared forms state diag convert workbook package run)
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

# The operating system's headers, which only src/platform/ includes: the Windows API and the
# POSIX headers beyond the C and C++ standard libraries.
system_header='^#[[:space:]]*include[[:space:]]*<(windows|winbase|winnt|shellapi|shlobj|io|direct|unistd|fcntl|dirent|pwd|grp|poll|strings|sys/[^>]*)\.h>'
# The macros that tell one system from another, on a preprocessor line.
system_macro='^#.*\b(_WIN32|_WIN64|WIN32|__MINGW32__|_MSC_VER|__linux__|__unix__|__APPLE__)\b'

check_layering() {
  local bad=0 file folder allowed included target line
  while read -r file; do
    folder="${file#src/}"
    folder="${folder%%/*}"
    if [ "$folder" != platform ]; then
      # System calls belong in the platform layer; elsewhere the same code runs on every system.
      while read -r line; do
        echo "$file: only src/platform/ may include a system header or ask which system it is built for: $line"
        bad=1
      done < <({ grep -inE "$system_header" "$file"; grep -nE "$system_macro" "$file"; } || true)
    fi
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
