#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UBSan) in build/fuzz and runs each.
#   scripts/fuzz.sh [seconds]   run each target for that long (default 60)
#   scripts/fuzz.sh --quick     about 20 s each (./dev test)
# The committed seeds and regression inputs (tests/fuzz/corpus/<target>) run first; new inputs
# go to build/fuzz/corpus/<target>. Exits non-zero on any finding; the crashing input is left in
# build/fuzz/artifacts/<target>/ (keep it as a regression input in tests/fuzz/corpus/<target>/).
set -uo pipefail
ROOT=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
BUILD="$ROOT/build/fuzz"
SECONDS_EACH=60
case "${1:-}" in
  --quick) SECONDS_EACH=20 ;;
  '') ;;
  *[!0-9]*) echo "usage: fuzz.sh [--quick | seconds]" >&2; exit 2 ;;
  *) SECONDS_EACH=$1 ;;
esac
TARGETS=(fuzz_ReadAppendedItems fuzz_PEImage)

mkdir -p "$BUILD"
if ! { cmake -S "$ROOT/tests/fuzz" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
         -DCMAKE_BUILD_TYPE=Debug >"$BUILD/configure.log" 2>&1 &&
       cmake --build "$BUILD" >"$BUILD/build.log" 2>&1; }; then
  cat "$BUILD/configure.log" "$BUILD/build.log" 2>/dev/null | tail -n 40
  echo "fuzz: build failed" >&2
  exit 1
fi

status=0
for target in "${TARGETS[@]}"; do
  seeds="$ROOT/tests/fuzz/corpus/$target"
  work="$BUILD/corpus/$target"
  artifacts="$BUILD/artifacts/$target"
  log="$BUILD/$target.log"
  mkdir -p "$work" "$artifacts"
  # Inputs are written to a temporary file per run; keep them off a slow disk when possible.
  "$BUILD/$target" -max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=2048 -malloc_limit_mb=64 -max_len=4096 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$work" "$seeds" >"$log" 2>&1
  rc=$?
  runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || true)
  if [ "$rc" -eq 0 ]; then
    echo "fuzz: $target: no finding in ${SECONDS_EACH}s (${runs:-?} runs)"
  else
    status=1
    echo "fuzz: $target: FINDING (exit $rc); log $log" >&2
    grep -E 'ERROR|SUMMARY|==[0-9]+==|runtime error|Test unit written' "$log" | head -n 20 >&2
  fi
done
exit "$status"
