#!/usr/bin/env bash
# Sets up, then builds and runs the whole test suite as built for use (with formatting and
# packaging checks), builds the static analysis, and builds and runs the suite again with
# AddressSanitizer and UndefinedBehaviorSanitizer: CMake's workflow presets release, lint and
# sanitize. Every part always runs; it ends with a line for each and fails if any failed.
# SKIP_SANITIZERS=1 leaves out the sanitized part.
set -uo pipefail

. "$(dirname "$0")/lib/common.sh"
cd "$here"
scripts/setup.sh || exit 1
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

parts=("release:Tests" "lint:Static analysis")
[ "${SKIP_SANITIZERS:-0}" = 1 ] || parts+=("sanitize:Tests with AddressSanitizer and UndefinedBehaviorSanitizer")
outcomes=()
for part in "${parts[@]}"; do
    echo "== ${part#*:}"
    if cmake --workflow --preset "${part%%:*}"; then
        outcomes+=("passed: ${part#*:}")
    else
        outcomes+=("FAILED: ${part#*:}")
    fi
done

echo
printf '%s\n' "${outcomes[@]}"
! printf '%s\n' "${outcomes[@]}" | grep -q '^FAILED'
