#!/usr/bin/env bash
# Runs the README's first command as a new user does, without a display, in a UTF-8 locale and in
# the C locale: it must exit 0, print no conversion error, print only valid UTF-8 (the C locale's
# terminals speak UTF-8 too, and the script's own hints are UTF-8) and name the sample store's
# Chinese groups as they read.
set -euo pipefail
cd "$(dirname "$0")/.."
log=$(mktemp)
trap 'rm -f "$log"' EXIT

fail() { echo "demo check ($1): $2" >&2; sed 's/^/  | /' "$log" >&2; exit 1; }

for locale in C.UTF-8 C; do
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL="$locale" ./demo.sh >"$log" 2>&1 </dev/null ||
        status=$?
    [ "$status" -eq 0 ] || fail "$locale" "exit status $status"
    ! grep -qi 'iconv' "$log" || fail "$locale" "a conversion error"
    python3 -c 'import sys; open(sys.argv[1], "rb").read().decode("utf-8")' "$log" 2>/dev/null ||
        fail "$locale" "text that is not valid UTF-8"
    grep -qx '锅炉一号' "$log" || fail "$locale" "the group 锅炉一号 is not listed as it reads"
    grep -q '^No display' "$log" || fail "$locale" "the no-display hint is missing"
    echo "demo check ($locale): ok"
done
