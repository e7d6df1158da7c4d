#!/bin/bash
# Builds the fuzz targets with clang's libFuzzer in build-fuzz/ and runs each
# for the given number of seconds (default 30) from its seed corpus, with its
# dictionary fuzz/<name>.dict when there is one. Any finding fails the run.
# A longer run: bash tools/fuzz.sh 3600; one target only: bash tools/fuzz.sh 300 pagescan
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
only=${2:-}

sh tools/install-deps.sh clang-14 libclang-rt-14-dev
cmake --preset fuzz
cmake --build --preset fuzz -j"$(nproc)"

# The decoder target links the window library; it never opens a window.
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/sanitizers/lsan.supp:print_suppressions=0"
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    [ -n "$only" ] && [ "$name" != "$only" ] && continue
    work="build-fuzz/corpus/$name"
    mkdir -p "$work" build-fuzz/findings
    dict=()
    [ -f "fuzz/$name.dict" ] && dict=(-dict="fuzz/$name.dict")
    echo "== fuzz_$name for ${seconds}s"
    "build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/findings/"$name"- \
        "${dict[@]}" "$work" "$seeds"
done
