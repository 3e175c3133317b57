#!/usr/bin/env bash
# Sets the web page's speed beside the desktop's, in one run: scripts/web-bench.sh
# 1. the particle update (bench/UpdateTimer.cpp) built natively and as WebAssembly under
#    Node.js, run in turn three times each, at 1 000 and 100 000 particles: the medians, and
#    their ratio (goal: at most 2);
# 2. the page's frame with 100 000 particles in headless Chromium (bench/page_frame_time.py).
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
"$here/scripts/setup.sh" release >/dev/null
BUILD_WEB_TESTS=ON "$here/scripts/web.sh" >/dev/null
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
native=("$builds/release/bench/update_timer")
wasm=(node "$builds/web/update_timer.js")

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for round in 1 2 3; do
    step "round $round of 3"
    "${native[@]}" | sed 's/^/native /' >>"$results"
    "${wasm[@]}" | sed 's/^/wasm /' >>"$results"
done
# Lines "native particles N: update X us": the median of each kind and size, and their ratio.
/usr/bin/python3 - "$results" <<'SUMMARY'
import statistics
import sys

times = {}
for line in open(sys.argv[1]):
    kind, _, size, _, microseconds, _ = line.split()
    times.setdefault((kind, size.rstrip(":")), []).append(float(microseconds))
for size in ("1000", "100000"):
    native, wasm = (statistics.median(times[kind, size]) for kind in ("native", "wasm"))
    print(f"update, {size} particles: native {native:.1f} us, WebAssembly {wasm:.1f} us: "
          f"{wasm / native:.2f} times the native time (goal: at most 2)")
SUMMARY
/usr/bin/python3 "$here/bench/page_frame_time.py" "$builds/web/sparkfield-boxpair.html"
