#!/usr/bin/env bash
# Lays out a demo exchange folder: DEMO/nf_e with its six subfolders, the two sample error
# files in DEMO (the program's working directory) and DEMO/config.ini pointing at nf_e.
set -euo pipefail
demo=${1:-demo}
here=$(cd "$(dirname "$0")/.." && pwd)

mkdir -p "$demo"
demo=$(cd "$demo" && pwd)
while read -r sub; do
    mkdir -p "$demo/nf_e/$sub"
done < "$here/scripts/exchange-subfolders"
cp "$here/samples/erro_layout.err" "$here/samples/erro_envio.err" "$demo/"
if [ ! -f "$demo/config.ini" ]; then
    printf '[NFE]\nLOTE=204\nRECIBO=159092\nPROTOCOLO=589900\nPASTA=%s\n' "$demo/nf_e" > "$demo/config.ini"
fi
echo "Demo exchange folder: $demo/nf_e (settings in $demo/config.ini)"
