#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a clean minimal Debian install:
#   scripts/ci/fresh-machine.sh bookworm|trixie|forky
# Makes the install with mmdebstrap (minbase plus git), clones this checkout's committed HEAD
# into it, then, exactly as the README writes them:
#   1. scripts/run.sh sparkfield, shown on a virtual display of this machine, while another
#      installation holds apt's locks, as a new desktop's automatic updates often do: the run
#      command must say that it waits for it, and go on once it ends. The check then waits for
#      the program's window, says what it is and ends the program;
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

# until FILE PATTERN WHAT: waits, at most five minutes, for FILE to hold a line matching PATTERN.
until_seen() {
    timeout 300 bash -c "until grep -q '$2' '$1' 2>/dev/null; do sleep 0.2; done" || fail "$3 did not happen"
}

# 1. Another installation, held at the moment dpkg would start until this check lets it go.
step "another installation holds apt's locks"
mkfifo "$root/root/let-dpkg-go"
(inside "apt-get update -qq && apt-get install -y -qq --reinstall base-files \
    -o DPkg::Pre-Invoke::='echo holding >/root/holding; cat /root/let-dpkg-go'" >"$work/other.log" 2>&1) &
side_pids+=($!)
until_seen "$root/root/holding" holding "the other installation's hold on apt"

# 2. The run command, on a virtual display that stands for the user's desktop.
step "scripts/run.sh sparkfield (on a virtual display), while the other installation runs"
start_virtual_display
(inside scripts/run.sh sparkfield) > >(tee "$work/run.log" | sed -u 's/^/    /') 2>&1 &
run_pid=$!
until_seen "$work/run.log" 'Waiting for.*lock' "the run command's wait for the other installation"
step "it waits; the other installation goes on"
echo go >"$root/root/let-dpkg-go"
wait "${side_pids[0]}" || { cat "$work/other.log" >&2; fail "the other installation failed"; }
side_pids=()
window=$(DISPLAY=":$display_number" "${virtual_display[@]}" window 1800) || fail "no window appeared"
step "the window appeared: $window"
stop_namespace "$run_pid"
run_pid=
stop_virtual_display
display_number=

# 3. The test command. The web page's build fetches SFML's source; where this machine names a
# local copy, as CI does for want of a network, the install gets the same.
settings="SKIP_SANITIZERS=${SKIP_SANITIZERS:-0}"
if [ -n "${FETCHCONTENT_SOURCE_DIR_SFML:-}" ]; then
    cp -r "$FETCHCONTENT_SOURCE_DIR_SFML" "$root/root/sfml-source"
    settings+=" FETCHCONTENT_SOURCE_DIR_SFML=/root/sfml-source"
fi
step "scripts/test.sh"
(inside "$settings scripts/test.sh") &
run_pid=$!
wait "$run_pid"
run_pid=
step "passed"
