# Sourced by the scripts of this folder: the Wine environment of the build tree, its driver, and
# the failure count that decides the script's exit status. Usage of a script: <win32 build folder>.
set -uo pipefail
ROOT=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../.." && pwd)
BUILD=${1:-$ROOT/build/win32}
. "$ROOT/scripts/wine-env.sh"
uninst_ensure_wine

DRIVER="$BUILD/e2e/driver.exe"
drv() { wine "$DRIVER" "$@" 2>/dev/null </dev/null | tr -d '\r'; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
