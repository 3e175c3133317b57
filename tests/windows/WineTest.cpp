// The Windows build (scripts/windows-build.sh) run under Wine on a private virtual display:
// the same windows, picture, lines and endings as on Linux. Pictures of both windows are left
// in the test's temporary folder. WINDOWS_PROGRAMS names the folder
// that holds sparkfield.exe and boxpair.exe.

#include "Expectations.hpp"
#include "Pictures.hpp"
#include "ProgramRun.hpp"
#include "ProgramTable.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

using namespace e2e;

const char* windowsPrograms()
{
    return std::getenv("WINDOWS_PROGRAMS");
}

// One Wine prefix for the whole run, made before the first test: making it takes longer than a
// program's start may. Wine's own messages are off unless WINEDEBUG asks for them, and so are
// its offers to install .NET and a web engine, which no program here uses.
class WinePrefix : public ::testing::Environment {
public:
    static std::map<std::string, std::string> environment()
    {
        const char* const debug = std::getenv("WINEDEBUG");
        return {{"WINEPREFIX", path()},
                {"WINEDEBUG", debug != nullptr ? debug : "-all"},
                {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                // The frame counter is a Linux library; the Windows programs are counted by lines.
                {"LD_PRELOAD", ""}};
    }

    void SetUp() override
    {
        if (windowsPrograms() == nullptr)
            return;
        std::filesystem::create_directories(path());
        auto variables = environment();
        variables["DISPLAY"] = "";
        harness::ChildProcess boot({"/usr/bin/wine", "wineboot", "--init"}, variables);
        ASSERT_TRUE(boot.waitForExit(std::chrono::minutes(3)).has_value()) << "wineboot did not finish";
        harness::ChildProcess settle({"/usr/bin/wineserver", "--wait"}, variables);
        settle.waitForExit(std::chrono::minutes(1));
    }

    void TearDown() override
    {
        // Ends this prefix's server and whatever still runs in it, and nothing else.
        harness::ChildProcess stop({"/usr/bin/wineserver", "--kill"}, environment());
        stop.waitForExit(std::chrono::seconds(30));
        std::error_code ignored;
        std::filesystem::remove_all(path(), ignored);
    }

private:
    static std::string path() { return ::testing::TempDir() + "wine-prefix-" + std::to_string(getpid()); }
};

const auto* const winePrefix = ::testing::AddGlobalTestEnvironment(new WinePrefix);

// A Windows program of the table, run under Wine; it writes nothing on standard error there.
class UnderWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (windowsPrograms() == nullptr)
            GTEST_SKIP() << "WINDOWS_PROGRAMS names no folder of Windows programs (scripts/windows-test.sh sets it)";
    }

    void start(const Program& entry)
    {
        Program underWine = entry;
        underWine.path = "/usr/bin/wine";
        run = std::make_unique<ProgramOnDisplay>(
            underWine, std::vector<std::string>{std::string(windowsPrograms()) + "/" + entry.name + ".exe"},
            harness::Desktop::Bare, WinePrefix::environment());
    }

    // Windows ends lines with a carriage return before the newline.
    std::string output() const
    {
        std::string text = run->program->standardOutput();
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }

    void expectEndedCleanly()
    {
        expectExit(*run->program);
        EXPECT_EQ(run->program->standardError(), "");
        // The last frame's line is whole; the frame counter, a Linux library, is not there to
        // count the frames.
        EXPECT_TRUE(output().empty() || output().back() == '\n') << "the last frame's line is cut short";
        expectUntouchedReport(output());
    }

    std::unique_ptr<ProgramOnDisplay> run;
};

class EachUnderWine : public UnderWine, public ::testing::WithParamInterface<Program> {
protected:
    void SetUp() override
    {
        UnderWine::SetUp();
        if (!IsSkipped())
            start(GetParam());
    }
};

} // namespace

TEST_P(EachUnderWine, ShowsItsPictureAndEndsOnACloseRequest)
{
    ASSERT_WINDOW(*run);
    EXPECT_EQ(run->size(), GetParam().size);
    expectRightPicture(*run);
    run->savePicture("wine-" + GetParam().name + ".png");
    run->display.requestClose(run->window);
    expectEndedCleanly();
    if (GetParam().output == Output::Nothing) {
        EXPECT_EQ(output(), "");
    }
}

TEST_F(UnderWine, BoxpairPrintsTheLinuxBuildsLinesAndEndsOnItsEndingKey)
{
    start(boxpair());
    ASSERT_WINDOW(*run);
    ASSERT_TRUE(run->waitForLines(120));
    run->display.tapKey(boxpair().endingKey);
    expectEndedCleanly();
    EXPECT_GE(harness::completeLines(output()).size(), 120u);
}

INSTANTIATE_TEST_SUITE_P(Both, EachUnderWine, ::testing::ValuesIn(programs()), NamedByProgram());
