#!/usr/bin/env bash
# Installs what building, running and testing need (Debian 12, 13 or testing), then configures
# and builds one CMake preset: scripts/setup.sh [release|debug|sanitize], release by default.
# SFML_FROM_SOURCE=ON builds SFML 3.0.2 from its source as part of the build instead of taking
# the installed SFML; FETCHCONTENT_SOURCE_DIR_SFML names a local copy of that source.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-release}

packages=(
    cmake g++ make pkg-config dpkg-dev file
    libsfml-dev libx11-dev libgl-dev libxcomposite-dev libxdo-dev libboost-dev libboost-filesystem-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool imagemagick x11-utils openbox weston xwayland tigervnc-standalone-server
    python3-pytest python3-pytest-timeout python3-xlib python3-pil
    clang-tidy clang-format cppcheck
    lintian desktop-file-utils appstream man-db
)

sfml_options=(-DSFML_FROM_SOURCE="${SFML_FROM_SOURCE:-OFF}")
if [ "${SFML_FROM_SOURCE:-OFF}" = ON ]; then
    # What SFML's window and graphics modules build against.
    packages+=(git libxrandr-dev libxcursor-dev libxi-dev libudev-dev libfreetype-dev)
    [ -z "${FETCHCONTENT_SOURCE_DIR_SFML:-}" ] ||
        sfml_options+=(-DFETCHCONTENT_SOURCE_DIR_SFML="$FETCHCONTENT_SOURCE_DIR_SFML")
fi

"$here/scripts/install-missing.sh" "${packages[@]}"

cd "$here"
echo "==> Configuring and building (CMake preset '$preset')"
cmake --preset "$preset" "${sfml_options[@]}" | grep "Building with SFML"
cmake --build --preset "$preset" --parallel "$(nproc)"
