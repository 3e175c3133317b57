#!/usr/bin/env bash
# Installs what building, running and testing need (Debian 12), then configures and builds.
# Usage: scripts/setup.sh [build-dir] [extra cmake arguments...]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$here/build"}
shift || true

packages=(
    cmake g++ make pkg-config
    libsfml-dev libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool imagemagick x11-utils
    clang-tidy cppcheck
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$here" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
