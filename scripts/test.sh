#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite; ends with CTest's summary.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
cd "$here/build"
ctest --output-on-failure --parallel "$(nproc)"
