#!/usr/bin/env bash
# Runs a program on a private virtual display for a while and saves a picture of its window:
#   scripts/capture.sh sparkfield|boxpair SECONDS OUTPUT.png
# An OUTPUT ending in .gif gets an animation of three seconds from then on instead.
# Expects the programs built (scripts/setup.sh release does that); SPARKFIELD_BUILT or
# BOXPAIR_BUILT names another build of one.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
. "$here/scripts/lib/packages.sh"
case "${1:-}" in
    sparkfield | boxpair) ;;
    *) echo "usage: $0 sparkfield|boxpair SECONDS OUTPUT.png|OUTPUT.gif" >&2; exit 2 ;;
esac
name=$1
variable="${name^^}_BUILT" # another build of it, as the tests name it
binary=${!variable:-"$builds/release/$name/$name"}
[ -x "$binary" ] || fail "$binary is not built; run scripts/setup.sh release"
"${virtual_display[@]}" capture "${2:?seconds to run}" "$(realpath -m "${3:?output file}")" "$binary"
