#!/usr/bin/env bash
# Installs, through apt-get, whatever the build, the tests, the window and the benchmarks
# need and this machine lacks. Safe to run again: it installs nothing when all is there.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev libfuzzer-14-dev
    googletest libgtest-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libpugixml-dev libxml2-dev
    xvfb xauth x11-apps imagemagick fonts-dejavu-core
)

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
