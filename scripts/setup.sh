#!/usr/bin/env bash
# Installs what building, running and testing need (Debian 12 or 13), then configures and builds
# one CMake preset: scripts/setup.sh [release|debug|sanitize], release by default.
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

"$here/scripts/install-missing.sh" "${packages[@]}"

cd "$here"
echo "==> Configuring and building (CMake preset '$preset')"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --parallel "$(nproc)"
