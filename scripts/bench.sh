#!/usr/bin/env bash
# Runs the benchmarks (./dev bench, after the build) and prints their ratios.
# Each part is a function; the script fails when any part's ratio is out of bounds.
set -uo pipefail
ROOT=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)

# Appended data, native and optimised (preset bench; the sanitizer tree would measure the sanitizers):
# reading the block of a 1 MiB and a 256 MiB file, and DecompressBuffer against zlib's uncompress.
bench_appended() {
  local build="$ROOT/build/bench"
  mkdir -p "$build/data"
  if ! { (cd "$ROOT" && cmake --preset bench) >"$build/configure.log" 2>&1 &&
         (cd "$ROOT" && cmake --build --preset bench) >"$build/build.log" 2>&1; }; then
    tail -n 40 "$build/configure.log" "$build/build.log"
    echo "bench: building appended_bench failed" >&2
    return 1
  fi
  local rc
  # Repetitions run interleaved in random order, so that load from elsewhere on the machine falls
  # on both sides of a ratio alike; each side keeps its fastest repetition.
  UNINST_BENCH_DIR="$build/data" "$build/bench/appended_bench" --benchmark_min_time=0.1 \
    --benchmark_enable_random_interleaving=true --benchmark_color=false | tee "$build/appended_bench.log"
  rc=${PIPESTATUS[0]}
  # The large sample file is sparse, but keep nothing behind that a disk usage tool would count.
  rm -f "$build/data"/block_*.bin
  echo "== appended-data ratios"
  grep '^RATIO' "$build/appended_bench.log"
  return "$rc"
}

# Start-up under Wine: the installed uninstaller until its temporary copy's window shows, against a
# minimal program doing the same relaunch; also the program's size and imports.
bench_startup() {
  [ -x "$ROOT/scripts/bench_startup.sh" ] || return 0
  echo "== start-up under Wine"
  "$ROOT/scripts/bench_startup.sh"
}

status=0
bench_appended || status=1
bench_startup || status=1
exit "$status"
