#!/usr/bin/env bash
# Runs a program on a private virtual display for a while and saves a picture of its window:
#   scripts/capture.sh sparkfield|boxpair SECONDS OUTPUT.png
# An OUTPUT ending in .gif gets an animation of three seconds from then on instead.
# Expects the programs built (scripts/setup.sh release does that).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/lib/packages.sh"
case "${1:-}" in
    sparkfield | boxpair) ;;
    *) echo "usage: $0 sparkfield|boxpair SECONDS OUTPUT.png|OUTPUT.gif" >&2; exit 2 ;;
esac
binary="$here/build/$1/$1"
[ -x "$binary" ] || { echo "$binary is not built; run scripts/setup.sh release" >&2; exit 1; }
"${virtual_display[@]}" capture "${2:?seconds to run}" "$(realpath -m "${3:?output file}")" "$binary"
