#!/usr/bin/env bash
# Builds the installer and the portable zip, installs silently under Wine, runs the
# installed program (--version and one headless tick), uninstalls silently and checks
# that nothing is left behind.
# Usage: installer_test.sh BUILD_DIR SOURCE_DIR WINE_RUNNER
set -euo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
wine_run=$3
work=$(mktemp -d)
export KELMAR_WINEPREFIX="$work/prefix"
trap '/usr/lib/wine/wineserver -k 2> /dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX="$KELMAR_WINEPREFIX"

# Every start under Wine is bounded, so a hang fails the test instead of holding it.
wine_run_bounded() {
    timeout 180 "$wine_run" "$@" < /dev/null
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

echo "== packages"
(cd "$build" && cpack -C Release --config CPackConfig.cmake -B "$work/packages" > "$work/cpack.log") ||
    { cat "$work/cpack.log"; fail "cpack"; }
installer=$(ls "$work"/packages/kelmar-sim-*-windows-x64.exe)
zip=$(ls "$work"/packages/kelmar-sim-*-windows-x64.zip)
zip_listing=$(unzip -Z1 "$zip")
for name in kelmar-sim.exe README.md erro_layout.err erro_envio.err; do
    grep -q "/$name\$" <<< "$zip_listing" || fail "$name missing from the zip"
done
grep -qi '\.dll$' <<< "$zip_listing" && fail "the zip holds a DLL"

echo "== silent install"
wine_run_bounded "$installer" /S
timeout 180 /usr/lib/wine/wineserver -w
drive_c="$WINEPREFIX/drive_c"
installed="$drive_c/Program Files/kelmar-sim"
for name in kelmar-sim.exe README.md erro_layout.err erro_envio.err Uninstall.exe; do
    [ -f "$installed/$name" ] || fail "$name not installed"
done
links=$(find "$drive_c" -iname '*.lnk' -path '*Start Menu*' | grep -i kelmar || true)
[ -n "$links" ] || fail "no Start-menu entry"

echo "== installed program"
version=$(wine_run_bounded "$installed/kelmar-sim.exe" --version)
[[ "$version" == "kelmar-sim "* ]] || fail "--version said: $version"
exchange="$work/exchange"
mkdir -p "$exchange"/nf_e/{envio,envio_lote,retorno,lotes,tmp,backup}
printf '[NFE]\r\nPASTA=Z:%s\r\n' "${exchange//\//\\}\\nf_e" > "$exchange/config.ini"
cp "$source"/samples/requests/*-nfe.xml "$exchange/nf_e/envio/"
(cd "$exchange" && wine_run_bounded "$installed/kelmar-sim.exe" --headless --ticks 1 \
    --config 'Z:'"${exchange//\//\\}"'\config.ini') > "$work/tick.txt"
grep -q ': NF-e (lote 205' "$work/tick.txt" || { cat "$work/tick.txt"; fail "the tick answered nothing"; }
ls "$exchange/nf_e/retorno" | grep -q -- '-num-lot.xml$' || fail "no answer written"

echo "== silent uninstall"
# As a program ended hard would leave it beside settings kept in its own folder.
printf '4242\n' > "$installed/.config.ini.lock"
wine_run_bounded "$installed/Uninstall.exe" /S
timeout 180 /usr/lib/wine/wineserver -w
[ ! -e "$installed" ] || fail "left behind: $(find "$installed")"
links=$(find "$drive_c" -iname '*.lnk' -path '*Start Menu*' | grep -i kelmar || true)
[ -z "$links" ] || fail "Start-menu entry left: $links"
if wine_run_bounded reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\kelmar-sim' \
    > /dev/null 2>&1; then
    fail "uninstall registry key left"
fi
echo "installer: 1 passed, 0 failed"
