#!/usr/bin/env bash
# Builds the libFuzzer targets (Clang, ASan, UBSan) and runs each for SECONDS seconds on
# one core, starting from the seed corpus. Exits non-zero when a target finds a crash,
# leak, sanitizer report or timeout; the failing input is left in build/fuzz/artifacts/.
# Inputs are loaded from memory, where no page boundary falls, so 4 KiB is long enough to
# reach every path (nesting past the 1024-level limit takes about 3 KiB) and keeps each
# run short.
#
#   bash scripts/run-fuzz.sh 60
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz -j2

mkdir -p build/fuzz/artifacts
status=0
for target in xml_load; do
    corpus="build/fuzz/corpus/${target%%_*}"
    mkdir -p "$corpus"
    echo "== ${target}_fuzzer for ${seconds} s"
    if ! "build/fuzz/${target}_fuzzer" "$corpus" "fuzz/corpus/${target%%_*}" \
        -dict=fuzz/xml.dict -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=4096 -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/; then
        status=1
    fi
done
exit $status
