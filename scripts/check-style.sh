#!/usr/bin/env bash
# The tree is formatted by .clang-format and clean for the checks of .clang-tidy. Takes a
# build folder with compile_commands.json (the default preset's); tidy reads every
# source file of src/ that it compiles, two at a time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}

find src tests bench fuzz \( -name '*.cpp' -o -name '*.hpp' \) -print0 |
    xargs -0 clang-format --dry-run -Werror

python3 - "$build/compile_commands.json" <<'PY' | xargs -0 -n 8 -P 2 \
    clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option
import json, sys
files = sorted({e["file"] for e in json.load(open(sys.argv[1]))
                if "/src/" in e["file"] and "_autogen" not in e["file"]})
sys.stdout.write("\0".join(files))
PY
echo "format and tidy: clean"
