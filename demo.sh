#!/usr/bin/env bash
# Installs what is missing, builds, writes the sample store and sample exports to out/, and
# starts the viewer. Open one of the exports with 文件 > 打开... (Ctrl+O).
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j"$jobs" --target histavue histavue-cli histavue-mkstore

build/bin/histavue-mkstore --out out/sample --preset demo
cli=build/bin/histavue-cli
store=out/sample/DL
mkdir -p out/exports
# Exports as the viewer writes them (inverted bytes): one hour of the 1-second group, one day
# of a Chinese-named group thinned to a record a minute, and the whole daily energy log.
first=$("$cli" groups --store "$store" | head -n 1)
"$cli" export --store "$store" --group "$first" --item '2023\12\31\23' --out out/exports/line1-hour.csv
second=$("$cli" groups --store "$store" | sed -n 2p)
"$cli" query --store "$store" --group "$second" --from '2024-03-01 00:00' --to '2024-03-01 23:59:59' \
    --interval 60 --out out/exports/boiler-day.csv
"$cli" query --store "$store" --group Energy --from '2022-01-01 00:00' --to '2024-12-31 00:00' \
    --out out/exports/energy.csv

echo
echo "Sample exports in $(pwd)/out/exports:"
ls -1 out/exports
echo "Open one with 文件 > 打开... (Ctrl+O)."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: not starting the viewer. Run build/bin/histavue on a desktop."
    exit 0
fi
exec build/bin/histavue
