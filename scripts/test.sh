#!/usr/bin/env bash
# Sets up and builds, then runs the whole test suite twice: as built for use, with static
# analysis; and built with AddressSanitizer and UndefinedBehaviorSanitizer. Ends with CTest's
# summary. SKIP_SANITIZERS=1 runs the first only.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$here/scripts/setup.sh" "$here/build"
echo "== Tests"
(cd "$here/build" && ctest --output-on-failure --parallel "$jobs")

if [ "${SKIP_SANITIZERS:-0}" != 1 ]; then
    "$here/scripts/setup.sh" "$here/build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DENABLE_SANITIZERS=ON -DBUILD_BENCHMARKS=OFF
    echo "== Tests with AddressSanitizer and UndefinedBehaviorSanitizer"
    (cd "$here/build-sanitize" && ctest --output-on-failure --parallel "$jobs")
fi
