# Cross-compiling with Debian's multiarch toolchains and libraries (scripts/ci/cross-check.sh).
# From the environment: DEBIAN_GNU_TYPE, the compilers' prefix (i686-linux-gnu); DEBIAN_MULTIARCH,
# the library folder's name (i386-linux-gnu); CROSS_EMULATOR, what runs the programs built
# (qemu-aarch64), empty where this machine runs them itself.
set(CMAKE_SYSTEM_NAME Linux)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "$ENV{DEBIAN_GNU_TYPE}")
set(CMAKE_C_COMPILER $ENV{DEBIAN_GNU_TYPE}-gcc)
set(CMAKE_CXX_COMPILER $ENV{DEBIAN_GNU_TYPE}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE $ENV{DEBIAN_MULTIARCH})
if(NOT "$ENV{CROSS_EMULATOR}" STREQUAL "")
    set(CMAKE_CROSSCOMPILING_EMULATOR $ENV{CROSS_EMULATOR})
endif()
