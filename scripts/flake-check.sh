#!/usr/bin/env bash
# Runs the end-to-end, desktop, reliability, display and figures suites ROUNDS times in a row (10
# by default) with both cores kept busy beside them, as on a loaded machine, and prints how many
# rounds each test passed: scripts/flake-check.sh [rounds]. Uses the release build; fails if any round failed.
set -uo pipefail

. "$(dirname "$0")/lib/common.sh"
rounds=${1:-10}
build="$builds/release"
log="$build/flake-check.log"

"$here/scripts/setup.sh" release >/dev/null || exit 1

spinners=()
stop_spinners() { [ ${#spinners[@]} -eq 0 ] || kill "${spinners[@]}" 2>/dev/null; }
trap stop_spinners EXIT
for _ in 1 2; do
    (while :; do :; done) &
    spinners+=($!)
done

ctest --test-dir "$build" -L 'e2e|desktop|reliability|display|figures' --repeat until-fail:"$rounds" --parallel 2 \
    --output-on-failure >"$log" 2>&1
status=$?
stop_spinners
spinners=()

# One line a test: rounds passed of rounds run.
sed -n 's/^ *\([0-9]*\/[0-9]* \)\{0,1\}Test *#[0-9]*: \([^ ]*\) .*\(Passed\|Failed\|Not Run\|\*\*\*[A-Za-z]*\|Skipped\).*/\2 \3/p' "$log" |
    awk '{ runs[$1]++; if ($2 == "Passed" || $2 == "Skipped") passed[$1]++ }
         END { for (t in runs) printf "%3d of %3d  %s\n", passed[t], runs[t], t }' | sort -k4
tail -n 4 "$log"
exit "$status"
