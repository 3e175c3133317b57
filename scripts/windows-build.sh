#!/usr/bin/env bash
# Builds both programs for 64-bit Windows on Debian, with Debian's MinGW-w64 and the sources
# of Debian's own SFML and FreeType, and packs them:
#   scripts/windows-build.sh   ->  build-windows/sparkfield-boxpair-VERSION-windows-x64.zip
# The sources are this Debian release's; WINDOWS_SFML_SUITE=forky takes Debian testing's, with
# SFML 3, from a mirror that carries them.
# The .exe files are static: they need no DLL beyond Windows' own. SFML and FreeType are built
# once and kept in $WINDOWS_DEPS_CACHE (default ~/.cache/sparkfield-boxpair/windows).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
. /etc/os-release
suite=${WINDOWS_SFML_SUITE:-${VERSION_CODENAME:?}}
cache=${WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/sparkfield-boxpair/windows}/$suite
prefix="$cache/prefix"
toolchain="$here/cmake/mingw-w64-x86_64.cmake"
out="$here/build-windows"
jobs=$(nproc)
started=$SECONDS

step() { printf '==> [%ds] %s\n' $((SECONDS - started)) "$*"; }

# quietly LOG COMMAND...: runs a third-party build step, showing its output only if it fails.
quietly() {
    local log=$1
    shift
    "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "failed: $*; the whole log is in $log" >&2; exit 1; }
}
export MINGW_DEPENDENCIES="$prefix"

"$here/scripts/install-missing.sh" cmake make g++-mingw-w64-x86-64-posix dpkg-dev xz-utils zip

if [ ! -f "$prefix/.complete" ]; then
    rm -rf "$cache"
    mkdir -p "$cache/apt/lists/partial" "$cache/apt/parts" "$cache/src"

    # Debian's source packages, fetched from this machine's mirror with a source list of our
    # own, so the machine's apt configuration stays as it is. A testing release's Release file
    # is valid for a week only, which a mirror frozen in time would fail.
    step "fetching the sources of Debian's libsfml and freetype ($suite)"
    echo "deb-src $("$here/scripts/debian-mirror.sh") $suite main" >"$cache/apt/sources.list"
    apt_options=(-o "Dir::Etc::SourceList=$cache/apt/sources.list" -o "Dir::Etc::SourceParts=$cache/apt/parts"
        -o "Dir::State::Lists=$cache/apt/lists" -o "Dir::Cache=$cache/apt/cache")
    apt_options+=(-o APT::Sandbox::User=root -o Acquire::Check-Valid-Until=false)
    apt-get "${apt_options[@]}" update -qq
    (cd "$cache/src" && quietly "$cache/fetch.log" apt-get "${apt_options[@]}" source libsfml freetype)
    sfml_source=$(find "$cache/src" -maxdepth 1 -type d -name 'libsfml-*' | head -n 1)
    freetype_source=$(find "$cache/src" -maxdepth 1 -type d -name 'freetype-*' | head -n 1)
    [ -d "$sfml_source" ] && [ -d "$freetype_source" ] || { echo "could not fetch the sources" >&2; exit 1; }

    step "building FreeType (static) from $(basename "$freetype_source")"
    quietly "$cache/freetype.log" cmake -S "$freetype_source" -B "$cache/freetype-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
        -DFT_DISABLE_BROTLI=ON
    quietly "$cache/freetype.log" cmake --build "$cache/freetype-build" --parallel "$jobs"
    quietly "$cache/freetype.log" cmake --install "$cache/freetype-build"

    # SFML's library only (never its examples or documents). Its package file names the GL
    # library "OpenGL32", but MinGW's is libopengl32.a and the linker here is case-sensitive.
    step "building SFML (static) from $(basename "$sfml_source")"
    sed -i 's/"OpenGL32"/"opengl32"/' "$sfml_source/cmake/SFMLConfigDependencies.cmake.in"
    quietly "$cache/sfml.log" cmake -S "$sfml_source" -B "$cache/sfml-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -DSFML_USE_STATIC_STD_LIBS=ON -DSFML_USE_SYSTEM_DEPS=ON \
        -DSFML_BUILD_AUDIO=OFF -DSFML_BUILD_NETWORK=OFF -DSFML_BUILD_EXAMPLES=OFF -DSFML_BUILD_DOC=OFF \
        -DSFML_BUILD_TEST_SUITE=OFF
    quietly "$cache/sfml.log" cmake --build "$cache/sfml-build" --parallel "$jobs"
    quietly "$cache/sfml.log" cmake --install "$cache/sfml-build"
    touch "$prefix/.complete"
else
    step "SFML and FreeType for Windows: cached in $prefix"
fi

step "building sparkfield.exe and boxpair.exe"
cmake -S "$here" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DSFML_STATIC_LIBRARIES=TRUE -DBUILD_TESTING=OFF \
    -DCMAKE_EXE_LINKER_FLAGS="-static -static-libgcc -static-libstdc++ -s" >/dev/null
cmake --build "$out" --parallel "$jobs" --target sparkfield boxpair

version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
package="$out/sparkfield-boxpair-$version-windows-x64.zip"
staging="$out/package"
rm -rf "$staging" "$package"
mkdir -p "$staging"
cp "$out/sparkfield/sparkfield.exe" "$out/boxpair/boxpair.exe" "$here/README.md" "$here/LICENSE" "$staging/"
(cd "$staging" && zip -q -9 "$package" ./*)
step "packed $package"
