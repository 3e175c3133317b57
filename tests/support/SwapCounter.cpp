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
#include <ctime>
#include <fstream>

namespace {

using SwapBuffers = void (*)(void*, unsigned long);

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

} // namespace

extern "C" void glXSwapBuffers(void* display, unsigned long drawable)
{
    static const auto realSwap = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static const double warmUp = setting("FRAMELOOP_WARMUP", 1.0);
    static const double window = setting("FRAMELOOP_SECONDS", 5.0);
    static const bool measuring = std::getenv("FRAMELOOP_REPORT") != nullptr;

    realSwap(display, drawable);
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
