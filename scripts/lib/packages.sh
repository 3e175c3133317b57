# The Debian packages each purpose needs, named once; the scripts take their lists from here.
# Sourced, not run.

# Building and running the programs (scripts/run.sh).
run_packages=(cmake g++ make libsfml-dev libx11-dev libgl-dev)

# What SFML's window and graphics modules build against, where SFML is built from its source.
sfml_source_packages=(git libxrandr-dev libxcursor-dev libxi-dev libudev-dev libfreetype-dev)

# Starting virtual displays and looking at windows on them (scripts/lib/virtual_display.py).
display_packages=(xvfb python3-xlib python3-pil)

# Plotting the docs' figures (scripts/figures.sh).
figure_packages=("${display_packages[@]}" python3-matplotlib python3-numpy)

# Building the web page (scripts/web.sh): emscripten, and git to fetch SFML's source.
web_packages=(cmake make git emscripten)

# Testing the page in a browser: Chromium, driven headless by Selenium, and the unit tests built
# for Node.js with GoogleTest's source.
web_test_packages=("${web_packages[@]}" chromium chromium-driver python3-selenium googletest)

# Testing, checking and measuring, beside building and running (scripts/setup.sh).
test_packages=("${run_packages[@]}" "${figure_packages[@]}" "${web_test_packages[@]}" pkg-config dpkg-dev file
    libgtest-dev libgmock-dev libbenchmark-dev
    openbox weston xwayland tigervnc-standalone-server python3-pytest python3-pytest-timeout python3-psutil
    clang-tidy clang-format cppcheck
    lintian desktop-file-utils appstream man-db checksec)

# Building the Windows programs and running them under Wine (scripts/windows-test.sh).
windows_packages=(cmake make git g++-mingw-w64-x86-64-posix dpkg-dev xz-utils zip wine wine64)

# Making a release (scripts/release.sh): the Debian package, the Windows zip and the web page.
release_packages=("${run_packages[@]}" "${windows_packages[@]}" "${web_packages[@]}" dpkg-dev file)

# Clean installs of Debian for the checks that try this checkout as a new machine would.
clean_install_packages=(mmdebstrap "${display_packages[@]}")

# cross_packages ARCH GNU_TYPE: a cross build for ARCH inside such an install, and qemu-user to run it.
cross_packages() {
    echo "cmake make file g++-$2 libsfml-dev:$1 libx11-dev:$1 libgtest-dev:$1 qemu-user"
}

# clang with LLVM's libc++, and GoogleTest's source to build with it (scripts/ci/clang-libcxx-check.sh).
libcxx_packages=(clang libc++-dev libc++abi-dev googletest "${run_packages[@]}" "${sfml_source_packages[@]}"
    "${display_packages[@]}")

# Debian's own interpreter, which has the packaged python3-xlib and python3-pil, whatever else
# stands first on the PATH; and the virtual displays' module run with it.
virtual_display=(/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/virtual_display.py")
