#!/usr/bin/env bash
# Installs what is missing, builds, writes the sample store to out/sample and shows it: the
# groups of the data log, the days of one group, and one day of records queried from it.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j"$jobs" --target histavue-cli histavue-mkstore
build/bin/histavue-mkstore --out out/sample --preset demo

cli=build/bin/histavue-cli
store=out/sample/DL
echo
echo "== groups of the data log ($store) =="
"$cli" groups --store "$store" --long
group=$("$cli" groups --store "$store" | head -n 1)
echo
echo "== years of group '$group' =="
"$cli" list --store "$store" --group "$group"
year=$("$cli" list --store "$store" --group "$group" | head -n 1)
echo
echo "== first records of $year-01-01, one every 10 minutes =="
"$cli" query --store "$store" --group "$group" --from "$year-01-01 00:00" \
    --to "$year-01-01 23:59:59" --interval 600 | head -n 20
