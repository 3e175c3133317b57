# Clean minimal Debian installs for the checks that try this checkout as a new machine would
# (scripts/ci/fresh-machine.sh, scripts/ci/cross-check.sh). Sourced after common.sh, not run;
# needs root.
#
# clean_install RELEASE makes the install from a pristine base image, cached in
# $FRESH_MACHINE_CACHE (default /var/cache/sparkfield-boxpair/fresh-machine), and clones the
# checkout's committed HEAD into it. `inside` runs commands there, in a private mount and PID
# namespace: the install's mounts exist only there, and when the namespace's first process
# ends, the kernel ends every process inside it. On exit the install is deleted, the virtual
# display and the namespace ended.

. "$here/scripts/lib/packages.sh"
cache=${FRESH_MACHINE_CACHE:-/var/cache/sparkfield-boxpair/fresh-machine}
work=
root=
server_pid=
run_pid=
side_pids=() # other namespaces a check starts beside run_pid's
display_number=

[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (chroot, mounts)" >&2; exit 2; }

# The namespace's parent (unshare) shields itself from SIGTERM while it waits; SIGKILL ends it,
# and with it, through --kill-child, everything in the namespace.
stop_namespace() {
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

stop_virtual_display() {
    [ -z "$server_pid" ] || { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; } || true
    server_pid=
}

clean_install_cleanup() {
    local status=$?
    local pid
    for pid in $run_pid "${side_pids[@]}"; do stop_namespace "$pid"; done
    stop_virtual_display
    # The mounts lived in the namespace, which is gone; refuse to delete through any that is not.
    if [ -n "$root" ] && findmnt -rn -o TARGET | grep -q "^$root"; then
        echo "$0: mounts remain under $root; not deleting it" >&2
        exit 1
    fi
    [ -z "$work" ] || rm -rf --one-file-system "$work"
    exit "$status"
}
trap clean_install_cleanup EXIT
trap 'exit 130' INT TERM

# clean_install RELEASE: a fresh install of RELEASE (minbase plus git) at $root, the checkout
# at /root/sparkfield-boxpair in it.
clean_install() {
    local release=$1
    local base="$cache/$release-minbase.tar"
    "$here/scripts/lib/install-missing.sh" "${clean_install_packages[@]}"
    mkdir -p "$cache"
    if [ ! -s "$base" ]; then
        step "making the base image $base"
        # A testing release's Release file is valid for a week only, so a mirror frozen in time
        # (a snapshot, or an archive copy) would be refused; the setting stays in the install.
        local valid_until=()
        [ "$release" != forky ] || valid_until=(--aptopt='Acquire::Check-Valid-Until "false"')
        mmdebstrap --variant=minbase --format=tar --include=git,ca-certificates "${valid_until[@]}" \
            "$release" "$base.partial" "${FRESH_MACHINE_MIRROR:-$("$here/scripts/lib/debian-mirror.sh")}"
        mv "$base.partial" "$base"
    fi
    step "unpacking a clean $release install"
    work=$(mktemp -d "$cache/$release.XXXXXX")
    root="$work/root"
    mkdir "$root"
    tar -xf "$base" -C "$root"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    git clone --quiet --no-hardlinks "$here" "$root/root/sparkfield-boxpair"
}

# Runs a command as root inside the install, from the top of the checkout, with the machine's
# file systems mounted in a namespace of its own. Call it in a subshell: it replaces the shell,
# so the subshell's PID is the namespace's own and ending it ends everything inside. The
# virtual display, when one runs, is the command's DISPLAY.
inside() {
    local environment=(PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8)
    [ -z "$display_number" ] || environment+=(DISPLAY=":$display_number")
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

# A virtual display of this machine, standing for the user's desktop. X clients in the install
# reach it through its abstract socket, so nothing of this machine is mounted inside.
start_virtual_display() {
    "${virtual_display[@]}" serve >"$work/display" 2>"$work/display.log" &
    server_pid=$!
    timeout 30 bash -c "until grep -q . '$work/display'; do sleep 0.1; done" ||
        { echo "no virtual display: $(cat "$work/display.log")" >&2; exit 1; }
    display_number=$(tr -d : <"$work/display")
}
