# What the scripts share: the checkout's root, a step's heading and a failure's message.
# Sourced, not run, first thing: `. "$(dirname "$0")/lib/common.sh"` (from scripts/ci/,
# `/../lib/common.sh`). A script may set `label` to name itself in headings and failures.

# The top of the checkout.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# Every build folder is here, one for each kind of build: build/release, build/windows, ...
builds="$here/build"
label=${label:-$(basename "$0" .sh)}
started=$SECONDS

# The version project() in CMakeLists.txt gives.
project_version() { sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt"; }

# step TEXT: the next step's heading, with the seconds the script has taken so far. On standard
# error, as standard output may be a program's own (scripts/run.sh boxpair | head).
step() { printf '==> [%s, %ds] %s\n' "$label" $((SECONDS - started)) "$*" >&2; }

# fail TEXT: one line on standard error, then exit with status 1.
fail() { echo "FAIL ($label): $*" >&2; exit 1; }
