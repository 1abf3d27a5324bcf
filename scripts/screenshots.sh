#!/usr/bin/env bash
# Draws the curve screenshots of docs/ anew from the sample store, under Xvfb, with a private
# copy of the demo's settings (the user's own are never read).
#   scripts/screenshots.sh [BUILD_DIR]   (default: build; run the demo once first for out/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
snapshot=$build/bin/histavue-snapshot
[ -x "$snapshot" ] || { echo "screenshots: $snapshot is not built" >&2; exit 1; }
[ -d out/settings ] || { echo "screenshots: no out/settings; run ./demo.sh once" >&2; exit 1; }
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
cp -r out/settings/. "$settings/"

shot() {
    local out=$1 lang=$2
    shift 2
    XDG_CONFIG_HOME=$settings HISTAVUE_LANG=$lang \
        xvfb-run -a -s '-screen 0 1920x1080x24' "$snapshot" "docs/$out" "$@" >/dev/null 2>&1
    echo "docs/$out"
}

line1=tree:Line1/2024/01/01/00
boiler=tree:锅炉一号/2024/02/28/14
for size in 800x500 1190x640 1920x1040; do
    shot "curves-manual-y-$size.png" en "size:$size" "$line1" maximize ymanual command:32777
done
# The small window with every panel open: statistics, alarm lanes and their list.
shot curves-panels-800x500.png en size:800x500 "$boiler" maximize command:32777 panel alarms \
    cursor-a:50
shot curves-alarms.png zh size:1600x1000 "$boiler" maximize command:32777 panel alarms next-alarm
shot curves-two-cursors.png en size:1600x1000 "$line1" maximize command:32777 panel \
    cursor-a:30 cursor-b:80
shot curves-own-scales.png en size:1280x800 "$line1" maximize command:32777 ownscales scale:15
shot curves-en.png en size:1280x800 "$line1" maximize command:32777 panel cursor-a:40
shot curves.png zh size:1100x720 "$line1" maximize command:32777
# The alarm analysis of the sample store's alarm log.
shot alarm-analysis.png zh size:1280x800 alarm-analysis maximize
