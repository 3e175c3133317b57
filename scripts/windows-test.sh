#!/usr/bin/env bash
# Builds the Windows programs (scripts/windows-build.sh) and runs them under Wine on private
# virtual displays: windows, picture, output lines and endings, as on Linux.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
scripts/windows-build.sh
scripts/setup.sh release >/dev/null
echo "== Windows programs under Wine"
WINDOWS_PROGRAMS="$here/build-windows/package" ctest --test-dir build --output-on-failure -L wine
