#!/usr/bin/env bash
# Builds and runs the particle benchmarks, then sets them side by side with Google Benchmark's
# compare.py: the update against the plain reference loop, and against the memory floor.
# Drawing is measured on a private virtual display when there is no desktop. Extra arguments
# go to Google Benchmark (for example --benchmark_repetitions=5).
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
. "$here/scripts/lib/packages.sh"
"$here/scripts/setup.sh" release >/dev/null
compare=/usr/share/benchmark/compare.py
# Debian's own Python, which has the packaged scipy that compare.py needs.
python=/usr/bin/python3
"$here/scripts/lib/install-missing.sh" libbenchmark-tools python3-scipy >&2

bench="$builds/release/bench/particle_bench"
results=$(mktemp --suffix=.json)
trap 'rm -f "$results"' EXIT
arguments=(--benchmark_out="$results" --benchmark_out_format=json "$@")
if [ -n "${DISPLAY:-}" ]; then
    "$bench" "${arguments[@]}"
else
    "${virtual_display[@]}" run "$bench" "${arguments[@]}"
fi

# compare.py prints (new - old) / old: -0.85 means the update takes 0.15 of the other's time.
echo; echo "== update against the plain reference loop"
"$python" "$compare" --no-color benchmarksfiltered "$results" reference "$results" update
echo; echo "== update against the memory floor"
"$python" "$compare" --no-color benchmarksfiltered "$results" memoryFloor "$results" update
