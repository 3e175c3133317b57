// Built into every program and test of a sanitized build (ENABLE_SANITIZERS), so the settings
// travel with the binaries instead of the environment.

#include <dlfcn.h>

extern "C" {

// LLVM, which Mesa's software renderer uses to compile shaders, frees some buffers it got from
// operator new with free(): a mismatch inside the graphics driver, not in this project.
const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0:detect_leaks=1";
}

const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

// Memory that libraries keep until the process ends, each where a report names it.
//
// swrast_dri.so: Mesa 22's software renderer keeps a few 56-byte blocks from calloc for the
// life of any process that made a GL context.
// libGLX_mesa.so: Mesa 25's GLX keeps its per-display and per-screen records (a few hundred
// small blocks) and never frees them; the renderer itself moved to libgallium, which the
// records point into.
const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\n"
           "leak:libGLX_mesa.so\n";
}
}

namespace {

// Mesa unloads its driver at exit before the leak check runs, and a report can then name only
// "<unknown module>" for what the driver kept. Holding the driver loaded lets the report, and
// the suppression above, name it.
__attribute__((constructor)) void keepGraphicsDriverLoaded()
{
    dlopen(GRAPHICS_DRIVER_PATH, RTLD_LAZY | RTLD_NODELETE);
}

} // namespace
