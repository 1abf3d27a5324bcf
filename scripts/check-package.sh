#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, checks it with lintian (any error or
# warning fails), unpacks it into a temporary root and runs the installed command-line tool and
# report tool from there on a sample store.
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
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian finds fault"
# Every option of --help is an entry of its man page's option list ("\fB\-\-in\fR ...").
for program in histavue-cli histavue-report; do
    page=$(zcat "$usr/share/man/man1/$program.1.gz")
    for option in $("$usr/bin/$program" --help | sed -n 's/^  \(--[a-z-]*\).*/\1/p'); do
        entry="\\fB$(sed 's/-/\\-/g' <<<"$option")\\fR"
        grep -qF -- "$entry" <<<"$page" || fail "$program.1 does not list $option"
    done
done

"$usr/bin/histavue-mkstore" --out "$root/data" >/dev/null
"$usr/bin/histavue-cli" --version | grep -qx "histavue-cli [0-9.]*" || fail "histavue-cli --version"
"$usr/bin/histavue-cli" groups --store "$root/data/DL" | grep -qx Line1 || fail "no group Line1"
"$usr/bin/histavue-cli" query --store "$root/data/DL" --group Line1 \
    --from '2024-01-01 00:00' --to '2024-01-01 02:59' --interval 120 --out "$root/line1.csv"
"$usr/bin/histavue-report" --in "$root/line1.csv" --pdf "$root/report.pdf" \
    --curves "$root/curves.png"
[ -s "$root/report.pdf" ] && [ -s "$root/curves.png" ] || fail "histavue-report wrote nothing"
echo "package check: $(basename "$deb") ok (Depends: $depends)"
