#!/usr/bin/env bash
# Builds the Windows programs (scripts/windows-build.sh) and runs them under Wine on private
# virtual displays: windows, picture, output lines and endings, as on Linux; first, that each
# .exe asks Windows for the protections its linker can give.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
cd "$here"
scripts/windows-build.sh
# Windows loads each program at a random address (DYNAMIC_BASE, with all 64 bits of it:
# HIGH_ENTROPY_VA) and runs no code from its data (NX_COMPAT).
for program in sparkfield boxpair; do
    header=$(x86_64-w64-mingw32-objdump -p "$builds/windows/package/$program.exe")
    for characteristic in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
        grep -qw "$characteristic" <<<"$header" || fail "$program.exe is not marked $characteristic"
    done
done
echo "== Windows programs marked DYNAMIC_BASE, HIGH_ENTROPY_VA and NX_COMPAT"
scripts/setup.sh release >/dev/null
echo "== Windows programs under Wine"
WINDOWS_PROGRAMS="$builds/windows/package" ctest --test-dir "$builds/release" --output-on-failure -L wine
