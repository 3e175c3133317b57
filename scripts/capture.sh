#!/usr/bin/env bash
# Runs a program on a private virtual display for a while and saves a picture of its window:
#   scripts/capture.sh sparkfield|boxpair SECONDS OUTPUT.png
# An OUTPUT ending in .gif gets an animation of about two seconds from then on instead.
# Expects the programs built (scripts/setup.sh does that).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:?program name}
seconds=${2:?seconds to run}
output=$(realpath -m "${3:?output file}")
case "$program" in
    sparkfield) title=Particles ;;
    boxpair) title="Chase AI" ;;
    *) echo "unknown program: $program" >&2; exit 2 ;;
esac
binary="$here/build/$program/$program"
[ -x "$binary" ] || { echo "$binary is not built; run scripts/setup.sh" >&2; exit 1; }

xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" bash -c '
    set -euo pipefail
    binary=$1 title=$2 seconds=$3 output=$4
    "$binary" >/dev/null 2>&1 &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name "^$title\$" | head -n 1)
    sleep "$seconds"
    case "$output" in
        *.gif)
            frames=$(mktemp -d)
            for i in $(seq -w 1 30); do
                import -window "$window" "$frames/$i.png"
                sleep 0.03
            done
            convert -delay 10 -loop 0 "$frames"/*.png -layers Optimize "$output"
            rm -rf "$frames" ;;
        *) import -window "$window" "$output" ;;
    esac
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' capture "$binary" "$title" "$seconds" "$output"
echo "saved $output"
