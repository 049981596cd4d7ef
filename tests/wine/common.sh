# Sourced by the scripts of this folder: the Wine environment of the build tree, its driver, and
# the failure count that decides the script's exit status. Usage of a script: <Windows build folder> (build/win32, or build/win64 on the 64-bit route).
set -uo pipefail
ROOT=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../.." && pwd)
. "$ROOT/scripts/wine-env.sh"
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
