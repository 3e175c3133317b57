#!/usr/bin/env bash
# Builds the Debian package and checks it as Debian's own tools do (lintian, the desktop-entry
# and AppStream validators: any error or warning fails), checks what it declares and how its
# programs are hardened (checksec), unpacks it into a scratch root, finds the manual pages there
# and after `cmake --install`, and runs the end-to-end tests given after the version against
# the programs installed there.
# Usage: check-package.sh BUILD_DIR VERSION E2E_TEST_COMMAND...
set -euo pipefail

build=$1
version=$2
shift 2
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
# The package depends on the package of each library the programs load by name: SFML's own
# where it is a shared library, and where SFML is built into the programs, what it loads.
for program in sparkfield boxpair; do
    binary="$build/$program/$program"
    for needed in $(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        # ldd names each library "NAME => PATH", but the dynamic loader by its path alone.
        path=$(ldd "$binary" | awk -v name="$needed" '$1 == name { print $3 } $1 ~ ("/" name "$") { print $1 }')
        [ -n "$path" ] || fail "$program needs $needed, which ldd does not find"
        library=$(readlink -f "$path")
        # Matched by its last two path parts, as merged-/usr systems list some under /lib.
        package=$(dpkg -S "*/$(basename "$(dirname "$library")")/$(basename "$library")" | head -n 1 | cut -d: -f1)
        [ -n "$package" ] || fail "$program loads $needed, which no package holds"
        field Depends | grep -qw "$package" || fail "does not depend on $package ($needed): $(field Depends)"
    done
done

# lintian --info explains every finding; informational notes (I:) are not findings.
lintian --info "$deb" >"$scratch/lintian.log" 2>&1 || true
if grep -E '^[EW]: ' "$scratch/lintian.log"; then
    cat "$scratch/lintian.log" >&2
    fail "lintian has errors or warnings"
fi
echo "lintian: no errors or warnings"

root="$scratch/root"
dpkg-deb --extract "$deb" "$root"
for program in sparkfield boxpair; do
    [ -x "$root/usr/bin/$program" ] || fail "no usr/bin/$program in the package"
done

# Each program carries the build's hardening: relocations made read-only once resolved at start
# (full RELRO), stack canaries, a stack that cannot run code, loading at any address, and
# fortified calls.
for program in sparkfield boxpair; do
    report=$(checksec --format=json --file="$root/usr/bin/$program")
    for property in '"relro":"full"' '"canary":"yes"' '"nx":"yes"' '"pie":"yes"' '"fortify_source":"yes"'; do
        grep -qF "$property" <<<"$report" || fail "$program lacks $property: $report"
    done
done
echo "programs hardened: full RELRO, canary, NX, PIE, FORTIFY"

# What a menu and a software centre read, as installed: each file valid by its own validator,
# and every name one file gives found in the tree (the metainfo's desktop entry, the entry's
# program and icon).
desktop-file-validate --no-hints "$root"/usr/share/applications/*.desktop || fail "desktop entries are not valid"
[ "$(ls "$root"/usr/share/applications/*.desktop | wc -l)" = 2 ] || fail "expected two desktop entries"
grep -qx 'Terminal=true' "$root"/usr/share/applications/*boxpair.desktop || fail "boxpair's entry opens no terminal"
grep -qx 'Terminal=false' "$root"/usr/share/applications/*sparkfield.desktop || fail "sparkfield's entry opens a terminal"
for entry in "$root"/usr/share/applications/*.desktop; do
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -x "$root/usr/bin/$program" ] || fail "$(basename "$entry") starts '$program', which the package does not install"
    for size in scalable/apps/"$icon".svg 48x48/apps/"$icon".png; do
        [ -s "$root/usr/share/icons/hicolor/$size" ] || fail "$(basename "$entry") shows the icon '$icon', not installed as $size"
    done
done
if ! appstreamcli validate-tree --no-net "$root" >"$scratch/appstream.log" 2>&1 ||
    grep -E '^ +[EW]: ' "$scratch/appstream.log"; then
    cat "$scratch/appstream.log" >&2
    fail "AppStream metadata, as installed, has errors or warnings"
fi
echo "desktop entries and AppStream metadata, as installed: valid, and every name they give found"

# `man PROGRAM` finds the page where the package puts it, and where `cmake --install` does.
cmake --install "$build" --prefix "$scratch/prefix" --component programs >/dev/null
for manpath in "$root/usr/share/man" "$scratch/prefix/share/man"; do
    for program in sparkfield boxpair; do
        MANPATH="$manpath" man -w "$program" >/dev/null || fail "man $program finds no page in $manpath"
        MANPATH="$manpath" MANWIDTH=80 man "$program" 2>&1 | grep -q "EXIT STATUS" ||
            fail "man $program does not show its page"
        warnings=$(MANPATH="$manpath" MANWIDTH=80 man --warnings "$program" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "man $program warns: $warnings"
    done
done
echo "manual pages: found after installing either way"

PACKAGED_PROGRAMS="$root/usr/bin" "$@"
