#!/usr/bin/env bash
# Runs the long-run tests of both programs for longer: scripts/soak.sh [seconds, default 300].
# Each program runs that long on a virtual display with its memory watched, and boxpair's
# output is checked line by line.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
"$here/scripts/setup.sh" release >/dev/null
cd "$here/build"
SOAK_SECONDS="$seconds" ctest --output-on-failure --parallel 2 --timeout $((seconds + 300)) -R 'KeepsItsMemoryFlatThroughALongRun'
