#!/usr/bin/env bash
# Runs the long-run tests of both programs for longer: scripts/soak.sh [seconds, default 300].
# Each program runs that long on a virtual display with its memory watched, and boxpair's
# output is checked line by line.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
seconds=${1:-300}
"$here/scripts/setup.sh" release >/dev/null
SOAK_SECONDS="$seconds" PYTEST_ADDOPTS="-k memory" ctest --test-dir "$builds/release" --output-on-failure \
    --timeout $((2 * seconds + 600)) -R '^reliability$'
