#!/bin/bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-sanitize/ and runs every test there; any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

sh tools/install-deps.sh
cmake --preset sanitize -DTOLVARO_WERROR=ON
cmake --build build-sanitize -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/sanitizers/lsan.supp:print_suppressions=0"
ctest --test-dir build-sanitize --output-on-failure
