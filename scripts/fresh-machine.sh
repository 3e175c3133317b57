#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a clean minimal Debian install:
#   scripts/fresh-machine.sh bookworm|trixie|forky
# Makes the install with mmdebstrap (minbase plus git), clones this checkout's committed HEAD
# into it, then, exactly as the README writes them:
#   1. scripts/run.sh sparkfield, shown on a virtual display of this machine; the check waits
#      for the "Particles" window, checks its size and ends the program;
#   2. scripts/test.sh, which must pass.
# Needs root. The pristine base image is cached in $FRESH_MACHINE_CACHE (default
# /var/cache/sparkfield-boxpair/fresh-machine), so later runs skip the download.
#
# Everything runs in a private mount and PID namespace: the install's mounts exist only there,
# and when the namespace's first process ends, the kernel ends every process inside it.
set -euo pipefail

release=${1:-}
case "$release" in
    bookworm | trixie | forky) ;;
    *) echo "usage: $0 bookworm|trixie|forky" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (chroot, mounts)" >&2; exit 2; }

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${FRESH_MACHINE_CACHE:-/var/cache/sparkfield-boxpair/fresh-machine}
mirror=${FRESH_MACHINE_MIRROR:-$("$here/scripts/debian-mirror.sh")}
base="$cache/$release-minbase.tar"
started=$SECONDS

step() { printf '\n==> [%s, %ds] %s\n' "$release" $((SECONDS - started)) "$*"; }

"$here/scripts/install-missing.sh" mmdebstrap xvfb xdotool

mkdir -p "$cache"
if [ ! -s "$base" ]; then
    step "making the base image $base"
    # A testing release's Release file is valid for a week only, so a mirror frozen in time
    # (a snapshot, or an archive copy) would be refused; the setting stays in the install.
    valid_until=()
    [ "$release" != forky ] || valid_until=(--aptopt='Acquire::Check-Valid-Until "false"')
    mmdebstrap --variant=minbase --format=tar --include=git,ca-certificates "${valid_until[@]}" \
        "$release" "$base.partial" "$mirror"
    mv "$base.partial" "$base"
fi

work=$(mktemp -d "$cache/$release.XXXXXX")
root="$work/root"
server_pid=
run_pid=

# The namespace's parent (unshare) shields itself from SIGTERM while it waits; SIGKILL ends it,
# and with it, through --kill-child, everything in the namespace.
stop_namespace() {
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

cleanup() {
    local status=$?
    [ -z "$run_pid" ] || stop_namespace "$run_pid"
    [ -z "$server_pid" ] || { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; }
    # The mounts lived in the namespace, which is gone; refuse to delete through any that is not.
    if findmnt -rn -o TARGET | grep -q "^$root"; then
        echo "$0: mounts remain under $root; not deleting it" >&2
        exit 1
    fi
    rm -rf --one-file-system "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

step "unpacking a clean $release install"
mkdir "$root"
tar -xf "$base" -C "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone --quiet --no-hardlinks "$here" "$root/root/sparkfield-boxpair"

# Runs a command as root inside the install, from the top of the checkout, with the machine's
# file systems mounted in a namespace of its own. Call it in a subshell: it replaces the shell,
# so the subshell's PID is the namespace's own and ending it ends everything inside.
inside() {
    local environment=(PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8)
    [ -z "${DISPLAY_FOR_RUN:-}" ] || environment+=(DISPLAY="$DISPLAY_FOR_RUN")
    exec unshare --mount --pid --fork --kill-child --propagation private -- \
        env -i "${environment[@]}" \
        bash -c '
            set -e
            root=$1; shift
            mount -t proc proc "$root/proc"
            mount -t sysfs sys "$root/sys"
            mount --rbind /dev "$root/dev"
            mount -t tmpfs shm "$root/dev/shm"
            mount -t tmpfs tmp "$root/tmp"
            exec chroot "$root" bash -c "cd /root/sparkfield-boxpair && $*"
        ' inside "$root" "$@"
}

# 1. The run command, on a virtual display that stands for the user's desktop. X clients
#    reach it through its abstract socket, so nothing of this machine is mounted inside.
step "scripts/run.sh sparkfield (on a virtual display)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
server_pid=$!
timeout 30 bash -c "until grep -q . '$work/display'; do sleep 0.1; done" || { echo "Xvfb did not start" >&2; exit 1; }
display_number=$(cat "$work/display")
(DISPLAY_FOR_RUN=":$display_number" inside scripts/run.sh sparkfield) > >(sed -u 's/^/    /') 2>&1 &
run_pid=$!
window=$(DISPLAY=":$display_number" timeout 1800 xdotool search --sync --onlyvisible --name '^Particles$' | head -n 1) || true
if [ -z "$window" ]; then
    echo "FAIL: no sparkfield window appeared" >&2
    exit 1
fi
geometry=$(DISPLAY=":$display_number" xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')
step "the window \"Particles\" appeared, $geometry"
[ "$geometry" = 600x400 ] || { echo "FAIL: window is $geometry, expected 600x400" >&2; exit 1; }
stop_namespace "$run_pid"
run_pid=
kill "$server_pid" && wait "$server_pid" 2>/dev/null || true
server_pid=

# 2. The test command.
step "scripts/test.sh"
(inside scripts/test.sh) &
run_pid=$!
wait "$run_pid"
run_pid=
step "passed"
