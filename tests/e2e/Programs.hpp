#pragma once

#include "ChildProcess.hpp"
#include "Scenes.hpp"
#include "VirtualDisplay.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

// ASSERT_TRUE(optional.has_value()) in a form that static analysis can follow: what comes
// after it may use the value.
#define ASSERT_HAS_VALUE(optional)                                                                                     \
    if ((optional).has_value()) {                                                                                      \
    } else                                                                                                             \
        FAIL() << #optional " holds no value. "

// Stops the test when the program's window did not appear, saying what became of the program.
#define ASSERT_WINDOW(run) ASSERT_NE((run).window, 0u) << (run).whyNoWindow()

namespace e2e {

using namespace std::chrono_literals;

// Generous bounds: a loaded 2-core machine renders in software, so starts can be slow.
constexpr auto startTimeout = 20s;
constexpr auto exitTimeout = 10s;

// Waits, within the start-up bound, until the program has printed `count` complete lines.
inline bool waitForLines(const harness::ChildProcess& program, std::size_t count)
{
    return program.waitForOutput(
        [count](const std::string& out) { return harness::completeLines(out).size() >= count; }, startTimeout);
}

// What has become of a program, for a failure message: whether it runs, how it ended, what it
// wrote on standard error.
inline std::string fateOf(harness::ChildProcess& program)
{
    const auto status = program.waitForExit(0ms);
    return (!status          ? std::string("is still running")
            : status->exited ? "exited with status " + std::to_string(status->code)
                             : "was killed by signal " + std::to_string(status->signal)) +
           "; its standard error:\n" + program.standardError();
}

// One run of a real program on its own virtual display, with the window found. A frame
// counter is preloaded into it, so a test can compare what it printed with what it showed.
class ProgramOnDisplay {
public:
    // `environment` adds to or overrides the program's environment (an empty value removes
    // a variable).
    ProgramOnDisplay(const std::string& path, const std::string& title,
                     const std::vector<std::string>& extraArguments = {},
                     harness::Desktop desktop = harness::Desktop::Bare,
                     const std::map<std::string, std::string>& environment = {})
        : display(desktop)
        , title(title)
        , frameCountFile(::testing::TempDir() + "frames-" + std::to_string(getpid()) + "-" + std::to_string(++runs))
    {
        static_cast<void>(std::remove(frameCountFile.c_str()));
        std::vector<std::string> arguments{path};
        arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
        std::map<std::string, std::string> variables{{"DISPLAY", display.name()},
                                                     {"LD_PRELOAD", SWAP_COUNTER_PATH},
                                                     {"FRAME_COUNT_FILE", frameCountFile},
                                                     // A sanitized build wants its runtime loaded first; the
                                                     // counter is loaded before it and only forwards calls.
                                                     {"ASAN_OPTIONS", sanitizerOptions()}};
        for (const auto& [name, value] : environment)
            variables[name] = value;
        program = std::make_unique<harness::ChildProcess>(arguments, variables);
        window = display.findWindow(title, startTimeout).value_or(0);
    }

    ~ProgramOnDisplay() { static_cast<void>(std::remove(frameCountFile.c_str())); }

    std::string whyNoWindow() { return "no window titled \"" + title + "\" appeared; the program " + fateOf(*program); }

    // Frames the program showed in its whole run; known once it has ended normally.
    std::optional<long> framesShown() const
    {
        std::ifstream file(frameCountFile);
        std::string text;
        if (!(file >> text) || text.rfind("swaps=", 0) != 0)
            return std::nullopt;
        return std::stol(text.substr(6));
    }

    harness::VirtualDisplay display;
    std::unique_ptr<harness::ChildProcess> program;
    XID window = 0;

private:
    static std::string sanitizerOptions()
    {
        const char* const inherited = std::getenv("ASAN_OPTIONS");
        return std::string(inherited != nullptr ? inherited : "") + ":verify_asan_link_order=0";
    }

    inline static int runs = 0;
    std::string title;
    std::string frameCountFile;
};

// Waits for the program to end and checks it ended by itself with status 0.
inline void expectCleanExit(harness::ChildProcess& program)
{
    const auto status = program.waitForExit(exitTimeout);
    ASSERT_HAS_VALUE(status) << "did not end";
    EXPECT_TRUE(status->exited) << "killed by signal " << status->signal;
    EXPECT_EQ(status->code, 0);
}

// After boxpair has ended: status 0, every line whole and well formed, and one line a frame,
// counting the frame that closes the window, which prints its line but shows nothing more.
inline void expectBoxpairEndedCleanly(ProgramOnDisplay& run)
{
    expectCleanExit(*run.program);
    const std::string output = run.program->standardOutput();
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(output.back(), '\n') << "the last frame's line is cut short";
    const std::vector<std::string> lines = harness::completeLines(output);
    for (const std::string& line : lines)
        ASSERT_TRUE(wellFormedReportLine(line)) << line;
    EXPECT_EQ(static_cast<long>(lines.size()), run.framesShown().value_or(-1) + 1) << "one line a frame";
}

inline bool fountainSettlesAround(ProgramOnDisplay& run, double x, double y)
{
    return e2e::fountainSettlesAround([&] { return run.display.capture(run.window); }, x, y);
}

inline std::optional<harness::Box> squareOf(ProgramOnDisplay& run, bool (*colour)(harness::Pixel))
{
    return harness::boundsOf(run.display.capture(run.window), colour);
}

// The red square, drawn over the blue one, keeps its 50 pixels whatever the window's size.
// Right after a change of size a picture may still hold the old frame, so this waits for one.
inline void expectSquaresUnstretched(ProgramOnDisplay& run)
{
    std::optional<harness::Box> agent;
    harness::waitUntil(
        [&] {
            agent = squareOf(run, harness::isRed);
            return agent.has_value() && agent->width == 50 && agent->height == 50;
        },
        startTimeout);
    ASSERT_HAS_VALUE(agent);
    EXPECT_EQ(agent->width, 50);
    EXPECT_EQ(agent->height, 50);
}

// The program a test runs: the one just built, unless `variable` names another (an installed
// copy, for instance).
inline std::string programUnderTest(const char* variable, const char* built)
{
    const char* const other = std::getenv(variable);
    return other != nullptr && *other != '\0' ? other : built;
}

inline const std::string sparkfield = programUnderTest("SPARKFIELD_UNDER_TEST", SPARKFIELD_PATH);
inline const std::string boxpair = programUnderTest("BOXPAIR_UNDER_TEST", BOXPAIR_PATH);

// Runs a program where no window can be opened and checks it fails plainly.
inline void expectCleanFailureWithout(const std::string& path, const std::string& programName,
                                      const std::string& displayValue)
{
    harness::ChildProcess program({path}, {{"DISPLAY", displayValue}});
    const auto status = program.waitForExit(exitTimeout);
    ASSERT_HAS_VALUE(status) << "still running without a display";
    EXPECT_TRUE(status->exited) << "killed by signal " << status->signal;
    EXPECT_EQ(status->code, 1);
    EXPECT_EQ(program.standardOutput(), "");
    const std::vector<std::string> lines = harness::completeLines(program.standardError());
    ASSERT_EQ(lines.size(), 1u) << program.standardError();
    EXPECT_EQ(lines[0].rfind(programName + ": cannot open a window: ", 0), 0u) << lines[0];
}

} // namespace e2e
