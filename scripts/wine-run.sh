#!/usr/bin/env bash
# Runs a Windows program under Wine in a throwaway prefix kept inside the build tree
# (or KELMAR_WINEPREFIX), quietly, and passes its exit status back. Used by CMake as the
# emulator of the Windows build, so ctest runs the .exe files.
set -euo pipefail

loader=/usr/lib/wine/wine64
if [ ! -x "$loader" ]; then
    loader=$(command -v wine64 || command -v wine)
fi

prefix=${KELMAR_WINEPREFIX:-${WINEPREFIX:-}}
if [ -z "$prefix" ]; then
    prefix="${TMPDIR:-/tmp}/kelmar-wine-$(id -u)"
fi
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Windows open on no display, unless a test of the window asks to keep its own.
if [ -z "${KELMAR_WINE_KEEP_DISPLAY:-}" ]; then
    unset DISPLAY WAYLAND_DISPLAY
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # Several tests may start at once: only one creates the prefix.
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            "$loader" wineboot --init > /dev/null 2>&1 || true
            /usr/lib/wine/wineserver -w 2> /dev/null || true
        fi
    ) 9> "$WINEPREFIX.lock"
fi

# Tests start one after another, two at a time: a server that exits between two of them
# resets the connection of the one starting then, so it is kept for a minute after its
# last program ends. The first program of a server also starts Wine's own services, which
# keep that program's standard handles open for the server's whole life: had a test
# started them, whoever reads its output (ctest, a pipe) would wait that minute too. So a
# new server is started, and its services brought up, by a program with no output.
server_id=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
server_running() {
    compgen -G "/tmp/wine-*/$server_id/socket" > /dev/null ||
        compgen -G "/tmp/.wine-$(id -u)/$server_id/socket" > /dev/null
}
if ! server_running; then
    (
        flock 9
        if ! server_running; then
            /usr/lib/wine/wineserver -p60 < /dev/null > /dev/null 2>&1 || true
            "$loader" cmd.exe /c exit 0 < /dev/null > /dev/null 2>&1 || true
        fi
    ) 9> "$WINEPREFIX.lock"
fi

exec "$loader" "$@"
