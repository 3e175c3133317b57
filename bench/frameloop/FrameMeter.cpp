// Preloaded into a program to measure its frame loop without changing it: over a window of
// wall-clock time it counts the frames shown (buffer swaps) and the process's CPU time, writes
// "frames=... cpu_seconds=... wall_seconds=... max_rss_kib=..." to the file FRAMELOOP_REPORT
// names, and ends the process at once.
//   FRAMELOOP_WARMUP   seconds of frames to skip before measuring (default 1)
//   FRAMELOOP_SECONDS  seconds to measure (default 5)

#include "SwapHook.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

void onBufferSwap()
{
    static const double warmUp = setting("FRAMELOOP_WARMUP", 1.0);
    static const double window = setting("FRAMELOOP_SECONDS", 5.0);

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
