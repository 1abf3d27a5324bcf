#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into a temporary root
# and runs the installed command-line tool and report tool from there on a sample store.
#
#   scripts/check-package.sh [BUILD_DIR]      (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

rm -f "$build"/histavue_*.deb
(cd "$build" && cpack -G DEB >"$root/cpack.log" 2>&1) || { cat "$root/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/histavue_*.deb)
dpkg-deb -x "$deb" "$root/pkg"

fail() { echo "package check: $*" >&2; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in *libqt6widgets6*) ;; *) fail "no Qt dependency from shlibdeps: '$depends'" ;; esac
usr="$root/pkg/usr"
for f in bin/histavue bin/histavue-cli bin/histavue-mkstore bin/histavue-report \
    share/icons/hicolor/scalable/apps/histavue.svg \
    share/man/man1/histavue-cli.1.gz share/man/man1/histavue-mkstore.1.gz \
    share/man/man1/histavue-report.1.gz; do
    [ -s "$usr/$f" ] || fail "missing $f"
done
[ -s "$usr/share/man/man1/histavue.1.gz" ] || fail "missing share/man/man1/histavue.1.gz"
desktop-file-validate "$usr/share/applications/histavue.desktop"

"$usr/bin/histavue-mkstore" --out "$root/data" >/dev/null
"$usr/bin/histavue-cli" --version | grep -qx "histavue-cli [0-9.]*" || fail "histavue-cli --version"
"$usr/bin/histavue-cli" groups --store "$root/data/DL" | grep -qx Line1 || fail "no group Line1"
"$usr/bin/histavue-cli" query --store "$root/data/DL" --group Line1 \
    --from '2024-01-01 00:00' --to '2024-01-01 02:59' --interval 120 --out "$root/line1.csv"
"$usr/bin/histavue-report" --in "$root/line1.csv" --pdf "$root/report.pdf" \
    --curves "$root/curves.png"
[ -s "$root/report.pdf" ] && [ -s "$root/curves.png" ] || fail "histavue-report wrote nothing"
echo "package check: $(basename "$deb") ok (Depends: $depends)"
