#!/usr/bin/env bash
# Runs a program on a private virtual display for a while and saves a picture of its window.
# Usage: scripts/capture.sh sparkfield|boxpair SECONDS OUTPUT.png
# Expects the programs built (scripts/setup.sh does that).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:?program name}
seconds=${2:?seconds to run}
output=$(realpath -m "${3:?output PNG}")
case "$program" in
    sparkfield) title=Particles ;;
    boxpair) title="Chase AI" ;;
    *) echo "unknown program: $program" >&2; exit 2 ;;
esac
binary="$here/build/$program/$program"
[ -x "$binary" ] || { echo "$binary is not built; run scripts/setup.sh" >&2; exit 1; }

xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" bash -c '
    set -euo pipefail
    "$1" >/dev/null 2>&1 &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name "^$2\$" | head -n 1)
    sleep "$3"
    import -window "$window" "$4"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' capture "$binary" "$title" "$seconds" "$output"
echo "saved $output"
