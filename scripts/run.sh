#!/usr/bin/env bash
# Builds one program and runs it: scripts/run.sh sparkfield|boxpair [arguments...]
# The first time, it installs what building and running need (a compiler, CMake, make, SFML,
# Xlib's and OpenGL's headers) and builds the two programs only, no tests. Later, when nothing has
# changed since the last build, it starts the program straight away.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
program=${1:-}
case "$program" in
    sparkfield | boxpair) shift ;;
    *) echo "usage: $0 sparkfield|boxpair [arguments...]" >&2; exit 2 ;;
esac

build="$builds/programs"
binary="$build/$program/$program"
stamp="$build/.built-$program"
sources=("$here/CMakeLists.txt" "$here/CMakePresets.json" "$here/sparkfield" "$here/boxpair" "$here/windowing")

if [ -x "$binary" ] && [ -e "$stamp" ] && [ -z "$(find "${sources[@]}" -newer "$stamp" -print -quit)" ]; then
    exec "$binary" "$@"
fi

. "$here/scripts/lib/packages.sh"
"$here/scripts/lib/install-missing.sh" "${run_packages[@]}"

cd "$here"
step "Configuring (CMake preset 'programs')"
cmake --preset programs >/dev/null
step "Building $program"
cmake --build --preset programs --target "$program" --parallel "$(nproc)"
touch "$stamp"
step "Starting $program"
exec "$binary" "$@"
