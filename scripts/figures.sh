#!/usr/bin/env bash
# Makes the figures of docs/how-it-works.md, in docs/images/, from the programs and the
# libraries they run (figures/ holds what makes them):
#   scripts/figures.sh           makes them anew; look at what changed, and commit it
#   scripts/figures.sh --check   makes them aside and fails where one differs from docs/images/
# Installs what it needs and builds with the release preset (configuring it only if it is not
# yet, so that a build the test command made keeps its SFML).
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
. "$here/scripts/lib/packages.sh"
case "${1:-}" in
    "" | --check) ;;
    *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
"$here/scripts/lib/install-missing.sh" "${run_packages[@]}" "${figure_packages[@]}"

cd "$here"
build="$builds/release"
[ -e "$build/CMakeCache.txt" ] || cmake --preset release >/dev/null
step "Building boxpair and what makes the figures"
cmake --build "$build" --target boxpair figure_data frame_grabber --parallel "$(nproc)" >/dev/null
step "Making the figures"
/usr/bin/python3 figures/make_figures.py "$@" docs/images "$build/boxpair/boxpair" "$build/figures/figure_data" \
    "$build/figures/libframe_grabber.so"
