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
    clock_gettime(clock, &now);
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

// SFML reaches glXSwapBuffers in one of three ways, depending on its version: linked directly
// (2.5), or looked up at run time through dlsym or glXGetProcAddress(ARB) on a libGL it opened
// itself (2.6). Each way hands out the counting swap below instead of the real one.

using SwapBuffers = void (*)(void*, unsigned long);
using GetProcAddress = void* (*)(const unsigned char*);
using LookUp = void* (*)(void*, const char*);

SwapBuffers realSwap = nullptr;
GetProcAddress realGetProcAddress = nullptr;

LookUp realDlsym()
{
    static const auto real = [] {
        void* found = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.34");
        if (found == nullptr)
            found = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.2.5");
        return reinterpret_cast<LookUp>(found);
    }();
    return real;
}

void countingSwap(void* display, unsigned long drawable)
{
    realSwap(display, drawable);
    countSwap();
}

void* countingGetProcAddress(const unsigned char* name);

void* substitute(const char* name, void* real)
{
    if (real == nullptr || name == nullptr)
        return real;
    if (std::strcmp(name, "glXSwapBuffers") == 0) {
        realSwap = reinterpret_cast<SwapBuffers>(real);
        return reinterpret_cast<void*>(&countingSwap);
    }
    if (std::strcmp(name, "glXGetProcAddressARB") == 0 || std::strcmp(name, "glXGetProcAddress") == 0) {
        realGetProcAddress = reinterpret_cast<GetProcAddress>(real);
        return reinterpret_cast<void*>(&countingGetProcAddress);
    }
    return real;
}

void* countingGetProcAddress(const unsigned char* name)
{
    return substitute(reinterpret_cast<const char*>(name), realGetProcAddress(name));
}

} // namespace

extern "C" {

void* dlsym(void* handle, const char* name)
{
    return substitute(name, realDlsym()(handle, name));
}

void glXSwapBuffers(void* display, unsigned long drawable)
{
    if (realSwap == nullptr)
        realSwap = reinterpret_cast<SwapBuffers>(realDlsym()(RTLD_NEXT, "glXSwapBuffers"));
    countingSwap(display, drawable);
}

void* glXGetProcAddressARB(const unsigned char* name)
{
    if (realGetProcAddress == nullptr)
        realGetProcAddress = reinterpret_cast<GetProcAddress>(realDlsym()(RTLD_NEXT, "glXGetProcAddressARB"));
    return countingGetProcAddress(name);
}

void* glXGetProcAddress(const unsigned char* name)
{
    return glXGetProcAddressARB(name);
}
}
