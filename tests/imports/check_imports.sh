#!/usr/bin/env bash
# Import audit: every function that an executable imports must be listed in the table of what
# Windows 95/98/Me, NT 4.0, 2000 and XP export (allowed_imports.tsv beside this script), and the
# header fields that older loaders read must ask for nothing newer. Wine exports every function
# of every Windows version, so a test run under Wine can never show this.
#   check_imports.sh EXE...   exits 1 and names every import not in the table
set -uo pipefail
HERE=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
TABLE="$HERE/allowed_imports.tsv"
OBJDUMP=${OBJDUMP:-i686-w64-mingw32-objdump}
# objdump translates its headings; the parsing below reads the English ones.
export LC_ALL=C LANGUAGE=C

[ $# -gt 0 ] || { echo "usage: check_imports.sh EXE..." >&2; exit 2; }
[ -f "$TABLE" ] || { echo "check_imports: $TABLE is missing" >&2; exit 2; }

# "dll<TAB>function" of every import, DLL names in upper case (the table's spelling).
imports_of() {
  "$OBJDUMP" -p "$1" | awk '
    /^The Import Tables/ { inside = 1; next }
    /^[A-Z]/ { inside = 0; dll = "" }
    !inside { next }
    /^[ \t]*DLL Name:/ { dll = toupper($3); next }
    dll != "" && /^\t[0-9a-f]+\t/ { print dll "\t" $NF }'
}

# The value of one header field as objdump prints it ("MajorSubsystemVersion 4").
header_field() { "$OBJDUMP" -p "$1" | awk -v f="$2" '$1 == f { print $2; exit }'; }

allowed=$(grep -v '^#' "$TABLE" | awk -F'\t' 'NF >= 5 && $5 != "" { print toupper($1) "\t" $2 }' | sort -u)
status=0
for exe in "$@"; do
  name=$(basename "$exe")
  if [ ! -f "$exe" ]; then echo "$name: missing" >&2; status=1; continue; fi
  listed=$(imports_of "$exe" | sort -u)
  if [ -z "$listed" ]; then echo "$name: no import table found" >&2; status=1; continue; fi
  failed=0
  while IFS=$'\t' read -r dll fn; do
    [ -n "$fn" ] || continue
    echo "$name: imports $fn from $dll, which is not known to exist on Windows 95/98/Me, NT 4.0, 2000 and XP: load it at run time with GetProcAddress, or list it in allowed_imports.tsv with the source that shows it is there" >&2
    failed=1
  done < <(comm -23 <(printf '%s\n' "$listed") <(printf '%s\n' "$allowed"))
  # The loaders of Windows 95 and NT 4.0 refuse an image that asks for a later system.
  for check in MajorOSystemVersion:4 MinorOSystemVersion:0 MajorSubsystemVersion:4 MinorSubsystemVersion:0; do
    value=$(header_field "$exe" "${check%%:*}")
    if [ "$value" != "${check##*:}" ]; then
      echo "$name: ${check%%:*} is ${value:-absent}, not ${check##*:}" >&2; failed=1
    fi
  done
  # Kept on purpose: address space layout randomisation and DEP where the system offers them.
  flags=$(header_field "$exe" DllCharacteristics)
  if (( (16#${flags:-0} & 0x140) != 0x140 )); then
    echo "$name: DllCharacteristics ${flags:-absent} lacks DYNAMIC_BASE or NX_COMPAT" >&2; failed=1
  fi
  if [ "$failed" -eq 0 ]; then
    echo "$name: $(printf '%s\n' "$listed" | wc -l) imports, all on the floor; header fields as required"
  fi
  status=$((status | failed))
done
exit "$status"
