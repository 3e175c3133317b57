#include "ProgramRun.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <unistd.h>

namespace e2e {

namespace {

std::string sanitizerOptions()
{
    const char* const inherited = std::getenv("ASAN_OPTIONS");
    return std::string(inherited != nullptr ? inherited : "") + ":verify_asan_link_order=0";
}

std::string newFrameCountFile()
{
    static int runs = 0;
    return ::testing::TempDir() + "frames-" + std::to_string(getpid()) + "-" + std::to_string(++runs);
}

} // namespace

std::string fateOf(harness::ChildProcess& program)
{
    const auto status = program.waitForExit(0ms);
    return (!status          ? std::string("is still running")
            : status->exited ? "exited with status " + std::to_string(status->code)
                             : "was killed by signal " + std::to_string(status->signal)) +
           "; its standard error:\n" + program.standardError();
}

ProgramOnDisplay::ProgramOnDisplay(const Program& entry, const std::vector<std::string>& extraArguments,
                                   harness::Desktop desktop, const std::map<std::string, std::string>& environment)
    : entry(entry)
    , display(desktop)
    , frameCountFile(newFrameCountFile())
{
    static_cast<void>(std::remove(frameCountFile.c_str()));
    std::vector<std::string> arguments{entry.path};
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
    window = display.findWindow(entry.title, startTimeout).value_or(0);
}

ProgramOnDisplay::~ProgramOnDisplay()
{
    static_cast<void>(std::remove(frameCountFile.c_str()));
}

std::string ProgramOnDisplay::whyNoWindow()
{
    return "no window titled \"" + entry.title + "\" appeared; the program " + fateOf(*program);
}

std::optional<long> ProgramOnDisplay::framesShown() const
{
    std::ifstream file(frameCountFile);
    std::string text;
    if (!(file >> text) || text.rfind("swaps=", 0) != 0)
        return std::nullopt;
    return std::stol(text.substr(6));
}

bool ProgramOnDisplay::waitForFirstFrame()
{
    return harness::waitUntil([&] { return harness::litPixelsOf(picture()).count > 0; }, startTimeout);
}

std::size_t ProgramOnDisplay::linesPrinted() const
{
    return harness::completeLines(program->standardOutput()).size();
}

bool ProgramOnDisplay::waitForLines(std::size_t count) const
{
    return program->waitForOutput(
        [count](const std::string& out) { return harness::completeLines(out).size() >= count; }, startTimeout);
}

bool ProgramOnDisplay::resizeTo(std::pair<int, int> wanted)
{
    display.resize(window, wanted.first, wanted.second);
    return harness::waitUntil([&] { return size() == wanted; }, startTimeout);
}

void ProgramOnDisplay::savePicture(const std::string& fileName)
{
    static_cast<void>(picture().saveToFile(::testing::TempDir() + fileName));
}

} // namespace e2e
