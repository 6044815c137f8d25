#!/usr/bin/env bash
# Takes the picture of the Windows program's window for the README: the .exe runs under
# Wine in a virtual desktop (so the window has its Windows frame) on a virtual display,
# from C:\kelmar-sim with the default exchange folder C:\Quelmont\nf_e, so the picture
# shows no folder of the machine it was taken on. One NF-e and one cancellation are
# answered first, so the status bar shows a request with its numbers.
#
#   bash scripts/take-windows-screenshot.sh build/windows/kelmar-sim.exe docs/window-windows.png
set -euo pipefail
program=$(realpath "${1:?usage: take-windows-screenshot.sh PROGRAM.exe OUTPUT.png}")
output=$(realpath -m "${2:?usage: take-windows-screenshot.sh PROGRAM.exe OUTPUT.png}")
here=$(cd "$(dirname "$0")/.." && pwd)

prefix=$(mktemp -d)
cleanup() {
    WINEPREFIX="$prefix/wine" /usr/lib/wine/wineserver -k 2> /dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT
export KELMAR_WINEPREFIX="$prefix/wine" KELMAR_WINE_KEEP_DISPLAY=1
bash "$here/scripts/wine-run.sh" cmd /c exit 0 > /dev/null 2>&1  # creates the prefix

drive="$KELMAR_WINEPREFIX/drive_c"
# The title bar's buttons are glyphs of Wine's symbol font; a fresh prefix may not find
# it, and draws letters in their place.
mkdir -p "$drive/windows/Fonts"
for font in /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/ms_sans_serif.ttf; do
    [ -e "$font" ] && cp "$font" "$drive/windows/Fonts/"
done
mkdir -p "$drive/kelmar-sim"
cp "$program" "$here/samples/erro_layout.err" "$here/samples/erro_envio.err" "$drive/kelmar-sim/"
while read -r sub; do
    mkdir -p "$drive/Quelmont/nf_e/$sub"
done < "$here/scripts/exchange-subfolders"
cp "$here/samples/requests/42090112345678000190550010000000011000000010-nfe.xml" \
    "$here/samples/requests/42090112345678000190550010000000011000000010-ped-can.xml" \
    "$drive/Quelmont/nf_e/envio/"

# The window comes up at 328,255 in an 800x600 desktop; its frame is cut out of the
# screen by the desktop's plain background around it. The picture is taken once both
# requests are answered and the window is whole on the screen.
xvfb-run --auto-servernum --server-args="-screen 0 800x600x24" bash -c '
    cd "$1/kelmar-sim"
    bash "$2/scripts/wine-run.sh" explorer /desktop=kelmar,800x600 "C:\\kelmar-sim\\kelmar-sim.exe" &
    for _ in $(seq 120); do
        sleep 1
        [ -z "$(ls -A "$1/Quelmont/nf_e/envio")" ] || continue
        sleep 2
        xwd -silent -root | convert xwd:- -crop 500x360+320+245 +repage -trim +repage -strip "png:$3"
        [ "$(identify -format %w "$3")" -ge 300 ] && break
    done
    WINEPREFIX="$KELMAR_WINEPREFIX" /usr/lib/wine/wineserver -k 2> /dev/null || true
    wait
' take-windows-screenshot "$drive" "$here" "$output"
echo "Window picture: $output"
