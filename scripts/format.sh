#!/usr/bin/env bash
# Formats the project's C++ sources with .clang-format: scripts/format.sh
# With --check, changes nothing and fails, listing the files, if any is not formatted.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
cd "$here"
mapfile -t files < <(git ls-files '*.cpp' '*.hpp' 2>/dev/null || find . -name '*.[ch]pp' -not -path './build/*')

if [ "${1:-}" = --check ]; then
    unformatted=()
    for file in "${files[@]}"; do
        clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
    done
    if [ ${#unformatted[@]} -gt 0 ]; then
        echo "Not formatted (run scripts/format.sh):"
        printf '  %s\n' "${unformatted[@]}"
        exit 1
    fi
    echo "${#files[@]} files formatted"
else
    clang-format -i "${files[@]}"
fi
