#!/bin/bash
# Builds the fuzz targets with clang's libFuzzer in build-fuzz/ and runs each
# for the given number of seconds (default 30) from its seed corpus.
# A longer run: bash tools/fuzz.sh 3600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

sh tools/install-deps.sh clang-14 libclang-rt-14-dev
CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVARO_FUZZ=ON
cmake --build build-fuzz --target fuzz_all -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/sanitizers/lsan.supp:print_suppressions=0"
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    work="build-fuzz/corpus/$name"
    mkdir -p "$work"
    echo "== fuzz_$name for ${seconds}s"
    "build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work" "$seeds"
done
