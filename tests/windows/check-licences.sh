#!/usr/bin/env bash
# Every part of the Windows edition has its licence notice in the zip's licenses\ folder:
#   tests/windows/check-licences.sh ZIP BUILD_DIR
# BUILD_DIR is the Windows build the zip came from; its link maps (BUILD_DIR/link-maps/*.map,
# written by the linker for each program) name every library and object file linked into the
# programs. res/windows/licence-notices.txt says which notice covers what. Fails, naming what to
# add there, on:
#   - a DLL in the zip that the table does not name;
#   - a DLL that a program or DLL of the zip imports and that is neither in the zip nor a DLL of
#     Windows named in the table (it would be missing on a user's machine, and have no notice);
#   - a library or object file in a link map from outside the build that the table does not
#     cover (by its file name for the dependency build, by its Debian package otherwise);
#   - a notice the table names that licenses\ lacks or holds empty;
#   - a licence text that a notice names as /usr/share/common-licenses/NAME or
#     ..\common-licenses\NAME.txt and that licenses\common-licenses\ lacks.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
[ $# -eq 2 ] || { echo "usage: $0 ZIP BUILD_DIR" >&2; exit 2; }
zip="$(realpath "$1")"
build="$(realpath "$2")"
table="$root/res/windows/licence-notices.txt"
# The dependency build's prefix: as the build was configured, else the toolchain file's default.
prefix="$(sed -n 's/^TENVOR_WINDOWS_PREFIX:[A-Z]*=//p' "$build/CMakeCache.txt")"
prefix="$(realpath -m "${prefix:-${TENVOR_WINDOWS_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/tenvor-windows/prefix}}")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && unzip -q "$zip")
app="$(ls -d "$work"/Tenvor-*-win64)"
licences="$app/licenses"

problems=()
problem() { problems+=("$*"); }
notices_used=(Tenvor)

# The table's rows of one kind: "NAME NOTICE".
rows() { awk -v kind="$1" '$1 == kind { print $2, $3 }' "$table"; }
# The notice of NAME among the rows of KIND (a name may be a pattern with *); empty when none.
notice_of() {
  local kind="$1" name="$2" pattern notice
  while read -r pattern notice; do
    # shellcheck disable=SC2053  # the table's names are patterns
    if [[ "${name,,}" == ${pattern,,} ]]; then
      echo "$notice"
      return
    fi
  done < <(rows "$kind")
}

# The DLLs in the zip.
declare -A shipped=()
while IFS= read -r -d '' dll; do
  name="$(basename "$dll")"
  shipped["${name,,}"]=1
  notice="$(notice_of dll "$name")"
  if [ -z "$notice" ]; then
    problem "the zip ships ${dll#"$app/"}, which $table does not name (add: dll $name NOTICE)"
  else
    notices_used+=("$notice")
  fi
done < <(find "$app" -iname '*.dll' -print0)

# What the programs and DLLs import.
while IFS= read -r -d '' binary; do
  while read -r imported; do
    if [ -z "${shipped[${imported,,}]:-}" ] && [ -z "$(notice_of system "$imported")" ]; then
      problem "${binary#"$app/"} imports $imported, which is neither in the zip nor a DLL of Windows in $table"
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
done < <(find "$app" \( -iname '*.exe' -o -iname '*.dll' \) -print0)

# What the programs are linked from: the archives whose members the linker took, and the object
# files it loaded.
maps=("$build"/link-maps/*.map)
[ -f "${maps[0]}" ] || problem "no link maps in $build/link-maps (the Windows build writes them)"
for map in "${maps[@]}"; do
  [ -f "$map" ] || continue
  while IFS= read -r input; do
    [[ "$input" == /* ]] || input="$build/$input"  # the linker ran in the build folder
    real="$(realpath -m "$input")"
    name="$(basename "$real")"
    case "$real" in
      "$build"/*) continue ;;  # Tenvor's own code
      "$prefix"/*)
        notice="$(notice_of prefix "$name")"
        [ -n "$notice" ] || problem "$(basename "$map" .map) links $real of the dependency build, which $table does not cover (add: prefix $name NOTICE)"
        ;;
      *)
        package="$(dpkg -S "$real" 2>/dev/null | head -n1 | cut -d: -f1 || true)"
        notice="${package:+$(notice_of package "$package")}"
        [ -n "$notice" ] || problem "$(basename "$map" .map) links $real (Debian package ${package:-unknown}), which $table does not cover (add: package ${package:-PACKAGE} NOTICE)"
        ;;
    esac
    [ -z "${notice:-}" ] || notices_used+=("$notice")
  done < <(awk '
    /^Archive member included/ { archives = 1; next }
    /^(Discarded input sections|Memory Configuration|Allocating common symbols)/ { archives = 0 }
    archives && /^[^ \t]/ { sub(/\(.*/, ""); print }
    /^LOAD / && $2 !~ /\.a$/ && $2 ~ /^\// { print $2 }' "$map" | sort -u)
done

# Every notice used is there and not empty.
for notice in $(printf '%s\n' "${notices_used[@]}" | sort -u); do
  if [ ! -d "$licences/$notice" ] || [ -z "$(find "$licences/$notice" -type f -size +0)" ]; then
    problem "licenses\\$notice is missing or empty (its files are gathered in cmake/WindowsLicences.cmake)"
  fi
done

# Every licence text a notice refers to is there.
while IFS= read -r name; do
  name="${name%.txt}"
  [ -f "$licences/common-licenses/$name.txt" ] ||
    problem "a notice refers to the licence $name, which licenses\\common-licenses lacks"
done < <(grep -rhoaE 'common-licenses[/\\][A-Za-z0-9_.+-]*[A-Za-z0-9_+]' "$licences" | sed 's/^common-licenses.//' | sort -u)

if [ ${#problems[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${problems[@]}"
  echo "${#problems[@]} licence problem(s) in $(basename "$zip")"
  exit 1
fi
echo "ok: every DLL, import and linked library of $(basename "$zip") has its notice:" \
  "$(printf '%s\n' "${notices_used[@]}" | sort -u | tr '\n' ' ')"
