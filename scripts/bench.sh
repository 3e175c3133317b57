#!/usr/bin/env bash
# Builds and runs the particle benchmarks; ends with a table of nanoseconds per particle and
# the ratios. Drawing is measured on a private virtual display when there is no desktop.
# Extra arguments go to Google Benchmark (for example --benchmark_filter=update).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" release >/dev/null
bench="$here/build/bench/particle_bench"
if [ -n "${DISPLAY:-}" ]; then
    "$bench" "$@"
else
    # -noreset: the server must not restart between two benchmarks that each open and close
    # the only connection.
    xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24 -noreset" "$bench" "$@"
fi
