#!/usr/bin/env bash
# The Windows build: the store, the plain libraries and the command-line tools cross-built with
# MinGW-w64 and linked statically, their tests run under wine. Then the store histavue-mkstore.exe
# writes must be byte for byte the one the Linux writer makes from the same seed, histavue-cli.exe
# must answer on it as the Linux tool does on its own, and the zip of the Windows tools is made
# beside the Debian package.
#
#   scripts/check-windows.sh [LINUX_BUILD_DIR] [WINDOWS_BUILD_DIR]   (default: build build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
linux=$(realpath "${1:-build}")
win=$(realpath -m "${2:-build-win}")
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DHISTAVUE_STORE_ONLY=ON -DHISTAVUE_PLAIN_LIBRARIES=ON -DHISTAVUE_BENCH=OFF \
    -DHISTAVUE_WERROR=ON >/dev/null
# The wine prefix lives in the build folder (as the tests' emulator has it); made once, quietly.
export WINEPREFIX="$win/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wine cmd /c exit >/dev/null 2>&1 || true
cmake --build "$win" -j"$jobs"
(cd "$win" && ctest --output-on-failure -j"$jobs")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "windows check: $*" >&2; exit 1; }

# The same store from the same seed on both systems.
"$linux/bin/histavue-mkstore" --out "$tmp/linux" --seed 7 >/dev/null
wine "$win/bin/histavue-mkstore.exe" --out "Z:$tmp/windows" --seed 7 >/dev/null
sums() { (cd "$1" && find . -type f | LC_ALL=C sort | xargs sha256sum); }
diff <(sums "$tmp/linux") <(sums "$tmp/windows") >&2 || fail "the stores differ"

# The command line on both: names typed in UTF-8 (wine hands them over as wide characters),
# names and records printed as stored (GB18030) on Windows, in UTF-8 on Linux.
asks=(
    "groups"
    "list --group 锅炉一号"
    "query --group Line1 --from 2024-01-01_00:00 --to 2024-01-01_02:59 --interval 120"
    "export --group 锅炉一号 --item 2024\\02\\28\\12 --encoding utf-8"
    "query --group 锅炉一号 --from 2024-02-28_12:00 --to 2024-02-28_13:59 --interval 600 --encoding utf-8"
)
for ask in "${asks[@]}"; do
    read -ra words <<<"$ask"
    words=("${words[@]//_/ }")
    LC_ALL=C.UTF-8 "$linux/bin/histavue-cli" "${words[@]}" --store "$tmp/linux/DL" \
        >"$tmp/linux.out" 2>&1 || fail "histavue-cli $ask failed: $(cat "$tmp/linux.out")"
    wine "$win/bin/histavue-cli.exe" "${words[@]}" --store "Z:$tmp/windows/DL" \
        >"$tmp/windows.out" 2>&1 || fail "histavue-cli.exe $ask failed: $(cat "$tmp/windows.out")"
    case "$ask" in
        *--encoding*) cmp -s "$tmp/linux.out" "$tmp/windows.out" ;;
        *) iconv -f GB18030 -t UTF-8 "$tmp/windows.out" | cmp -s "$tmp/linux.out" - ;;
    esac || fail "histavue-cli.exe $ask answers otherwise than histavue-cli"
    [ -s "$tmp/linux.out" ] || fail "histavue-cli $ask printed nothing"
done

# The Windows tools for users, beside the Debian package.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt")
zip="$linux/histavue-$version-windows-x86_64.zip"
rm -f "$zip"
mkdir "$tmp/zip"
cp "$win/bin/histavue-cli.exe" "$win/bin/histavue-mkstore.exe" "$tmp/zip/"
x86_64-w64-mingw32-strip "$tmp/zip/histavue-cli.exe" "$tmp/zip/histavue-mkstore.exe"
sed 's/$/\r/' dist/windows/README.txt >"$tmp/zip/README.txt"
(cd "$tmp/zip" && zip -q -X "$zip" histavue-cli.exe histavue-mkstore.exe README.txt)
echo "windows check: $(basename "$zip") ok"
