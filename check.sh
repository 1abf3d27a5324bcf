#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the unit and window tests,
# the tools of the Debian package run from the unpacked package, all tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, each fuzz target briefly, and the Windows
# build of everything below the windows with its tests under wine.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh

echo "== the folders are layers: no include reaches up =="
scripts/check-layers.sh

echo "== build and test =="
cmake -S . -B build -G Ninja -DHISTAVUE_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== the README's first command, as a new user runs it, in a UTF-8 and in the C locale =="
scripts/check-demo.sh

echo "== every text of the interface is in the English translation, and nothing else is =="
cp res/histavue_en.ts build/histavue_en.ts.kept
cmake --build build --target histavue_gui_lupdate >/dev/null
if ! cmp -s res/histavue_en.ts build/histavue_en.ts.kept; then
    diff -u build/histavue_en.ts.kept res/histavue_en.ts || true
    cp build/histavue_en.ts.kept res/histavue_en.ts
    echo "res/histavue_en.ts is out of date: translate the new texts (lupdate's changes above)" >&2
    exit 1
fi

echo "== Debian package: built, unpacked, its tools run on a sample store =="
scripts/check-package.sh build

echo "== every test again under AddressSanitizer + UndefinedBehaviorSanitizer =="
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DHISTAVUE_SANITIZE=ON -DHISTAVUE_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$PWD/../scripts/lsan.supp" ctest --output-on-failure -j"$jobs")

echo "== fuzz targets, briefly =="
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DHISTAVUE_FUZZ=ON -DHISTAVUE_TESTS=OFF \
    -DHISTAVUE_BENCH=OFF -DHISTAVUE_STORE_ONLY=ON >/dev/null
cmake --build build-fuzz -j"$jobs"
fuzz/run_fuzzers.sh build-fuzz

echo "== Windows: store, plain libraries and tools cross-built with MinGW, tests under wine =="
scripts/check-windows.sh build build-win

echo "== the main tests once more, for the record =="
(cd build && ctest -j"$jobs" --no-label-summary 2>&1 | tail -n 3)
