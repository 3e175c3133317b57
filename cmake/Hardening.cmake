# Hardening for the programs, as distributions build theirs: the compiler and linker flags of
# the OpenSSF's guide for C and C++ that Debian's own hardened builds also use. None of them
# changes a floating-point result. Each flag is tried on the compiler and linker in use and
# left out where they do not take it (an older compiler, another architecture, MinGW's linker),
# and a flag whose kind the packager already set in CMAKE_CXX_FLAGS or the linker flags
# (dpkg-buildflags' CXXFLAGS and LDFLAGS, say) is left to the packager's choice.
#
# Defines the interface library `hardening`, empty when ENABLE_HARDENING is off and in a
# sanitized build, whose checks of memory would be bypassed by the fortified calls.
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)
include(CheckPIESupported)

option(ENABLE_HARDENING "Build with hardening compiler and linker flags (fortified calls, stack protection, full RELRO, PIE)" ON)
add_library(hardening INTERFACE)
if(NOT ENABLE_HARDENING OR ENABLE_SANITIZERS)
    return()
endif()

string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
set(packager_compile_flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${build_type}}")
set(packager_link_flags "${CMAKE_EXE_LINKER_FLAGS} ${CMAKE_EXE_LINKER_FLAGS_${build_type}}")

# A flag is kept when the packager's flags name nothing of its kind and a small program that
# copies memory and indexes a vector still compiles and links with it (at -O2, where
# fortification takes effect).
function(harden_compile kind)
    if(packager_compile_flags MATCHES "${kind}")
        return()
    endif()
    string(MAKE_C_IDENTIFIER "HARDENING_${ARGV1}" result)
    set(CMAKE_REQUIRED_FLAGS "-O2 ${ARGN}")
    set(CMAKE_REQUIRED_QUIET ON)
    check_cxx_source_compiles([[
#include <cstring>
#include <vector>
int main(int argc, char** argv) {
    std::vector<char> bytes(16);
    std::memcpy(bytes.data(), argv[0], static_cast<unsigned>(argc) % 16);
    return bytes[1];
}]] ${result} FAIL_REGEX "unrecognized|not supported|unused|ignored|redefined")
    if(${result})
        target_compile_options(hardening INTERFACE ${ARGN})
    endif()
endfunction()

function(harden_link kind flag)
    if(packager_link_flags MATCHES "${kind}")
        return()
    endif()
    string(MAKE_C_IDENTIFIER "HARDENING_${flag}" result)
    set(CMAKE_REQUIRED_QUIET ON)
    check_linker_flag(CXX "${flag}" ${result})
    if(${result})
        target_link_options(hardening INTERFACE ${flag})
    endif()
endfunction()

# Fortification needs the optimiser; a debug build would only be warned that it has none.
# A compiler that defines _FORTIFY_SOURCE itself (Ubuntu's) has it undefined first.
if(NOT build_type STREQUAL "DEBUG")
    harden_compile("_FORTIFY_SOURCE" -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3)
endif()
harden_compile("_GLIBCXX_ASSERTIONS" -D_GLIBCXX_ASSERTIONS)
harden_compile("-f(no-)?stack-protector" -fstack-protector-strong)
# Given to the linker too, so that the compiler links the protector's runtime where the system
# keeps it apart from the C library (MinGW's libssp).
get_target_property(compile_flags hardening INTERFACE_COMPILE_OPTIONS)
if("-fstack-protector-strong" IN_LIST compile_flags)
    target_link_options(hardening INTERFACE -fstack-protector-strong)
endif()
harden_compile("-f(no-)?stack-clash-protection" -fstack-clash-protection)
harden_compile("-f(no-)?cf-protection" -fcf-protection=full)

harden_link("-z,?relro|-z,?norelro" -Wl,-z,relro)
harden_link("-z,?now|-z,?lazy" -Wl,-z,now)
harden_link("-z,?(no)?execstack" -Wl,-z,noexecstack)
harden_link("-(no-)?as-needed" -Wl,--as-needed)
harden_link("-(no-)?copy-dt-needed-entries" -Wl,--no-copy-dt-needed-entries)

# Position-independent executables, so that the system can load them at any address.
check_pie_supported(OUTPUT_VARIABLE pie_problem LANGUAGES CXX)
if(CMAKE_CXX_LINK_PIE_SUPPORTED)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()

set(hardening_summary)
foreach(property IN ITEMS INTERFACE_COMPILE_OPTIONS INTERFACE_LINK_OPTIONS)
    get_target_property(flags hardening ${property})
    if(flags)
        list(APPEND hardening_summary ${flags})
    endif()
endforeach()
list(REMOVE_DUPLICATES hardening_summary)
string(REPLACE ";" " " hardening_summary "${hardening_summary}")
message(STATUS "Hardening: ${hardening_summary}")
