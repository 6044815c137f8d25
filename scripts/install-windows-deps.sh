#!/usr/bin/env bash
# Installs, through apt-get, what the Windows build needs: the MinGW-w64 cross compiler
# with POSIX threads, Wine to run the tests, NSIS for the installer, zip for the
# portable archive, the GoogleTest sources built with the cross compiler, and a virtual
# display and the Windows fonts for the test and the picture of the window.
set -euo pipefail

packages=(
    cmake ninja-build googletest
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    wine64 nsis zip unzip python3
    xvfb xauth fonts-wine
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
