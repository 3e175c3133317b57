#!/usr/bin/env bash
# Prints the address of the Debian archive this machine's apt uses (its first source for
# Debian's main archive, not the security one), or Debian's own redirector where it has none.
set -eu

{
    # One-line sources: "deb [options] URI suite components".
    grep -hE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '{ for (i = 2; i <= NF; i++) if ($i ~ /^[a-z+]+:\/\//) { print $i; break } }' || true
    # deb822 sources: "URIs: URI...".
    grep -hE '^[[:space:]]*URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk '{ for (i = 2; i <= NF; i++) print $i }' || true
    echo http://deb.debian.org/debian
} | sed 's:/*$::' | grep -E '/debian$' | head -n 1
