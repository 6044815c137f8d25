#!/usr/bin/env bash
# Installs, through apt-get, the packages that the given purposes need and this machine
# lacks; each purpose's list is scripts/deps/PURPOSE.txt:
#
#   build       compiler and build tools
#   tests       GoogleTest and Python for the test suite
#   window      Qt for the operator window
#   bench       Google Benchmark and the XML libraries measured against
#   fuzz        Clang and libFuzzer
#   screenshot  a virtual display and the tools to capture the window
#   windows-window  a virtual display and Wine's fonts for the Windows window's test
#
#   bash scripts/install-deps.sh build tests window
#
# With no purpose, installs them all. Safe to run again: installs nothing when all is there.
set -euo pipefail
lists="$(cd "$(dirname "$0")" && pwd)/deps"

purposes=("$@")
if [ ${#purposes[@]} -eq 0 ]; then
    for list in "$lists"/*.txt; do
        purposes+=("$(basename "$list" .txt)")
    done
fi

packages=()
for purpose in "${purposes[@]}"; do
    list="$lists/$purpose.txt"
    if [ ! -f "$list" ]; then
        echo "install-deps: no package list for '$purpose' (see $lists)" >&2
        exit 2
    fi
    while read -r package; do
        case "$package" in '' | '#'*) continue ;; esac
        packages+=("$package")
    done < "$list"
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
