#!/bin/bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-sanitize/ and runs every test there; any report fails the run. The
# sanitizer options are those of the "sanitize" test preset.
set -euo pipefail
cd "$(dirname "$0")/.."

sh tools/install-deps.sh
cmake --preset sanitize
cmake --build --preset sanitize -j"$(nproc)"
ctest --preset sanitize
