#!/usr/bin/env bash
# Static analysis of the project's own code: clang-tidy (.clang-tidy) and cppcheck. Exits
# non-zero on any finding. Configures the build first for its compile_commands.json.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}

if [ ! -f "$build/compile_commands.json" ]; then
    "$here/scripts/setup.sh" release >/dev/null
fi

# Both tools analyse what the build compiles, as it compiles it: the sources, include paths and
# definitions in its compile_commands.json; of those, only the project's own, never a library's
# that the build fetched and compiled too (SFML_FROM_SOURCE).
echo "== clang-tidy"
# The path-sensitive analyzer takes most of clang-tidy's time, and the test cases (*Test.cpp),
# bodies of gtest's macros, gain least from it: it looks at everything else.
run-clang-tidy -p "$build" -quiet "^$here/(?!build)(?!.*Test\.cpp$)" >"$build/clang-tidy.log" 2>&1 || true
run-clang-tidy -p "$build" -quiet -checks='-clang-analyzer-*' "^$here/(?!build).*Test\.cpp$" >>"$build/clang-tidy.log" 2>&1 || true
if grep -E "(warning|error):" "$build/clang-tidy.log"; then
    exit 1
fi
echo "clean"

echo "== cppcheck"
mkdir -p "$build/cppcheck"
cppcheck --project="$build/compile_commands.json" --file-filter="$here/*" -i "$build" --std=c++17 --language=c++ \
    --enable=warning,style,performance,portability --inline-suppr --suppress=missingIncludeSystem \
    --suppress=missingInclude --suppress=normalCheckLevelMaxBranches --error-exitcode=1 --quiet \
    -j "$(nproc)" --cppcheck-build-dir="$build/cppcheck"
echo "clean"
