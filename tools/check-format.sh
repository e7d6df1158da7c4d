#!/bin/bash
# Checks that every C++ file of the project is laid out as .clang-format says
# and names the ones that are not. clang-format 14 (Debian 12's) is the
# reference: other versions break some lines differently.
set -euo pipefail
cd "$(dirname "$0")/.."

sh tools/install-deps.sh clang-format-14

unformatted=()
while IFS= read -r -d '' file; do
    clang-format-14 --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(find src tests tools bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Not formatted as .clang-format says (${#unformatted[@]} files):"
    printf '  %s\n' "${unformatted[@]}"
    echo "Fix with: clang-format-14 -i <file>..."
    exit 1
fi
echo "All C++ files are formatted."
