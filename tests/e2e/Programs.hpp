#pragma once

#include "ChildProcess.hpp"
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

// One run of a real program on its own virtual display, with the window found. A frame
// counter is preloaded into it, so a test can compare what it printed with what it showed.
class ProgramOnDisplay {
public:
    ProgramOnDisplay(const std::string& path, const std::string& title,
                     const std::vector<std::string>& extraArguments = {})
        : frameCountFile(::testing::TempDir() + "frames-" + std::to_string(getpid()) + "-" + std::to_string(++runs))
    {
        static_cast<void>(std::remove(frameCountFile.c_str()));
        std::vector<std::string> arguments{path};
        arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
        program = std::make_unique<harness::ChildProcess>(
            arguments, std::map<std::string, std::string>{{"DISPLAY", display.name()},
                                                          {"LD_PRELOAD", SWAP_COUNTER_PATH},
                                                          {"FRAME_COUNT_FILE", frameCountFile},
                                                          // A sanitized build wants its runtime loaded first; the
                                                          // counter is loaded before it and only forwards a call.
                                                          {"ASAN_OPTIONS", sanitizerOptions()}});
        window = display.findWindow(title, startTimeout).value_or(0);
    }

    ~ProgramOnDisplay() { static_cast<void>(std::remove(frameCountFile.c_str())); }

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
    std::string frameCountFile;
};

// The program a test runs: the one just built, unless `variable` names another (an installed
// copy, for instance).
inline std::string programUnderTest(const char* variable, const char* built)
{
    const char* const other = std::getenv(variable);
    return other != nullptr && *other != '\0' ? other : built;
}

// Runs a program where no window can be opened and checks it fails plainly.
inline void expectCleanFailureWithout(const std::string& path, const std::string& programName,
                                      const std::string& displayValue)
{
    harness::ChildProcess program({path}, {{"DISPLAY", displayValue}});
    const auto status = program.waitForExit(exitTimeout);
    ASSERT_TRUE(status.has_value()) << "still running without a display";
    EXPECT_TRUE(status->exited) << "killed by signal " << status->signal;
    EXPECT_EQ(status->code, 1);
    EXPECT_EQ(program.standardOutput(), "");
    const std::vector<std::string> lines = harness::completeLines(program.standardError());
    ASSERT_EQ(lines.size(), 1u) << program.standardError();
    EXPECT_EQ(lines[0].rfind(programName + ": cannot open a window: ", 0), 0u) << lines[0];
}

} // namespace e2e
