#!/usr/bin/env bash
# Sets up and builds, then runs the whole test suite twice: as built for use (with static
# analysis, formatting and packaging checks), and built with AddressSanitizer and
# UndefinedBehaviorSanitizer. Ends with CTest's summary. SKIP_SANITIZERS=1 runs the first only.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

scripts/setup.sh release
echo "== Tests"
ctest --preset release

if [ "${SKIP_SANITIZERS:-0}" != 1 ]; then
    scripts/setup.sh sanitize
    echo "== Tests with AddressSanitizer and UndefinedBehaviorSanitizer"
    ctest --preset sanitize
fi
