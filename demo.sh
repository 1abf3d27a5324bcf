#!/usr/bin/env bash
# Installs what is missing, builds, writes the sample store to out/sample and starts the viewer
# on it. The viewer gets a settings folder of its own (out/settings), so a user's own settings
# are never touched: its data root is out/sample, its staging root out/staging.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j"$jobs" --target histavue histavue-cli histavue-mkstore

build/bin/histavue-mkstore --out out/sample --preset demo
mkdir -p out/staging out/settings/Quorvel
here=$(pwd)
cat > out/settings/Quorvel/LogDataDir.conf <<CONF
[General]
TempDir=$here/out/staging
DataDir=$here/out/sample
CONF

echo
echo "Data groups of the sample store:"
build/bin/histavue-cli groups --store out/sample/DL
echo "Double-click a deepest folder in the bar on the left to open its report;"
echo "查询 (Ctrl+E) queries a time range of the selected group."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: not starting the viewer. On a desktop run:"
    echo "  XDG_CONFIG_HOME=$here/out/settings build/bin/histavue"
    exit 0
fi
XDG_CONFIG_HOME="$here/out/settings" exec build/bin/histavue
