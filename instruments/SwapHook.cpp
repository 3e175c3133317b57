// The buffer-swap hook shared by the libraries preloaded into a program to count or keep the
// frames it shows: every glXSwapBuffers the program makes calls beforeBufferSwap() before the
// real swap and onBufferSwap() after it.

#include "SwapHook.hpp"

#include <dlfcn.h>

#include <cstring>

namespace {

// SFML reaches glXSwapBuffers in one of two ways, depending on its version: linked directly
// (2.5), or looked up at run time in a libGL that it opens itself, through dlsym or
// glXGetProcAddressARB (2.6). For the second, opening libGL hands out this library instead:
// it defines the two functions that matter and depends on libGL for all the others, so a
// lookup in it finds everything it would have found in libGL.

using SwapBuffers = void (*)(void*, unsigned long);
using GetProcAddress = void* (*)(const unsigned char*);
using Open = void* (*)(const char*, int);

template <typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void countingSwap(void* display, unsigned long drawable)
{
    static const auto realSwap = next<SwapBuffers>("glXSwapBuffers");
    beforeBufferSwap();
    realSwap(display, drawable);
    onBufferSwap();
}

bool isLibGL(const char* file)
{
    if (file == nullptr)
        return false;
    const char* const slash = std::strrchr(file, '/');
    const char* const base = slash != nullptr ? slash + 1 : file;
    return std::strcmp(base, "libGL.so.1") == 0 || std::strcmp(base, "libGL.so") == 0;
}

const char* thisLibrary()
{
    static const char* const path = [] {
        Dl_info info{};
        return dladdr(reinterpret_cast<void*>(&countingSwap), &info) != 0 ? info.dli_fname : nullptr;
    }();
    return path;
}

} // namespace

// Weak, so that a library that defines its own takes the place of this empty one.
__attribute__((weak)) void beforeBufferSwap() { }

extern "C" {

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): glibc's names are reserved ones
void* dlopen(const char* file, int flags)
{
    static const auto realOpen = next<Open>("dlopen");
    return realOpen(isLibGL(file) && thisLibrary() != nullptr ? thisLibrary() : file, flags);
}

void glXSwapBuffers(void* display, unsigned long drawable)
{
    countingSwap(display, drawable);
}

// Asked for itself, it hands out itself again: SFML loads the GLX functions a second time
// through the getter it found the first time.
void* glXGetProcAddressARB(const unsigned char* name)
{
    static const auto realGetProcAddress = next<GetProcAddress>("glXGetProcAddressARB");
    const char* const text = reinterpret_cast<const char*>(name);
    if (std::strcmp(text, "glXSwapBuffers") == 0)
        return reinterpret_cast<void*>(&countingSwap);
    if (std::strcmp(text, "glXGetProcAddressARB") == 0 || std::strcmp(text, "glXGetProcAddress") == 0)
        return reinterpret_cast<void*>(&glXGetProcAddressARB);
    return realGetProcAddress(name);
}

void* glXGetProcAddress(const unsigned char* name)
{
    return glXGetProcAddressARB(name);
}
}
