// Preloaded into a program under test or measurement: counts the frames it shows (buffer
// swaps), without changing the program. Two uses, chosen by the environment:
//
//   FRAME_COUNT_FILE   at exit, writes "swaps=N" there: every frame the program showed.
//
//   FRAMELOOP_REPORT   measures instead: over a window of wall-clock time counts frames and the
//                      process's CPU time, writes "frames=... cpu_seconds=... wall_seconds=...
//                      max_rss_kib=..." there and ends the process at once.
//   FRAMELOOP_WARMUP   seconds of frames to skip before measuring (default 1)
//   FRAMELOOP_SECONDS  seconds to measure (default 5)

#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

namespace {

double secondsOn(clockid_t clock)
{
    timespec now{};
    if (clock_gettime(clock, &now) != 0)
        return 0;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double setting(const char* name, double fallback)
{
    const char* const text = std::getenv(name);
    return text != nullptr ? std::atof(text) : fallback;
}

struct Measurement {
    double firstSwap = -1;
    double startWall = -1;
    double startCpu = 0;
    long frames = 0;
};

Measurement measurement;
long totalSwaps = 0;

__attribute__((destructor)) void writeSwapCount()
{
    if (const char* const path = std::getenv("FRAME_COUNT_FILE")) {
        std::ofstream(path) << "swaps=" << totalSwaps << '\n';
    }
}

void report(double wall, double cpu)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (const char* const path = std::getenv("FRAMELOOP_REPORT")) {
        std::ofstream(path) << "frames=" << measurement.frames << " cpu_seconds=" << cpu << " wall_seconds=" << wall
                            << " max_rss_kib=" << usage.ru_maxrss << '\n';
    }
}

void countSwap()
{
    static const double warmUp = setting("FRAMELOOP_WARMUP", 1.0);
    static const double window = setting("FRAMELOOP_SECONDS", 5.0);
    static const bool measuring = std::getenv("FRAMELOOP_REPORT") != nullptr;

    ++totalSwaps;
    if (!measuring)
        return;

    const double wall = secondsOn(CLOCK_MONOTONIC);
    if (measurement.firstSwap < 0)
        measurement.firstSwap = wall;
    if (measurement.startWall < 0) {
        if (wall - measurement.firstSwap >= warmUp) {
            measurement.startWall = wall;
            measurement.startCpu = secondsOn(CLOCK_PROCESS_CPUTIME_ID);
        }
        return;
    }
    ++measurement.frames;
    if (wall - measurement.startWall >= window) {
        static_cast<void>(std::fflush(stdout));
        report(wall - measurement.startWall, secondsOn(CLOCK_PROCESS_CPUTIME_ID) - measurement.startCpu);
        _exit(0);
    }
}

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
    realSwap(display, drawable);
    countSwap();
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
