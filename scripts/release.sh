#!/usr/bin/env bash
# Makes a release of the checked-out commit: scripts/release.sh
# Writes into dist/ the source tarball (the commit's tree, as git archive makes it), the Debian
# package for this machine's Debian release, the 64-bit Windows zip, the web page (one HTML
# file, built with this machine's emscripten), and SHA256SUMS over them.
# Everything is built from the commit's tree alone, in a scratch folder, with the commit's time
# as SOURCE_DATE_EPOCH and the scratch folder's name mapped out of the programs: the same commit
# gives the same bytes wherever, whenever and by whomever it is built. FETCHCONTENT_SOURCE_DIR_SFML
# names a local copy of SFML 3.0.2's source for the Windows build and the web page, which are
# built with it.
set -euo pipefail

. "$(dirname "$0")/lib/common.sh"
cd "$here"
[ -z "$(git status --porcelain)" ] || fail "the checkout has uncommitted changes; commit them (or stash them) first"

# Sorting, messages and the zip's file times are not to depend on where the builder lives, nor
# the modes of the files it makes (CPack gives the package's own members theirs) on their umask.
export LC_ALL=C TZ=UTC
umask 022
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
version=$(project_version)
name="sparkfield-boxpair-$version"
dist="$here/dist"

. scripts/lib/packages.sh
scripts/lib/install-missing.sh "${release_packages[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$dist"
mkdir -p "$dist"

step "version $version: source tarball of $(git rev-parse --short HEAD)"
git archive --format=tar --prefix="$name/" HEAD | gzip -9 -n >"$dist/$name.tar.gz"
tar -xzf "$dist/$name.tar.gz" -C "$work"
tree="$work/$name"

# The packager's flags: file names in the programs are written relative to the scratch folder.
prefix_maps="-ffile-prefix-map=$work=."
[ -z "${FETCHCONTENT_SOURCE_DIR_SFML:-}" ] || prefix_maps+=" -ffile-prefix-map=$FETCHCONTENT_SOURCE_DIR_SFML=sfml"
export CFLAGS="$prefix_maps" CXXFLAGS="$prefix_maps"

step "Debian package, with this machine's SFML"
(cd "$tree" && SFML_FROM_SOURCE=OFF cmake --preset programs >"$work/configure.log" 2>&1) ||
    { cat "$work/configure.log" >&2; exit 1; }
grep -E "Building with SFML|Hardening" "$work/configure.log"
(cd "$tree" && cmake --build --preset programs --parallel "$(nproc)" >"$work/build.log" 2>&1) ||
    { tail -n 40 "$work/build.log" >&2; exit 1; }
(cd "$tree/build/programs" && cpack -B "$work/package" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; exit 1; }
cp "$work"/package/*.deb "$dist/"

step "Windows zip"
"$tree/scripts/windows-build.sh"
cp "$tree"/build/windows/*.zip "$dist/"

step "web page"
"$tree/scripts/web.sh" >/dev/null
cp "$tree/build/web/sparkfield-boxpair.html" "$dist/$name-web.html"

(cd "$dist" && sha256sum -- *.tar.gz *.deb *.zip *.html >SHA256SUMS)
step "released into $dist:"
ls -l "$dist"
cat "$dist/SHA256SUMS"
