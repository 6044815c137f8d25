#!/usr/bin/env bash
# Back-to-back throughput of the headless runner: queues N typical NF-e submissions and
# times `kelmar-sim --headless --ticks N` answering all of them.
set -euo pipefail
program=$(realpath "${1:?usage: headless_throughput.sh PROGRAM [COUNT]}")
count=${2:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
while read -r sub; do
    mkdir -p "$work/nf_e/$sub"
done < "$(dirname "$0")/../scripts/exchange-subfolders"
echo "Erro de esquema" > "$work/erro_layout.err"
printf '[NFE]\nPASTA=%s\n' "$work/nf_e" > "$work/config.ini"
sample=$(dirname "$0")/../samples/requests/42090112345678000190550010000000011000000010-nfe.xml
for i in $(seq -w 1 "$count"); do
    sed "s/Id=\"NFe[0-9]*\"/Id=\"NFe420901123456780001905500100000000${i}\"/" "$sample" > "$work/nf_e/envio/nota-$i-nfe.xml"
done
cd "$work"
start=$(date +%s.%N)
"$program" --headless --config config.ini --ticks "$count" > /dev/null
end=$(date +%s.%N)
left=$(find nf_e/envio -name '*.xml' | wc -l)
awk -v n="$count" -v s="$start" -v e="$end" -v left="$left" \
    'BEGIN { t = e - s; printf "headless runner: %d submissions in %.3f s = %.0f per second (%d left unanswered)\n", n, t, n / t, left }'
[ "$left" -eq 0 ]
