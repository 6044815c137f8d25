#!/usr/bin/env bash
# Builds the fuzz targets with Clang and the sanitizers and runs each for the given
# number of seconds (default 60) on a copy of its seed corpus. Exits non-zero on a finding.
set -euo pipefail
seconds=${1:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r fuzz/corpus/xml "$work/corpus"
mkdir -p "$work/findings"
build/fuzz/xml_load_fuzzer "$work/corpus" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
    -timeout=10 -artifact_prefix="$work/findings/" -print_final_stats=1 2>&1 | tail -n 25
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
    mkdir -p build/fuzz-findings && cp "$work"/findings/* build/fuzz-findings/ 2>/dev/null || true
    echo "fuzzing found a problem; inputs kept in build/fuzz-findings"
fi
exit "$status"
