#!/usr/bin/env bash
# Runs each program and the minimal SFML loop it is measured against, one after the other, on
# a private virtual display; counts frames shown and CPU time over the same window of time and
# prints them side by side with the ratios and goals.
# Usage: scripts/frameloop-bench.sh [seconds to measure, default 5]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-5}
build="$here/build"
"$here/scripts/setup.sh" release >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure NAME BINARY: leaves "frames=… cpu_seconds=… wall_seconds=… max_rss_kib=…" in $work/NAME
measure() {
    local name=$1 binary=$2
    xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" \
        env LD_PRELOAD="$build/tests/libswap_counter.so" FRAMELOOP_REPORT="$work/$name" \
            FRAMELOOP_WARMUP=1 FRAMELOOP_SECONDS="$seconds" \
        "$binary" >"$work/$name.out" 2>/dev/null || true
    [ -s "$work/$name" ] || { echo "$name: no measurement" >&2; exit 1; }
}

field() { sed -n "s/.*$2=\([0-9.]*\).*/\1/p" "$work/$1"; }

measure sparkfield "$build/sparkfield/sparkfield"
measure fixed_points "$build/bench/fixed_points_loop"
measure boxpair "$build/boxpair/boxpair"
measure empty_loop "$build/bench/empty_loop"

printf '%-14s %8s %10s %16s %12s\n' program frames "frames/s" "CPU ms/frame" "peak RSS MiB"
for name in sparkfield fixed_points boxpair empty_loop; do
    awk -v name="$name" -v f="$(field "$name" frames)" -v c="$(field "$name" cpu_seconds)" \
        -v w="$(field "$name" wall_seconds)" -v r="$(field "$name" max_rss_kib)" \
        'BEGIN { printf "%-14s %8d %10.1f %16.3f %12.1f\n", name, f, f / w, 1000 * c / f, r / 1024 }'
done

awk -v sf="$(field sparkfield frames)" -v sw="$(field sparkfield wall_seconds)" \
    -v ff="$(field fixed_points frames)" -v fw="$(field fixed_points wall_seconds)" \
    -v bf="$(field boxpair frames)" -v bw="$(field boxpair wall_seconds)" -v bc="$(field boxpair cpu_seconds)" \
    -v ef="$(field empty_loop frames)" -v ec="$(field empty_loop cpu_seconds)" '
    function verdict(ok) { return ok ? "met" : "MISSED" }
    BEGIN {
        spark = (sf / sw) / (ff / fw); box = bf / bw; cpu = (bc / bf) / (ec / ef)
        printf "\nsparkfield frame rate / fixed-points loop: %.3f  (goal >= 0.90: %s)\n", spark, verdict(spark >= 0.90)
        printf "boxpair frames per second:                 %.1f   (goal 60: %s)\n", box, verdict(box >= 59.0)
        printf "boxpair CPU per frame / empty 60-fps loop: %.3f  (goal <= 1.40: %s)\n", cpu, verdict(cpu <= 1.40)
    }'
