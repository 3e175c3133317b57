#!/usr/bin/env bash
# Installs what building, running and testing need (Debian 12, 13 or testing), then configures
# and builds a CMake preset if one is named: scripts/setup.sh [release|debug|sanitize|lint]
# SFML_FROM_SOURCE=ON builds SFML 3.0.2 from its source as part of the build instead of taking
# the installed SFML; FETCHCONTENT_SOURCE_DIR_SFML names a local copy of that source. The
# presets read both from the environment.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
. "$here/scripts/lib/packages.sh"

packages=("${test_packages[@]}")
[ "${SFML_FROM_SOURCE:-OFF}" != ON ] || packages+=("${sfml_source_packages[@]}")
"$here/scripts/lib/install-missing.sh" "${packages[@]}"

[ $# -gt 0 ] || exit 0
cd "$here"
step "Configuring and building (CMake preset '$1')"
cmake --preset "$1" | grep "Building with SFML"
cmake --build --preset "$1" --parallel "$(nproc)"
