#!/usr/bin/env bash
# Runs each fuzz target for a short while over its seed corpus. Builds nothing: build the
# targets first, e.g.
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DHISTAVUE_FUZZ=ON \
#       -DHISTAVUE_TESTS=OFF -DHISTAVUE_BENCH=OFF && cmake --build build-fuzz
# Usage: fuzz/run_fuzzers.sh [BUILD_DIR] [SECONDS_PER_TARGET]
# (defaults: build-fuzz under the repository, 20 s). Exits non-zero when a target crashes,
# fails a check, leaks, times out or is missing; the input that did it is kept under the work
# folder, whose path is printed.
set -u

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
build="${1:-$repo/build-fuzz}"
seconds="${2:-20}"
targets=(fuzz_root_index fuzz_stem fuzz_folder_query fuzz_summary_file fuzz_record_table fuzz_interval
         fuzz_config_reader fuzz_curve_print fuzz_alarm_log)
# Seconds one input may take before it counts as a hang; the curve and print plan is held to
# less, as a chart or a printout that takes longer is already a fault.
declare -A timeouts=([fuzz_curve_print]=5)

work="$(mktemp -d "${TMPDIR:-/tmp}/histavue-fuzz-run-XXXXXX")"
failed=0
for target in "${targets[@]}"; do
    binary="$build/bin/$target"
    if [[ ! -x "$binary" ]]; then
        echo "FAIL $target: $binary not found (build the fuzz targets first)"
        failed=1
        continue
    fi
    # New inputs go into a scratch copy; the committed seeds stay as they are.
    corpus="$work/$target/corpus"
    artifacts="$work/$target/artifacts"
    mkdir -p "$corpus" "$artifacts"
    log="$work/$target/log.txt"
    "$binary" -max_total_time="$seconds" -timeout="${timeouts[$target]:-10}" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" "$here/corpus/$target" >"$log" 2>&1
    rc=$?
    runs="$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')"
    if [[ $rc -ne 0 ]]; then
        echo "FAIL $target (exit $rc) after ${runs:-?} runs; log: $log"
        ls "$artifacts" | sed "s|^|  input: $artifacts/|"
        grep -E 'ERROR:|runtime error|check failed|SUMMARY' "$log" | head -20 | sed 's/^/  /'
        failed=1
    else
        echo "ok   $target: ${runs:-?} runs in ${seconds}s"
    fi
done
if [[ $failed -eq 0 ]]; then
    rm -rf "$work"
else
    echo "work folder kept: $work"
fi
exit $failed
