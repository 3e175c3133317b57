// What a desktop and its user do to the programs beyond ordinary use: long runs, a stopped
// process, extreme window sizes, a storm of key presses and a display server that dies.

#include "Expectations.hpp"
#include "Pictures.hpp"
#include "ProgramRun.hpp"
#include "ProgramTable.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <random>
#include <thread>

namespace {

using namespace e2e;

// Seconds a soak runs after its warm-up; SOAK_SECONDS makes it longer (scripts/soak.sh).
std::chrono::seconds soakLength()
{
    const char* const text = std::getenv("SOAK_SECONDS");
    return std::chrono::seconds(text != nullptr ? std::max(1, std::atoi(text)) : 20);
}

// AddressSanitizer holds freed memory in quarantine, so resident memory grows by design there;
// the soak still runs to check behaviour, but memory is judged in a plain build only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool memoryIsInstrumented = true;
#else
constexpr bool memoryIsInstrumented = false;
#endif

// Growth of resident memory in each half of a soak: the rise of its peak over the level after
// warm-up, then over the first half's peak.
struct Growth {
    long firstHalfKib = 0;
    long secondHalfKib = 0;
};

// A leak grows the memory in every stretch of the run; a one-off allocation (the graphics
// driver's, a few seconds in) only in one. So the smaller half is the one judged.
void expectFlatMemory(Growth growth)
{
    if (!memoryIsInstrumented) {
        EXPECT_LT(std::min(growth.firstHalfKib, growth.secondHalfKib), 512)
            << "resident memory grew in both halves of the soak: " << growth.firstHalfKib << " KiB, then "
            << growth.secondHalfKib << " KiB";
    }
}

long peakResidentKib(const harness::ChildProcess& program, long from, std::chrono::steady_clock::duration length)
{
    long peak = from;
    const auto until = std::chrono::steady_clock::now() + length;
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(250ms);
        peak = std::max(peak, program.residentKib().value_or(peak));
    }
    return peak;
}

Growth residentGrowth(const harness::ChildProcess& program)
{
    std::this_thread::sleep_for(3s); // warm-up: caches, driver buffers and the first frames
    const long base = program.residentKib().value_or(0);
    const long firstPeak = peakResidentKib(program, base, soakLength() / 2);
    const long secondPeak = peakResidentKib(program, firstPeak, soakLength() / 2);
    return {firstPeak - base, secondPeak - firstPeak};
}

using Reliability = ::testing::TestWithParam<Program>;

} // namespace

TEST_P(Reliability, KeepsItsMemoryFlatThroughALongRun)
{
    ProgramOnDisplay run{GetParam()};
    ASSERT_WINDOW(run);
    expectFlatMemory(residentGrowth(*run.program));
    expectRightPicture(run);
    run.display.requestClose(run.window);
    expectEndedCleanly(run);
    expectUntouchedReport(run.program->standardOutput());
}

TEST(Stall, SparkfieldStoppedForThreeSecondsShowsItsFountainAgainAtTheCentre)
{
    ProgramOnDisplay run{sparkfield()};
    ASSERT_WINDOW(run);
    ASSERT_TRUE(fountainSettlesAround(run, 300, 200));

    run.program->signal(SIGSTOP);
    std::this_thread::sleep_for(3s);
    run.program->signal(SIGCONT);

    EXPECT_TRUE(fountainSettlesAround(run, 300, 200));
    EXPECT_TRUE(run.program->running());
}

// Down to a single pixel, where nothing can be judged but that it keeps running, then up to
// far beyond the screen and back.
TEST_P(Reliability, SurvivesOnePixelAndAVeryLargeWindow)
{
    ProgramOnDisplay run{GetParam()};
    ASSERT_WINDOW(run);
    ASSERT_TRUE(run.waitForFirstFrame());

    ASSERT_TRUE(run.resizeTo({1, 1}));
    std::this_thread::sleep_for(500ms); // some frames at one pixel
    if (GetParam().output == Output::AStepEachFrame) {
        EXPECT_TRUE(run.waitForFramesAfterNow(5)) << "stopped at one pixel";
    }
    ASSERT_TRUE(run.program->running());

    for (const std::pair<int, int>& size : {std::pair{2000, 1500}, GetParam().size}) {
        SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second));
        ASSERT_TRUE(run.resizeTo(size));
        expectRightPicture(run);
    }
    run.display.requestClose(run.window);
    expectEndedCleanly(run);
}

TEST(InputStorm, OnlyArrowKeysMoveAnythingAndEveryFramePrintsOneLine)
{
    ProgramOnDisplay run{boxpair()};
    ASSERT_WINDOW(run);
    ASSERT_TRUE(run.waitForLines(1));
    std::mt19937 random(2026);
    const std::vector<std::string> otherKeys{"a",         "z",  "space",     "Return", "Tab",     "Shift_L",
                                             "Control_L", "F1", "BackSpace", "1",      "KP_Left", "Home"};
    const std::vector<std::string> arrows{"Left", "Right", "Up", "Down"};
    const auto storm = [&](const std::vector<std::string>& keys, int events) {
        std::vector<bool> held(keys.size(), false);
        for (int i = 0; i < events; ++i) {
            const std::size_t key = random() % keys.size();
            held[key] ? run.display.releaseKey(keys[key]) : run.display.pressKey(keys[key]);
            held[key] = !held[key];
            if (i % 40 == 0)
                run.waitForFramesAfterNow(1);
        }
        for (std::size_t key = 0; key < keys.size(); ++key)
            if (held[key])
                run.display.releaseKey(keys[key]);
        run.waitForFramesAfterNow(3);
    };

    storm(otherKeys, 300);
    expectUntouchedReport(run.program->standardOutput());
    std::optional<harness::Box> player = run.square(harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_EQ(player->left, 120);
    EXPECT_EQ(player->top, 60);

    std::vector<std::string> allKeys = otherKeys;
    allKeys.insert(allKeys.end(), arrows.begin(), arrows.end());
    storm(allKeys, 400);

    run.display.tapKey(run.entry.endingKey);
    expectEndedCleanly(run);
}

// Once as the window appears, while the program is still setting up, and once in full run.
TEST_P(Reliability, EndsPlainlyWhenTheDisplayServerDies)
{
    for (const bool running : {false, true}) {
        SCOPED_TRACE(running ? "while running" : "while starting");
        ProgramOnDisplay run{GetParam()};
        ASSERT_WINDOW(run);
        if (running) {
            ASSERT_TRUE(run.waitForFirstFrame());
        }
        run.display.terminateServer();
        expectDisplayLossReported(run);
    }
}

INSTANTIATE_TEST_SUITE_P(Both, Reliability, ::testing::ValuesIn(programs()), NamedByProgram());
