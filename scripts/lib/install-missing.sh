#!/usr/bin/env bash
# Installs those of the given Debian packages that are not installed yet, with apt's own
# progress: scripts/lib/install-missing.sh PACKAGE... Runs apt through sudo unless run as root.
# Does nothing where there is no dpkg (another distribution: install them by hand).
#
# Another package manager may be at work: a new desktop often runs its automatic updates right
# after boot. apt then holds its locks, and rather than fail at once this waits for them, saying
# what it waits for, up to APT_LOCK_WAIT seconds (default 900) in all.
set -euo pipefail

command -v dpkg-query >/dev/null || exit 0
missing=()
for package in "$@"; do
    dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null | grep -q '^ii' || missing+=("$package")
done
[ ${#missing[@]} -gt 0 ] || exit 0

echo "==> Installing: ${missing[*]} (with their dependencies)"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
lock_wait=${APT_LOCK_WAIT:-900}
deadline=$((SECONDS + lock_wait))
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT

# apt_get ARGUMENTS...: apt-get, tried again every two seconds until the deadline while another
# package manager holds a lock it needs, which it says each time. apt fails at once on a held
# lock, before it changes anything; its other messages on standard error follow its run.
apt_get() {
    until DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=0 "$@" 2>"$errors"; do
        grep -q 'Could not get lock' "$errors" && [ $SECONDS -lt $deadline ] || { cat "$errors" >&2; exit 1; }
        echo "==> Waiting for another package manager to finish: $(grep -m 1 -o 'Could not get lock.*' "$errors")" \
            "($((deadline - SECONDS)) s more at most)"
        sleep 2
    done
    cat "$errors" >&2
}

apt_get update
apt_get install -y --no-install-recommends "${missing[@]}"
