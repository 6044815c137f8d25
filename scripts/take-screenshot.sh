#!/usr/bin/env bash
# Takes the picture of the operator window for the README on a virtual display. The
# demo exchange folder lives under a neutral home directory (/home/operador), so the
# picture shows no folder of the machine it was taken on. One NF-e and one cancellation
# are answered first, so the status line shows a request with its numbers.
#
#   bash scripts/take-screenshot.sh build/default/kelmar-sim docs/window.png
set -euo pipefail
program=$(realpath "${1:?usage: take-screenshot.sh PROGRAM OUTPUT.png}")
output=$(realpath -m "${2:?usage: take-screenshot.sh PROGRAM OUTPUT.png}")
here=$(cd "$(dirname "$0")/.." && pwd)

home=/home/operador
created_home=""
if [ ! -e "$home" ]; then
    mkdir -p "$home"
    created_home=yes
fi
demo="$home/kelmar-sim"
if [ -e "$demo" ]; then
    echo "take-screenshot: $demo already exists; move it away first" >&2
    exit 1
fi
runtime=$(mktemp -d)
cleanup() {
    rm -rf "$demo" "$runtime"
    if [ -n "$created_home" ]; then
        rmdir "$home" 2>/dev/null || true
    fi
}
trap cleanup EXIT

bash "$here/scripts/prepare-demo.sh" "$demo" > /dev/null
cp "$here/samples/requests/42090112345678000190550010000000011000000010-nfe.xml" "$demo/nf_e/envio/"
cp "$here/samples/requests/42090112345678000190550010000000011000000010-ped-can.xml" "$demo/nf_e/envio/"

# The window runs for a few ticks, then its picture is taken by its title.
HOME="$home" XDG_RUNTIME_DIR="$runtime" xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" bash -c '
    cd "$1"
    "$2" --config config.ini &
    window=$!
    sleep 4
    status=0
    set -o pipefail
    xwd -silent -name "Simulador de Resposta do Kelmar" | convert xwd:- -strip "png:$3" || status=$?
    kill "$window"
    wait "$window" 2>/dev/null || true
    exit "$status"
' take-screenshot "$demo" "$program" "$output"
echo "Window picture: $output"
