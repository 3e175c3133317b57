#!/usr/bin/env bash
# Builds the web page: boxpair's and sparkfield's own rules compiled to WebAssembly, in one
# self-contained HTML file that opens from disk or from any static host, and prints its path:
#   scripts/web.sh
# Installs emscripten the first time. SFML's source is fetched, or taken from the folder
# FETCHCONTENT_SOURCE_DIR_SFML names. BUILD_WEB_TESTS=ON builds the unit tests for Node.js too.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
. "$here/scripts/lib/packages.sh"
"$here/scripts/lib/install-missing.sh" "${web_packages[@]}"
# emscripten's tools run on Node.js and need Debian's node modules (acorn), which a Node.js from
# elsewhere does not see unaided.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

cd "$here"
build="$builds/web"
if [ ! -e "$build/CMakeCache.txt" ] || [ -n "${BUILD_WEB_TESTS:-}" ]; then
    step "Configuring the page's build (emscripten $(emcc --version | sed -n '1s/.* \([0-9][0-9.]*\) .*/\1/p'))"
    mkdir -p "$build"
    emcmake cmake -S web -B "$build" -DBUILD_WEB_TESTS="${BUILD_WEB_TESTS:-OFF}" >"$build/configure.log" 2>&1 ||
        { cat "$build/configure.log" >&2; fail "could not configure the page's build"; }
fi
step "Building the page"
cmake --build "$build" --parallel "$(nproc)" >&2
echo "$build/sparkfield-boxpair.html"
