#pragma once

#include "ChildProcess.hpp"
#include "ProgramRun.hpp"
#include "ProgramTable.hpp"

#include <gtest/gtest.h>

#include <string>

// ASSERT_TRUE(optional.has_value()) in a form that static analysis can follow: what comes
// after it may use the value.
#define ASSERT_HAS_VALUE(optional)                                                                                     \
    if ((optional).has_value()) {                                                                                      \
    } else                                                                                                             \
        FAIL() << #optional " holds no value. "

// Stops the test when the program's window did not appear, saying what became of the program.
#define ASSERT_WINDOW(run) ASSERT_NE((run).window, 0u) << (run).whyNoWindow()

// How the tests judge the way a program ended and what it printed.
namespace e2e {

// Waits for the program to end and checks it ended by itself with `code`.
void expectExit(harness::ChildProcess& program, int code = 0);

// After the program has ended: status 0, and its output as its table entry says. A program
// that reports each frame has printed whole, well-formed lines, one a frame, counting the frame
// that closes the window, which prints its line but shows nothing more.
void expectEndedCleanly(ProgramOnDisplay& run);

// Runs the program with DISPLAY set to `displayValue`, where no window can be opened, and
// checks it fails plainly: status 1, nothing printed, one line of explanation.
void expectPlainFailureWithout(const Program& entry, const std::string& displayValue);

// After the display server died under the program: status 1, and its last word says why.
void expectDisplayLossReported(ProgramOnDisplay& run);

// Every complete line printed so far is the one the untouched chase prints in that frame.
void expectUntouchedReport(const std::string& output);

// Two numbers in the output stream's default format for floats, one space between.
bool wellFormedReportLine(const std::string& line);

} // namespace e2e
