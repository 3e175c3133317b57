#!/usr/bin/env bash
# Sets up and builds, then runs the whole test suite twice: as built for use (with static
# analysis, formatting and packaging checks), and built with AddressSanitizer and
# UndefinedBehaviorSanitizer. Both halves always run; it ends with a line for each and fails if
# either failed. SKIP_SANITIZERS=1 runs the first only.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

# run_half NAME PRESET: builds and tests one preset; prints and records how it went.
declare -A outcome=()
run_half() {
    local name=$1 preset=$2
    echo "== $name"
    if scripts/setup.sh "$preset" && ctest --preset "$preset"; then
        outcome[$name]=passed
    else
        outcome[$name]=FAILED
    fi
}

halves=("Tests")
run_half "Tests" release
if [ "${SKIP_SANITIZERS:-0}" != 1 ]; then
    halves+=("Tests with AddressSanitizer and UndefinedBehaviorSanitizer")
    run_half "${halves[1]}" sanitize
fi

echo
status=0
for half in "${halves[@]}"; do
    echo "${outcome[$half]}: $half"
    [ "${outcome[$half]}" = passed ] || status=1
done
exit "$status"
