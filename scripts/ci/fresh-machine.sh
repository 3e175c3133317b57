#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a clean minimal Debian install:
#   scripts/ci/fresh-machine.sh bookworm|trixie|forky
# Makes the install with mmdebstrap (minbase plus git), clones this checkout's committed HEAD
# into it, then, exactly as the README writes them:
#   1. scripts/run.sh sparkfield, shown on a virtual display of this machine; the check waits
#      for its window, says what it is and ends the program;
#   2. scripts/test.sh, which must pass (SKIP_SANITIZERS=1 is passed on to it).
# Needs root. The install and its base image: scripts/lib/clean-install.sh.
set -euo pipefail

release=${1:-}
case "$release" in
    bookworm | trixie | forky) ;;
    *) echo "usage: $0 bookworm|trixie|forky" >&2; exit 2 ;;
esac

label=$release
. "$(dirname "$0")/../lib/common.sh"
. "$here/scripts/lib/clean-install.sh"
clean_install "$release"

# 1. The run command, on a virtual display that stands for the user's desktop.
step "scripts/run.sh sparkfield (on a virtual display)"
start_virtual_display
(inside scripts/run.sh sparkfield) > >(sed -u 's/^/    /') 2>&1 &
run_pid=$!
window=$(DISPLAY=":$display_number" "${virtual_display[@]}" window 1800) || fail "no window appeared"
step "the window appeared: $window"
stop_namespace "$run_pid"
run_pid=
stop_virtual_display
display_number=

# 2. The test command.
step "scripts/test.sh"
(inside "SKIP_SANITIZERS=${SKIP_SANITIZERS:-0} scripts/test.sh") &
run_pid=$!
wait "$run_pid"
run_pid=
step "passed"
