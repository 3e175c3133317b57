#!/usr/bin/env bash
# Checks that a release rebuilds to the byte: scripts/ci/reproducibility-check.sh
# Runs scripts/release.sh on the committed HEAD twice, one run after the other, from two clones
# in folders of different names and depths, with umask 022 and 002, different time zones and
# locales, and compares the two SHA256SUMS. Where they differ, diffoscope (Debian's
# diffoscope-minimal) says how each differing artefact does, so that the cause is named.
set -euo pipefail

. "$(dirname "$0")/../lib/common.sh"
. "$here/scripts/lib/packages.sh"
"$here/scripts/lib/install-missing.sh" git diffoscope-minimal

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# release_in FOLDER UMASK TZ LANG: a fresh clone in FOLDER, released with those settings.
release_in() {
    git clone --quiet --no-hardlinks "$here" "$1"
    (cd "$1" && umask "$2" && env -u LC_ALL TZ="$3" LANG="$4" scripts/release.sh)
}
first="$work/first"
second="$work/a/deeper/folder/second-clone"
release_in "$first" 022 UTC C.UTF-8
release_in "$second" 002 Pacific/Chatham C

if cmp -s "$first/dist/SHA256SUMS" "$second/dist/SHA256SUMS"; then
    echo "passed: the release rebuilt to the byte"
    cat "$first/dist/SHA256SUMS"
    exit 0
fi
echo "FAIL: the two releases differ" >&2
diff "$first/dist/SHA256SUMS" "$second/dist/SHA256SUMS" >&2 || true
for artefact in $(awk '{ print $2 }' "$first/dist/SHA256SUMS"); do
    cmp -s "$first/dist/$artefact" "$second/dist/$artefact" && continue
    echo "== diffoscope $artefact" >&2
    diffoscope --text - --max-report-size 200000 "$first/dist/$artefact" "$second/dist/$artefact" >&2 || true
done
exit 1
