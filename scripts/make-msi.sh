#!/usr/bin/env bash
# Builds the installer of the Windows edition from its zip, so that both always hold the same
# files:
#   scripts/make-msi.sh ZIP MSI                    ZIP is dist/Tenvor-<version>-win64.zip
#   scripts/make-msi.sh --version X.Y ZIP MSI      the same files as version X.Y (for checking
#                                                  upgrades; the programs keep their own version)
# The fixed part of the installer is res/windows/tenvor.wxs; this script lists every file of the
# zip, in its folders, as a fragment beside it and builds both with wixl (msitools, WiX 3 subset).
#
# Two things wixl 0.101 does not do are done here:
# - it converts the installer's texts with the code page of the machine's locale, not the
#   package's 932, and fails or drops Japanese text under any other: WINDOWS_LANGUAGE=ja makes
#   that code page 932;
# - it leaves the database's code page neutral and writes language 1033 into the summary: msibuild
#   then sets code page 932 (_ForceCodepage) and the template x64;1041.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

version=""
if [ "${1:-}" = --version ]; then
  version="$2"
  shift 2
fi
if [ $# -ne 2 ]; then
  echo "Usage: $0 [--version X.Y] ZIP MSI" >&2
  exit 2
fi
zip="$(realpath "$1")"
msi="$(realpath -m "$2")"
for tool in wixl msibuild msiinfo unzip sha1sum; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (packages wixl, msitools, unzip)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/stage"
(cd "$work/stage" && unzip -q "$zip")
tops=("$work"/stage/*)
if [ ${#tops[@]} -ne 1 ] || [ ! -d "${tops[0]}" ]; then
  echo "$0: $zip does not hold one top folder" >&2
  exit 1
fi
stage="${tops[0]}"
[ -f "$stage/tenvor.exe" ] || { echo "$0: $zip has no tenvor.exe, which the Start menu entry starts" >&2; exit 1; }
if [ -z "$version" ]; then
  version="$(basename "$stage")"
  version="${version#Tenvor-}"
  version="${version%-win64}"
fi
[[ "$version" =~ ^[0-9]+\.[0-9]+$ ]] || { echo "$0: version $version is not MAJOR.MINOR" >&2; exit 1; }

wxs="$root/res/windows/tenvor.wxs"
upgrade_code="$(sed -n 's/.*UpgradeCode="\([0-9A-Fa-f-]*\)".*/\1/p' "$wxs")"
[ -n "$upgrade_code" ] || { echo "$0: no UpgradeCode in $wxs" >&2; exit 1; }

# A name-based UUID (version 5) in the namespace of the upgrade code: the same version always
# gets the same product code.
name_uuid() {
  local namespace="${1//-/}" hash variant
  hash="$({
    printf '%b' "$(sed 's/../\\x&/g' <<<"$namespace")"
    printf '%s' "$2"
  } | sha1sum | cut -c1-32)"
  variant="$(printf '%x' $(((0x${hash:16:1} & 0x3) | 0x8)))"
  hash="${hash:0:12}5${hash:13:3}${variant}${hash:17}"
  echo "${hash:0:8}-${hash:8:4}-${hash:12:4}-${hash:16:4}-${hash:20:12}" | tr 'a-f' 'A-F'
}
product_code="$(name_uuid "$upgrade_code" "Tenvor $version")"

# Text for an attribute value: XML's special characters escaped, and $ doubled (wixl's
# preprocessor reads $(...) as a variable).
attribute() {
  local text="$1"
  text="${text//&/&amp;}"
  text="${text//</&lt;}"
  text="${text//>/&gt;}"
  text="${text//\"/&quot;}"
  text="${text//\$/\$\$}"
  printf '%s' "$text"
}
# An identifier of the installer's tables, from a path inside the installation.
identifier() { printf '%s_%s' "$1" "$(printf '%s' "$2" | sha1sum | cut -c1-24)"; }

# The fragment: every file of the zip as a component of its own (its key is the file), in the
# folders of the zip, and the component group ProgramFiles of them all.
components=()
list_folder() {
  local folder="$1" relative="$2" indent="$3" entry name path id
  while IFS= read -r -d '' entry; do
    name="${entry##*/}"
    path="${relative:+$relative/}$name"
    if [ -d "$entry" ]; then
      echo "$indent<Directory Id=\"$(identifier d "$path")\" Name=\"$(attribute "$name")\">"
      list_folder "$entry" "$path" "$indent  "
      echo "$indent</Directory>"
    else
      id="$(identifier c "$path")"
      components+=("$id")
      echo "$indent<Component Id=\"$id\" Guid=\"*\" Win64=\"yes\">"
      echo "$indent  <File Id=\"$(identifier f "$path")\" Name=\"$(attribute "$name")\" Source=\"$(attribute "${entry#"$work/"}")\" KeyPath=\"yes\"/>"
      echo "$indent</Component>"
    fi
  done < <(find "$folder" -mindepth 1 -maxdepth 1 -print0 | LC_ALL=C sort -z)
}
{
  echo '<?xml version="1.0" encoding="utf-8"?>'
  echo "<!-- The files of $(basename "$zip"), made by scripts/make-msi.sh. -->"
  echo '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">'
  echo '  <Fragment>'
  echo '    <DirectoryRef Id="INSTALLDIR">'
  list_folder "$stage" "" "      "
  echo '    </DirectoryRef>'
  echo '    <ComponentGroup Id="ProgramFiles">'
  for id in "${components[@]}"; do
    echo "      <ComponentRef Id=\"$id\"/>"
  done
  echo '    </ComponentGroup>'
  echo '  </Fragment>'
  echo '</Wix>'
} >"$work/files.wxs"

# wixl finds files by paths relative to the folder it runs in (not by absolute paths).
cp "$root/res/windows/tenvor.ico" "$work/tenvor.ico"
export WINDOWS_LANGUAGE=ja
(cd "$work" && wixl --arch x64 -D ProductVersion="$version.0" -D ProductCode="$product_code" -D IconFile=tenvor.ico \
  -o tenvor.msi "$wxs" files.wxs)
package_code="$(msiinfo suminfo "$work/tenvor.msi" | sed -n 's/^Revision number (UUID): //p')"
printf '\n\n932\t_ForceCodepage\n' >"$work/_ForceCodepage.idt"
msibuild "$work/tenvor.msi" -i "$work/_ForceCodepage.idt" \
  -s "Tenvor $version" "Tenvor developers" "x64;1041" "$package_code"
mkdir -p "$(dirname "$msi")"
mv -f "$work/tenvor.msi" "$msi"
echo "$msi"
