#!/usr/bin/env bash
# Builds the release preset and runs every benchmark, then the headless throughput run.
# Results go to standard output; pass --benchmark_filter=... to narrow them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
cmake --preset release > /dev/null
cmake --build --preset release
for binary in build/release/bench/kelmar_bench_*; do
    echo "== $(basename "$binary")"
    "$binary" --benchmark_counters_tabular=true "$@"
done
echo "== headless throughput"
bash bench/headless_throughput.sh build/release/kelmar-sim 1000
