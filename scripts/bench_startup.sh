#!/usr/bin/env bash
# Start-up speed under Wine: the installed uninstaller, started without arguments, until its
# temporary copy's main window is visible, against a minimal program that relaunches the same
# way and does the same required work (the uninstaller's manifest with visual styles and version 6
# common controls, COM in both processes). Prints the median ratio (goal <= 1.25), for
# information also against a bare minimal program without manifest and COM, the program's size
# and its imported DLLs.
# Run after a build of the win32 preset: scripts/bench_startup.sh [runs]
set -euo pipefail
ROOT=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
# A process start under Wine varies by tens of milliseconds from one start to the next: enough
# runs keep the medians, and so the ratio, steady.
RUNS=${1:-31}
. "$ROOT/scripts/wine-env.sh"
uninst_choose_route || { echo "bench_startup: $UNINST_WIN_ROUTE" >&2; exit 1; }
echo "$UNINST_WIN_ROUTE"
BUILD=$UNINST_WIN_BUILD
EXE="$BUILD/Uninst.exe"
TIMER="$BUILD/bench/startup/startup_timer.exe"
MINIMAL="$BUILD/bench/startup/minimal_relaunch.exe"
BARE="$BUILD/bench/startup/minimal_relaunch_bare.exe"
for f in "$EXE" "$TIMER" "$MINIMAL" "$BARE"; do
  [ -f "$f" ] || { echo "bench_startup: $f is missing; build the Windows preset of this route first" >&2; exit 1; }
done

uninst_ensure_wine
# The display and the Wine server started here end with the benchmark.
trap 'uninst_stop_wine' EXIT

winpath() { printf 'Z:%s' "${1//\//\\}"; }
OUT="$UNINST_STATE_DIR/bench_startup.out"
wine "$TIMER" "$RUNS" "$(winpath "$EXE")" "$(winpath "$MINIMAL")" "$(winpath "$BARE")" >"$OUT" 2>&1 </dev/null || {
  cat "$OUT"; echo "bench_startup: the timer failed" >&2; exit 1; }
tr -d '\r' <"$OUT"

# The size goal: 210 KB, reached by leaving out what the program does not use (never by packing
# the file, which would also hide the appended block).
# Size and imports are those of the shipped 32-bit executable, whichever build was timed.
SIZE_GOAL=215040
SHIPPED="$ROOT/build/win32/Uninst.exe"
size=$(stat -c %s "$SHIPPED")
echo "size: $size bytes (the shipped Uninst.exe, goal <= $SIZE_GOAL); minimal program $(stat -c %s "$MINIMAL") bytes"
echo "imports: $(LC_ALL=C i686-w64-mingw32-objdump -p "$SHIPPED" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
[ "$size" -le "$SIZE_GOAL" ] || { echo "bench_startup: Uninst.exe is larger than its goal" >&2; exit 1; }
