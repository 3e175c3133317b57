#!/usr/bin/env bash
# Installs those of the given Debian packages that are not installed yet, with apt's own
# progress: scripts/lib/install-missing.sh PACKAGE... Runs apt through sudo unless run as root.
# Does nothing where there is no dpkg (another distribution: install them by hand).
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
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
