#!/usr/bin/env bash
# Builds one program and runs it: scripts/run.sh sparkfield|boxpair [arguments...]
# The first time, it installs what building and running need (a compiler, CMake, make, SFML,
# Xlib's and OpenGL's headers) and builds the two programs only, no tests. Later the build tool
# alone decides what is stale, CMake's own files among them: when nothing has changed, it says
# so at once and the program starts.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
program=${1:-}
case "$program" in
    sparkfield | boxpair) shift ;;
    *) echo "usage: $0 sparkfield|boxpair [arguments...]" >&2; exit 2 ;;
esac

build="$builds/programs"
binary="$build/$program/$program"
cd "$here"

# Quiet when it works: standard output may be the program's own (scripts/run.sh boxpair | head).
if [ -e "$build/CMakeCache.txt" ] && command -v cmake >/dev/null &&
    cmake --build --preset programs --target "$program" --parallel "$(nproc)" >/dev/null 2>&1; then
    exec "$binary" "$@"
fi

. "$here/scripts/lib/packages.sh"
"$here/scripts/lib/install-missing.sh" "${run_packages[@]}"

step "Configuring (CMake preset 'programs')"
cmake --preset programs >/dev/null
step "Building $program"
cmake --build --preset programs --target "$program" --parallel "$(nproc)" >&2
step "Starting $program"
exec "$binary" "$@"
