#!/usr/bin/env bash
# Checks that another architecture computes what this machine does, bit for bit:
#   scripts/ci/cross-check.sh i386|arm64|armhf|s390x|riscv64|ppc64el
# On a clean minimal install of the Debian release named below (scripts/lib/clean-install.sh),
# builds boxpair and the bit-exact unit tests with Debian's own cross toolchain and libraries
# for that architecture, then
#   1. runs the unit tests under qemu-user (i386 too: not every x86-64 kernel runs 32-bit
#      programs, and the machines CI runs on do not);
#   2. runs boxpair on a virtual display until it has printed its first 300 lines (five seconds
#      of frames), and compares every line with the one this machine's own build prints for
#      the same frame.
# Needs root.
set -euo pipefail

arch=${1:-}
emulator=
case "$arch" in
    # Debian 13 no longer installs as i386; its newest release for it is 12.
    i386) release=bookworm gnu_type=i686-linux-gnu multiarch=i386-linux-gnu emulator=qemu-i386 ;;
    arm64) release=trixie gnu_type=aarch64-linux-gnu multiarch=$gnu_type emulator=qemu-aarch64 ;;
    armhf) release=trixie gnu_type=arm-linux-gnueabihf multiarch=$gnu_type emulator=qemu-arm ;;
    # The archive this project's machines use lacks Debian 13's current s390x and ppc64el
    # libraries, so these two are built on Debian 12.
    s390x) release=bookworm gnu_type=s390x-linux-gnu multiarch=$gnu_type emulator=qemu-s390x ;;
    riscv64) release=trixie gnu_type=riscv64-linux-gnu multiarch=$gnu_type emulator=qemu-riscv64 ;;
    ppc64el) release=bookworm gnu_type=powerpc64le-linux-gnu multiarch=$gnu_type emulator=qemu-ppc64le ;;
    *) echo "usage: $0 i386|arm64|armhf|s390x|riscv64|ppc64el" >&2; exit 2 ;;
esac
lines_wanted=300
# Both checks run whatever the first finds; the check fails at the end if either did.
failures=()

label=$arch
. "$(dirname "$0")/../lib/common.sh"
. "$here/scripts/lib/clean-install.sh"

# This machine's own boxpair, the one the other architecture's lines must equal.
"$here/scripts/lib/install-missing.sh" "${run_packages[@]}"
step "building this machine's boxpair"
# One build at a time in its folder, as checks of several architectures may run side by side.
(cd "$here" && flock "${TMPDIR:-/tmp}/sparkfield-boxpair-programs.lock" \
    sh -c 'cmake --preset programs >/dev/null && cmake --build --preset programs --target boxpair >/dev/null')
reference="$builds/programs/boxpair/boxpair"

clean_install "$release"

step "installing the $arch toolchain and libraries"
(inside "dpkg --add-architecture $arch && apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $(cross_packages "$arch" "$gnu_type") >/dev/null")

step "building boxpair and the unit tests for $arch"
(inside "DEBIAN_GNU_TYPE=$gnu_type DEBIAN_MULTIARCH=$multiarch CROSS_EMULATOR=$emulator \
    cmake -S . -B build/$arch -DCMAKE_TOOLCHAIN_FILE=cmake/debian-cross.cmake -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_DISPLAY_TESTS=OFF -DBUILD_BENCHMARKS=OFF >/dev/null &&
    cmake --build build/$arch --parallel $(nproc) --target boxpair particle_system_tests agent_step_tests >/dev/null &&
    file -b build/$arch/boxpair/boxpair")

step "unit tests ${emulator:+under $emulator}"
for suite in particle_system_tests agent_step_tests; do
    (inside "$emulator build/$arch/tests/$suite --gtest_brief=1") || failures+=("$suite failed")
done

step "boxpair on a virtual display ${emulator:+under $emulator}"
start_virtual_display
checkout="$root/root/sparkfield-boxpair"
(inside "$emulator build/$arch/boxpair/boxpair >lines-$arch.txt 2>boxpair-$arch.log") &
run_pid=$!
timeout 300 bash -c "until [ -f '$checkout/lines-$arch.txt' ] && [ \$(wc -l <'$checkout/lines-$arch.txt') -ge $lines_wanted ]; do
    kill -0 $run_pid 2>/dev/null || exit 1; sleep 0.2; done" || fail "boxpair printed $(wc -l <"$checkout/lines-$arch.txt") lines: $(cat "$checkout/boxpair-$arch.log")"
stop_namespace "$run_pid"
run_pid=

DISPLAY=":$display_number" "$reference" >"$work/reference.txt" 2>/dev/null &
reference_pid=$!
timeout 60 bash -c "until [ \$(wc -l <'$work/reference.txt') -ge $lines_wanted ]; do sleep 0.2; done" || fail "this machine's boxpair printed too few lines"
kill "$reference_pid" && wait "$reference_pid" 2>/dev/null || true

head -n "$lines_wanted" "$checkout/lines-$arch.txt" >"$work/theirs.txt"
head -n "$lines_wanted" "$work/reference.txt" >"$work/ours.txt"
if ! cmp -s "$work/theirs.txt" "$work/ours.txt"; then
    diff "$work/ours.txt" "$work/theirs.txt" >"$work/lines.diff" || true
    head -n 10 "$work/lines.diff" >&2
    failures+=("$(grep -c '^>' "$work/lines.diff") of $lines_wanted boxpair lines differ from $(uname -m)'s")
fi
if [ ${#failures[@]} -gt 0 ]; then
    for failure in "${failures[@]}"; do echo "FAIL ($arch): $failure" >&2; done
    exit 1
fi
step "passed: unit tests, and $lines_wanted of $lines_wanted boxpair lines equal to $(uname -m)'s"
