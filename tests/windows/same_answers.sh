#!/usr/bin/env bash
# Finds the Linux program to compare with (the default build's, or a small build of the
# program alone made here when there is none) and runs same_answers.py.
# Usage: same_answers.sh SOURCE_DIR BUILD_DIR WINE_RUNNER WINDOWS_PROGRAM
set -euo pipefail
source_dir=$1
build_dir=$2
linux_program=${KELMAR_LINUX_PROGRAM:-$source_dir/build/default/kelmar-sim}
if [ ! -x "$linux_program" ]; then
    reference="$build_dir/linux-reference"
    env -u CMAKE_TOOLCHAIN_FILE cmake -S "$source_dir" -B "$reference" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DKELMAR_BUILD_UI=OFF -DKELMAR_BUILD_TESTS=OFF > /dev/null
    cmake --build "$reference" --target kelmar-sim > /dev/null
    linux_program="$reference/kelmar-sim"
fi
exec python3 "$(dirname "$0")/same_answers.py" "$linux_program" "$3" "$4" "$source_dir/samples"
