# SFML 3.0.2 built from its source as part of this build, the way SFML 3 recommends for projects
# on machines without it: fetched once, pinned to the release's commit, or taken from the folder
# FETCHCONTENT_SOURCE_DIR_SFML names. Only the modules the programs use are built; they are
# static, so the programs carry them and load only what SFML itself needs from the system.
include(FetchContent)
# The local copy may also be named in the environment, as the scripts and presets pass it on.
if(NOT FETCHCONTENT_SOURCE_DIR_SFML AND DEFINED ENV{FETCHCONTENT_SOURCE_DIR_SFML})
    set(FETCHCONTENT_SOURCE_DIR_SFML "$ENV{FETCHCONTENT_SOURCE_DIR_SFML}")
endif()
FetchContent_Declare(SFML
    GIT_REPOSITORY https://github.com/SFML/SFML.git
    GIT_TAG 0fa201c969e48ecc253581c5841ce73f44d42f49 # 3.0.2
)
set(SFML_BUILD_AUDIO OFF CACHE BOOL "" FORCE)
set(SFML_BUILD_NETWORK OFF CACHE BOOL "" FORCE)
# SFML's own files install as a component of their own, which the package leaves out.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME sfml)
# Static analysis (the lint preset's cache settings) is for our code, not the library's: plain
# variables of the same names hide those settings while SFML's targets are made.
set(CMAKE_CXX_CLANG_TIDY "")
set(CMAKE_CXX_CPPCHECK "")
FetchContent_MakeAvailable(SFML)
unset(CMAKE_CXX_CLANG_TIDY)
unset(CMAKE_CXX_CPPCHECK)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME programs)

# Its headers are a library's, as an installed SFML's are: our warnings and checks leave them be.
foreach(module IN ITEMS sfml-system sfml-window sfml-graphics)
    get_target_property(headers ${module} INTERFACE_INCLUDE_DIRECTORIES)
    set_target_properties(${module} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${headers}")
endforeach()

# The version SFML's own project declares, for the configure message.
file(STRINGS "${sfml_SOURCE_DIR}/CMakeLists.txt" sfml_project REGEX "^project\\(SFML VERSION")
string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" SFML_VERSION "${sfml_project}")
set(SFML_FOUND TRUE)
