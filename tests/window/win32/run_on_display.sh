#!/usr/bin/env bash
# Runs a Windows program under Wine on a virtual X display of its own, then stops the
# prefix's Wine server while the display still exists.
#
#   bash run_on_display.sh scripts/wine-run.sh build/windows/some_test.exe [arguments]
set -euo pipefail
runner=${1:?usage: run_on_display.sh WINE-RUNNER PROGRAM [ARGUMENTS]}
shift
export KELMAR_WINE_KEEP_DISPLAY=1
exec xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" bash -c '
    status=0
    "$@" || status=$?
    WINEPREFIX="$KELMAR_WINEPREFIX" /usr/lib/wine/wineserver -k 2> /dev/null || true
    exit $status
' run-on-display "$runner" "$@"
