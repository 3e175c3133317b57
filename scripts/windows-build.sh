#!/usr/bin/env bash
# Builds both programs for 64-bit Windows on Debian, with Debian's MinGW-w64, SFML 3.0.2 built
# from its source as part of the build (as MSYS2's and vcpkg's users have it) and FreeType from
# the source of this Debian release's package, and packs them:
#   scripts/windows-build.sh   ->  build/windows/sparkfield-boxpair-VERSION-windows-x64.zip
# SFML's source is fetched, or taken from the folder FETCHCONTENT_SOURCE_DIR_SFML names.
# The .exe files are static: they need no DLL beyond Windows' own. FreeType is built once and
# kept in $WINDOWS_DEPS_CACHE (default ~/.cache/sparkfield-boxpair/windows).
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
. "$here/scripts/lib/packages.sh"
. /etc/os-release
suite=${VERSION_CODENAME:?}
cache=${WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/sparkfield-boxpair/windows}/$suite
prefix="$cache/prefix"
toolchain="$here/cmake/mingw-w64-x86_64.cmake"
out="$builds/windows"
jobs=$(nproc)
# quietly LOG COMMAND...: runs a third-party build step, showing its output only if it fails.
quietly() {
    local log=$1
    shift
    "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; fail "$*: the whole log is in $log"; }
}
export MINGW_DEPENDENCIES="$prefix"

"$here/scripts/lib/install-missing.sh" "${windows_packages[@]}"

if [ ! -f "$prefix/.complete" ]; then
    rm -rf "$cache"
    mkdir -p "$cache/apt/lists/partial" "$cache/apt/parts" "$cache/src"

    # Debian's source packages, fetched from this machine's mirror with a source list of our
    # own, so the machine's apt configuration stays as it is. A testing release's Release file
    # is valid for a week only, which a mirror frozen in time would fail.
    step "fetching the source of Debian's freetype ($suite)"
    echo "deb-src $("$here/scripts/lib/debian-mirror.sh") $suite main" >"$cache/apt/sources.list"
    apt_options=(-o "Dir::Etc::SourceList=$cache/apt/sources.list" -o "Dir::Etc::SourceParts=$cache/apt/parts"
        -o "Dir::State::Lists=$cache/apt/lists" -o "Dir::Cache=$cache/apt/cache")
    apt_options+=(-o APT::Sandbox::User=root -o Acquire::Check-Valid-Until=false)
    apt-get "${apt_options[@]}" update -qq
    (cd "$cache/src" && quietly "$cache/fetch.log" apt-get "${apt_options[@]}" source freetype)
    freetype_source=$(find "$cache/src" -maxdepth 1 -type d -name 'freetype-*' | head -n 1)
    [ -d "$freetype_source" ] || fail "could not fetch FreeType's source"

    step "building FreeType (static) from $(basename "$freetype_source")"
    quietly "$cache/freetype.log" cmake -S "$freetype_source" -B "$cache/freetype-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
        -DFT_DISABLE_BROTLI=ON
    quietly "$cache/freetype.log" cmake --build "$cache/freetype-build" --parallel "$jobs"
    quietly "$cache/freetype.log" cmake --install "$cache/freetype-build"

    touch "$prefix/.complete"
else
    step "FreeType for Windows: cached in $prefix"
fi

step "building SFML, sparkfield.exe and boxpair.exe"
mkdir -p "$out"
sfml_source=()
[ -z "${FETCHCONTENT_SOURCE_DIR_SFML:-}" ] || sfml_source=(-DFETCHCONTENT_SOURCE_DIR_SFML="$FETCHCONTENT_SOURCE_DIR_SFML")
cmake -S "$here" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DSFML_FROM_SOURCE=ON "${sfml_source[@]}" -DSFML_USE_SYSTEM_DEPS=ON -DSFML_USE_STATIC_STD_LIBS=ON \
    -DCMAKE_EXE_LINKER_FLAGS="-static -static-libgcc -static-libstdc++ -s -Wl,--no-insert-timestamp" \
    >"$out/configure.log" 2>&1 ||
    { cat "$out/configure.log" >&2; exit 1; }
sfml_version=$(sed -n 's/^-- Building with SFML //p' "$out/configure.log")
echo "Building with SFML $sfml_version"
cmake --build "$out" --parallel "$jobs" --target sparkfield boxpair >"$out/build.log" 2>&1 ||
    { tail -n 60 "$out/build.log" >&2; exit 1; }

version=$(project_version)
package="$out/sparkfield-boxpair-$version-windows-x64.zip"
staging="$out/package"
rm -rf "$staging" "$package"
mkdir -p "$staging"
cp "$out/sparkfield/sparkfield.exe" "$out/boxpair/boxpair.exe" "$here/LICENSE" "$staging/"
freetype_version=$(basename "$(find "$cache/src" -maxdepth 1 -type d -name 'freetype-*' | head -n 1)" | cut -d- -f2 | sed 's/+dfsg.*//')
{
    printf '# sparkfield and boxpair %s for 64-bit Windows\n\n' "$version"
    printf 'These programs hold SFML %s and FreeType %s, linked in: they need no DLL beyond\n' "$sfml_version" "$freetype_version"
    printf "Windows' own. Start them from a command prompt to see boxpair's lines.\n\n"
    cat "$here/README.md"
} >"$staging/README.md"
# The same files make the same zip: its members in one order, with fixed modes, the commit's
# time (SOURCE_DATE_EPOCH where set) read in UTC, and none of the extra fields that would hold
# owners and exact times.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct)}
chmod 644 "$staging"/*
touch -d "@$epoch" "$staging"/*
(cd "$staging" && LC_ALL=C ls | TZ=UTC zip -q -9 -X -@ "$package")
step "packed $package"
