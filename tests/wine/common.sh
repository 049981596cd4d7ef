# Sourced by the scripts of this folder: the Wine environment of the build tree, its driver, and
# the failure count that decides the script's exit status. Usage of a script: <Windows build folder> (build/win32, or build/win64 on the 64-bit route).
set -uo pipefail
ROOT=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../.." && pwd)
. "$ROOT/scripts/wine-env.sh"
uninst_choose_route || { echo "$UNINST_WIN_ROUTE" >&2; exit 1; }
BUILD=${1:-$UNINST_WIN_BUILD}
uninst_ensure_wine

DRIVER="$BUILD/e2e/driver.exe"
drv() { wine "$DRIVER" "$@" 2>/dev/null </dev/null | tr -d '\r'; }

# A relay-trace line of a call made by the program's own code: its return address lies in the
# program's image, at 0x00400000 in a 32-bit build and 0x140000000 in a 64-bit one (MinGW's
# defaults). Wine's own libraries make many of the same calls.
OWN_CALL_RE=' ret=(004|1400)[0-9a-f]+$'

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A text (UTF-8) as the relay trace prints it: code page 932 bytes for an ANSI call ("..."), UTF-16
# code units for a wide one (L"..."); printable ASCII as it is, the rest escaped.
quoted() {
  local kind=$1 text=$2
  if [ "$kind" = A ]; then
    printf '%s' "$text" | iconv -f UTF-8 -t CP932 | od -An -v -tu1 |
      awk 'BEGIN { printf "\"" } { for (i = 1; i <= NF; i++) {
             b = $i; if (b == 92) printf "\\\\"; else if (b == 34) printf "\\\"";
             else if (b >= 32 && b < 127) printf "%c", b; else printf "\\x%02x", b } } END { printf "\"" }'
  else
    printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tu2 --endian=little |
      awk 'BEGIN { printf "L\"" } { for (i = 1; i <= NF; i++) {
             u = $i; if (u == 92) printf "\\\\"; else if (u == 34) printf "\\\"";
             else if (u >= 32 && u < 127) printf "%c", u; else printf "\\%04x", u } } END { printf "\"" }'
  fi
}

# The threads of a relay trace that loaded the executable whose path holds the text given (as the
# trace prints paths, every backslash doubled), one per line.
# Usage: threads_of <text> <trace>
threads_of() {
  EXE=$1 awk 'index($0, ":trace:loaddll:") && index(tolower($0), tolower(ENVIRON["EXE"])) { print substr($0, 1, index($0, ":") - 1) }' "$2" | sort -u
}

# The calls that the given threads' own code made into the given DLLs, one per line: the function,
# every text it was given, then the arguments that ARGS names for it by position (for example
# "RegOpenKeyExA:3,4 RegEnumKeyExA:2").
# Usage: relay_calls <trace> <DLLs as an awk pattern: "user32|gdi32"> <threads> [ARGS]
relay_calls() {
  THREADS=$(tr '\n' ' ' <<<"$3") ARGS=${4:-} awk -v own="$OWN_CALL_RE" -v dlls="$2" '
    BEGIN {
      n = split(ENVIRON["THREADS"], t, " "); for (i = 1; i <= n; i++) mine[t[i]] = 1
      n = split(ENVIRON["ARGS"], a, " "); for (i = 1; i <= n; i++) { split(a[i], p, ":"); wanted[p[1]] = p[2] }
    }
    match($0, "^[0-9a-f]+:Call (" dlls ")\\.[A-Za-z]+\\(") {
      tid = substr($0, 1, index($0, ":") - 1)
      if (!(tid in mine) || $0 !~ own) next
      rest = substr($0, index($0, ".") + 1)
      name = substr(rest, 1, index(rest, "(") - 1); line = name
      args = substr(rest, index(rest, "(") + 1); texts = args
      while (match(texts, /L?"([^"\\]|\\.)*"/)) { line = line " " substr(texts, RSTART, RLENGTH); texts = substr(texts, RSTART + RLENGTH) }
      if (name in wanted) {
        split(args, values, ","); k = split(wanted[name], positions, ",")
        for (i = 1; i <= k; i++) line = line " " values[positions[i]]
      }
      print line
    }' "$1" | tr -d '\r'
}

# Sets a string value through Wine's reg tool and reads it back. A reg that did not run (Wine under
# load now and then loses a process while it starts) would leave the setting unmade without a
# word, and the check would then run under other conditions than it says (another Windows
# version, say): tried three times, false when the value is still not there.
# Usage: set_string <key> <name> <data>
set_string() {
  local key=$1 name=$2 data=$3 try
  for try in 1 2 3; do
    wine reg add "$key" /v "$name" /d "$data" /f >/dev/null 2>&1 </dev/null
    wine reg query "$key" /v "$name" 2>/dev/null </dev/null | tr -d '\r' |
      NAME=$name DATA=$data awk '$1 == ENVIRON["NAME"] && $2 == "REG_SZ" && $3 == ENVIRON["DATA"] { found = 1 } END { exit !found }' &&
      return 0
    echo "set_string: $key\\$name is not $data after try $try" >&2
  done
  return 1
}

# Installs the sample product PRODUCT with a mutex name (the driver's install-sample) and prints its
# folder (with its trailing "\"); false, having said why on standard error, when it cannot be.
# Usage: install_sample <product> [GUID]
install_sample() {
  local installed folder
  drv remove-sample --product "$1" >/dev/null
  installed=$(drv install-sample --product "$1" ${2:+--guid "$2"}) || { echo "the sample $1 could not be installed" >&2; return 1; }
  folder=$(sed -n 's/^installed \(.*\\\) HKLM.*/\1/p' <<<"$installed")
  [ -n "$folder" ] || { echo "no folder in: $installed" >&2; return 1; }
  echo "$folder"
}

# Runs an interactive uninstall under the relay trace: starts PROGRAM as Add/Remove Programs does,
# with the environment given, its trace going to the file TRACE; presses Uninstall in the copy's
# window and closes the outcome box, then waits for the copy to end. Counts a failure, saying which
# step did not happen, and is false then.
# Usage: uninstall_traced <label> <trace> <program> [VAR=VALUE...]
uninstall_traced() {
  local label=$1 trace=$2 program=$3 hwnd pid
  shift 3
  env "$@" WINEDEBUG=-all,+relay,+loaddll wine "$program" >"$trace" 2>&1 </dev/null
  if ! read -r hwnd pid < <(drv wait-window --class TfrmMain --timeout 60); then
    fail "$label: no main window"
    return 1
  fi
  drv settle --hwnd "$hwnd" >/dev/null
  drv click --hwnd "$hwnd" --id 1002 >/dev/null
  drv msgbox-wait --pid "$pid" --title "Korvane Uninstaller" --timeout 60 >/dev/null || fail "$label: no outcome box"
  drv msgbox-ok --pid "$pid" --title "Korvane Uninstaller" >/dev/null
  drv wait-exit --pid "$pid" >/dev/null || { fail "$label: the copy did not end"; return 1; }
  grep -q 'load_list L"RelayInclude"' "$trace" || { fail "$label: no relay trace was written"; return 1; }
}

# Says that the calls made are the ones expected, or counts a failure and shows the difference
# (< expected, > made).
# Usage: expect_calls <label> <what the calls are> <expected> <made>
expect_calls() {
  if [ "$3" = "$4" ]; then
    echo "$1: $(wc -l <<<"$4") $2, as expected"
  else
    fail "$1: the $2 differ from the expected ones (< expected, > made)"
    diff <(echo "$3") <(echo "$4") | grep '^[<>]'
  fi
}
