#!/usr/bin/env bash
# Builds and checks the programs with clang and LLVM's libc++, the toolchain closest to macOS's
# (Apple's compiler is clang, its standard library libc++, stricter than libstdc++ about
# includes): scripts/ci/clang-libcxx-check.sh
#   1. builds SFML 3.0.2 from its source (FETCHCONTENT_SOURCE_DIR_SFML: a local copy),
#      GoogleTest from Debian's source of it, and the programs with the bit-exact unit tests,
#      all with clang and -stdlib=libc++; a warning in the project's own code fails the check;
#   2. runs the unit tests;
#   3. runs boxpair on a virtual display until it has printed its first 300 lines, and compares
#      every one with the line that this machine's usual g++ build prints for the same frame.
set -euo pipefail

label=clang-libcxx
. "$(dirname "$0")/../lib/common.sh"
out="$builds/clang-libcxx"
lines_wanted=300

. "$here/scripts/lib/packages.sh"
"$here/scripts/lib/install-missing.sh" "${libcxx_packages[@]}"
export CC=clang CXX=clang++ CXXFLAGS=-stdlib=libc++

step "building GoogleTest with libc++"
cmake -S /usr/src/googletest -B "$out/googletest" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out/googletest/installed" \
    -DBUILD_GMOCK=OFF >/dev/null
cmake --build "$out/googletest" --parallel "$(nproc)" >/dev/null
cmake --install "$out/googletest" >/dev/null

step "building SFML 3.0.2, the programs and the unit tests with libc++"
sfml_source=()
[ -z "${FETCHCONTENT_SOURCE_DIR_SFML:-}" ] || sfml_source=(-DFETCHCONTENT_SOURCE_DIR_SFML="$FETCHCONTENT_SOURCE_DIR_SFML")
cmake -S "$here" -B "$out/project" -DCMAKE_BUILD_TYPE=Release -DSFML_FROM_SOURCE=ON "${sfml_source[@]}" \
    -DBUILD_DISPLAY_TESTS=OFF -DBUILD_BENCHMARKS=OFF -DGTest_DIR="$out/googletest/installed/lib/cmake/GTest" \
    | grep "Building with SFML"
cmake --build "$out/project" --parallel "$(nproc)" --target boxpair sparkfield particle_system_tests agent_step_tests \
    >"$out/build.log" 2>&1 || { tail -n 40 "$out/build.log" >&2; fail "the build failed"; }
if grep -E "^$here/(boxpair|sparkfield|windowing|tests|instruments)/.*warning:" "$out/build.log"; then
    fail "warnings in the project's code"
fi

step "unit tests"
for suite in particle_system_tests agent_step_tests; do
    "$out/project/tests/$suite" --gtest_brief=1 || fail "$suite failed"
done

# This machine's usual build: g++ with libstdc++ and the installed SFML.
step "boxpair's first $lines_wanted lines, beside this machine's g++ build"
(unset CC CXX CXXFLAGS; cd "$here" && cmake --preset programs >/dev/null && cmake --build --preset programs --target boxpair >/dev/null)
first_lines() { # BINARY OUTPUT: the first lines boxpair prints on a virtual display of its own
    timeout 120 "${virtual_display[@]}" run "$1" 2>/dev/null | head -n "$lines_wanted" >"$2" || true
}
first_lines "$out/project/boxpair/boxpair" "$out/libcxx-lines.txt"
first_lines "$builds/programs/boxpair/boxpair" "$out/gcc-lines.txt"
[ "$(wc -l <"$out/libcxx-lines.txt")" -eq "$lines_wanted" ] || fail "the libc++ build printed $(wc -l <"$out/libcxx-lines.txt") lines"
cmp -s "$out/libcxx-lines.txt" "$out/gcc-lines.txt" ||
    fail "$(diff "$out/gcc-lines.txt" "$out/libcxx-lines.txt" | grep -c '^>') of $lines_wanted lines differ from g++'s"
step "passed: no warning in the project's code, unit tests, $lines_wanted of $lines_wanted boxpair lines equal to g++'s"
