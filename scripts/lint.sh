#!/usr/bin/env bash
# Static analysis of the project's own code: clang-tidy (.clang-tidy) and cppcheck. Exits
# non-zero on any finding. Configures the build first for its compile_commands.json.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
sources='sparkfield boxpair desktop tests bench'

if [ ! -f "$build/compile_commands.json" ]; then
    "$here/scripts/setup.sh" release >/dev/null
fi

echo "== clang-tidy"
# The path-sensitive analyzer takes most of clang-tidy's time, and the test cases, bodies of
# gtest's macros, gain least from it: it looks at the programs and the test support only.
analysed='sparkfield|boxpair|desktop|bench|tests/harness|tests/support'
run-clang-tidy -p "$build" -quiet "$here/($analysed)/" >"$build/clang-tidy.log" 2>&1 || true
run-clang-tidy -p "$build" -quiet -checks='-clang-analyzer-*' "$here/tests/(unit|render|e2e|windows)/" \
    >>"$build/clang-tidy.log" 2>&1 || true
if grep -E "(warning|error):" "$build/clang-tidy.log"; then
    exit 1
fi
echo "clean"

echo "== cppcheck"
cd "$here"
# The paths the build passes in as definitions do not matter to the analysis.
cppcheck --std=c++17 --language=c++ --enable=warning,style,performance,portability \
    --inline-suppr --suppress=missingIncludeSystem --suppress=missingInclude --suppress=normalCheckLevelMaxBranches \
    --error-exitcode=1 --quiet \
    -I sparkfield -I boxpair -I desktop -I bench -I tests/harness -I tests/support -I tests/e2e \
    -DSPARKFIELD_PATH='""' -DBOXPAIR_PATH='""' -DSWAP_COUNTER_PATH='""' -DGRAPHICS_DRIVER_PATH='""' \
    $sources
echo "clean"
