#!/usr/bin/env bash
# Builds the Debian package, checks what it declares, unpacks it into a scratch root and runs
# the end-to-end tests of sparkfield against the installed program.
# Usage: check-package.sh BUILD_DIR SPARKFIELD_E2E_TESTS VERSION
set -euo pipefail

build=$1
e2e_tests=$2
version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$scratch" >/dev/null
deb=$(ls "$scratch"/*.deb)
echo "built $(basename "$deb")"

field() { dpkg-deb --field "$deb" "$1"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(field Package)" = sparkfield-boxpair ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "version is '$(field Version)', expected $version"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"
# The SFML packages are the ones that hold the libraries the built program loads, whatever
# SFML release this Debian brings.
for module in graphics window system; do
    library=$(ldd "$build/sparkfield/sparkfield" | awk -v name="libsfml-$module" 'index($1, name) == 1 { print $3 }')
    [ -n "$library" ] || fail "sparkfield does not load libsfml-$module"
    package=$(dpkg -S "$(readlink -f "$library")" | cut -d: -f1)
    field Depends | grep -qw "$package" || fail "does not depend on $package: $(field Depends)"
done

root="$scratch/root"
dpkg-deb --extract "$deb" "$root"
for program in sparkfield boxpair; do
    [ -x "$root/usr/bin/$program" ] || fail "no usr/bin/$program in the package"
done

SPARKFIELD_UNDER_TEST="$root/usr/bin/sparkfield" "$e2e_tests" --gtest_brief=1
