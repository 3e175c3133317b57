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

# apt-get update takes the package lists' lock and fails at once if another holds it: it is
# tried again, every two seconds, until the deadline.
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
until "${as_root[@]}" apt-get update 2>"$errors"; do
    grep -q 'Could not get lock' "$errors" && [ $SECONDS -lt $deadline ] || { cat "$errors" >&2; exit 1; }
    echo "==> Waiting for another package manager to finish: $(grep -m 1 -o 'Could not get lock.*' "$errors")" \
        "($((deadline - SECONDS)) s more at most)"
    sleep 2
done
cat "$errors" >&2 # apt's warnings, if any
# apt-get install waits for dpkg's locks itself, given a time, and says so as it waits.
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=$((deadline > SECONDS ? deadline - SECONDS : 1)) \
    install -y --no-install-recommends "${missing[@]}"
