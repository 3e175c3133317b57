#include "Expectations.hpp"

#include "UntouchedChase.hpp"

#include <cstdlib>
#include <vector>

namespace e2e {

namespace {

// A number as the output stream writes a float by default: "-1.19692", "2", "1.5e-05".
bool defaultFormatNumber(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("-+.0123456789e") != std::string::npos)
        return false;
    char* end = nullptr;
    static_cast<void>(std::strtof(text.c_str(), &end));
    return end == text.c_str() + text.size() && text.back() != '.' && text.find(".e") == std::string::npos;
}

} // namespace

void expectExit(harness::ChildProcess& program, int code)
{
    const auto status = program.waitForExit(exitTimeout);
    ASSERT_HAS_VALUE(status) << "did not end";
    EXPECT_TRUE(status->exited) << "killed by signal " << status->signal;
    EXPECT_EQ(status->code, code) << program.standardError();
}

void expectEndedCleanly(ProgramOnDisplay& run)
{
    expectExit(*run.program);
    const std::string output = run.program->standardOutput();
    switch (run.entry.output) {
    case Output::Nothing:
        EXPECT_EQ(output, "");
        break;
    case Output::AStepEachFrame: {
        ASSERT_FALSE(output.empty());
        EXPECT_EQ(output.back(), '\n') << "the last frame's line is cut short";
        const std::vector<std::string> lines = harness::completeLines(output);
        for (const std::string& line : lines)
            ASSERT_TRUE(wellFormedReportLine(line)) << line;
        EXPECT_EQ(static_cast<long>(lines.size()), run.framesShown().value_or(-1) + 1) << "one line a frame";
        break;
    }
    }
}

void expectPlainFailureWithout(const Program& entry, const std::string& displayValue)
{
    SCOPED_TRACE("DISPLAY=" + displayValue);
    harness::ChildProcess program({entry.path}, {{"DISPLAY", displayValue}});
    expectExit(program, 1);
    EXPECT_EQ(program.standardOutput(), "");
    const std::vector<std::string> lines = harness::completeLines(program.standardError());
    ASSERT_EQ(lines.size(), 1u) << program.standardError();
    EXPECT_EQ(lines[0].rfind(entry.name + ": cannot open a window: ", 0), 0u) << lines[0];
}

void expectDisplayLossReported(ProgramOnDisplay& run)
{
    expectExit(*run.program, 1);
    const std::vector<std::string> errors = harness::completeLines(run.program->standardError());
    ASSERT_FALSE(errors.empty()) << "said nothing";
    EXPECT_EQ(errors.back(), run.entry.name + ": lost the connection to the display; exiting");
}

void expectUntouchedReport(const std::string& output)
{
    const std::vector<std::string> lines = harness::completeLines(output);
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(lines[i], untouchedLine(i + 1)) << "frame " << i + 1;
}

bool wellFormedReportLine(const std::string& line)
{
    const std::size_t space = line.find(' ');
    return space != std::string::npos && defaultFormatNumber(line.substr(0, space)) &&
           defaultFormatNumber(line.substr(space + 1));
}

} // namespace e2e
