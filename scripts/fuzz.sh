#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UBSan) in build/fuzz and runs each.
#   scripts/fuzz.sh [seconds]   run each target for that long (default 60)
#   scripts/fuzz.sh --quick     about 10 s each (./dev test)
#   scripts/fuzz.sh SECONDS TARGET...   only the targets named
# The committed seeds and regression inputs (tests/fuzz/corpus/<target>) run first; new inputs
# go to build/fuzz/corpus/<target>. Exits non-zero on any finding; the crashing input is left in
# build/fuzz/artifacts/<target>/ (keep it as a regression input in tests/fuzz/corpus/<target>/).
# Prints the runs and runs per second of each target. The targets work in memory; a run that
# leaves anything in its private temporary folder fails.
set -uo pipefail
ROOT=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
BUILD="$ROOT/build/fuzz"
SECONDS_EACH=60
case "${1:-}" in
  --quick) SECONDS_EACH=10 ;;
  '') ;;
  *[!0-9]*) echo "usage: fuzz.sh [--quick | seconds]" >&2; exit 2 ;;
  *) SECONDS_EACH=$1 ;;
esac
# Every tests/fuzz/fuzz_<name>.cpp is a target, as tests/fuzz/CMakeLists.txt builds them.
TARGETS=()
for source in "$ROOT"/tests/fuzz/fuzz_*.cpp; do TARGETS+=("$(basename "$source" .cpp)"); done
if [ $# -gt 1 ]; then
  shift
  for target in "$@"; do
    [ -f "$ROOT/tests/fuzz/$target.cpp" ] || { echo "fuzz: no target $target" >&2; exit 2; }
  done
  TARGETS=("$@")
fi

mkdir -p "$BUILD"
if ! { cmake -S "$ROOT/tests/fuzz" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
         -DCMAKE_BUILD_TYPE=Debug >"$BUILD/configure.log" 2>&1 &&
       cmake --build "$BUILD" >"$BUILD/build.log" 2>&1; }; then
  cat "$BUILD/configure.log" "$BUILD/build.log" 2>/dev/null | tail -n 40
  echo "fuzz: build failed" >&2
  exit 1
fi

# No allocation stacks and a small quarantine: a finding still reports where it happened
# (rerun its input without these options for the allocation's stack), at far more runs a second.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}

status=0
for target in "${TARGETS[@]}"; do
  seeds="$ROOT/tests/fuzz/corpus/$target"
  work="$BUILD/corpus/$target"
  artifacts="$BUILD/artifacts/$target"
  tmp="$BUILD/tmp/$target"
  log="$BUILD/$target.log"
  rm -rf "$tmp"
  mkdir -p "$work" "$artifacts" "$tmp" "$seeds"
  dict=()
  [ -f "$ROOT/tests/fuzz/$target.dict" ] && dict=(-dict="$ROOT/tests/fuzz/$target.dict")
  TMPDIR="$tmp" "$BUILD/$target" -max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=2048 \
    -max_len=1048576 "${dict[@]}" -artifact_prefix="$artifacts/" -print_final_stats=1 "$work" "$seeds" >"$log" 2>&1
  rc=$?
  runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || true)
  took=$(grep -Eo '^Done [0-9]+ runs in [0-9]+ second' "$log" | grep -Eo '[0-9]+ second' | grep -Eo '[0-9]+' || true)
  rate="?"
  [ -n "${runs:-}" ] && [ -n "${took:-}" ] && [ "$took" -gt 0 ] && rate=$((runs / took))
  left=$(find "$tmp" -mindepth 1 | head -n 3)
  if [ "$rc" -eq 0 ] && [ -z "$left" ]; then
    echo "fuzz: $target: no finding in ${SECONDS_EACH}s: ${runs:-?} runs, ${rate} runs/s"
  elif [ "$rc" -eq 0 ]; then
    status=1
    echo "fuzz: $target: left files in its temporary folder: $left" >&2
  else
    status=1
    echo "fuzz: $target: FINDING (exit $rc) after ${runs:-?} runs; log $log" >&2
    grep -E 'ERROR|SUMMARY|==[0-9]+==|runtime error|Test unit written' "$log" | head -n 20 >&2
  fi
  rm -rf "$tmp"
done
exit "$status"
