#!/usr/bin/env bash
# Runs each program and the minimal SFML loop it is measured against on a private virtual
# display, in turn and for several rounds; counts frames shown and CPU time over the same window
# of time, and prints the medians side by side with the ratios and goals.
# Usage: scripts/frameloop-bench.sh [seconds to measure, default 5] [rounds, default 5]
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
. "$here/scripts/lib/packages.sh"
seconds=${1:-5}
rounds=${2:-5}
build="$builds/release"
"$here/scripts/setup.sh" release >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

programs=(sparkfield fixed_points boxpair empty_loop)
declare -A binary=(
    [sparkfield]="$build/sparkfield/sparkfield" [fixed_points]="$build/bench/fixed_points_loop"
    [boxpair]="$build/boxpair/boxpair" [empty_loop]="$build/bench/empty_loop"
)

# measure NAME ROUND: appends "fps cpu_ms_per_frame rss_mib" for one run to $work/NAME
measure() {
    local name=$1 report="$work/$1.$2"
    "${virtual_display[@]}" run env LD_PRELOAD="$build/bench/libframe_meter.so" FRAMELOOP_REPORT="$report" \
            FRAMELOOP_WARMUP=1 FRAMELOOP_SECONDS="$seconds" \
        "${binary[$name]}" >/dev/null 2>&1 || true
    [ -s "$report" ] || fail "$name: no measurement"
    sed 's/[a-z_]*=//g' "$report" |
        awk '{ printf "%.3f %.4f %.1f\n", $1 / $3, 1000 * $2 / $1, $4 / 1024 }' >>"$work/$name"
}

# Interleaved, so a change in the machine's speed during the run touches all alike.
for round in $(seq "$rounds"); do
    for name in "${programs[@]}"; do measure "$name" "$round"; done
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column() { awk -v c="$2" '{ print $c }' "$work/$1" | median; }

echo "medians of $rounds runs of $seconds s each"
printf '%-14s %10s %14s %14s\n' program "frames/s" "CPU ms/frame" "peak RSS MiB"
for name in "${programs[@]}"; do
    printf '%-14s %10.1f %14.3f %14.1f\n' "$name" "$(column "$name" 1)" "$(column "$name" 2)" "$(column "$name" 3)"
done

awk -v sf="$(column sparkfield 1)" -v ff="$(column fixed_points 1)" -v bf="$(column boxpair 1)" \
    -v bc="$(column boxpair 2)" -v ec="$(column empty_loop 2)" '
    function verdict(ok) { return ok ? "met" : "MISSED" }
    BEGIN {
        printf "\nsparkfield frame rate / fixed-points loop: %.3f  (goal >= 0.90: %s)\n", sf / ff, verdict(sf / ff >= 0.90)
        printf "boxpair frames per second:                 %.1f   (goal 60: %s)\n", bf, verdict(bf >= 59.0)
        printf "boxpair CPU per frame / empty 60-fps loop: %.3f  (goal <= 1.40: %s)\n", bc / ec, verdict(bc / ec <= 1.40)
    }'
