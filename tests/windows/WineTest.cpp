// The Windows build (scripts/windows-build.sh) run under Wine on a private virtual display:
// the same windows, picture, lines and endings as on Linux. Pictures of both windows are left
// in the test's temporary folder. WINDOWS_PROGRAMS names the folder
// that holds sparkfield.exe and boxpair.exe.

#include "Programs.hpp"

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

class UnderWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (windowsPrograms() == nullptr)
            GTEST_SKIP() << "WINDOWS_PROGRAMS names no folder of Windows programs (scripts/windows-test.sh sets it)";
    }

    static std::unique_ptr<ProgramOnDisplay> start(const std::string& exe, const std::string& title)
    {
        return std::make_unique<ProgramOnDisplay>("/usr/bin/wine", title,
                                                  std::vector<std::string>{std::string(windowsPrograms()) + "/" + exe},
                                                  harness::Desktop::Bare, WinePrefix::environment());
    }

    // Windows ends lines with a carriage return before the newline.
    static std::string withoutCarriageReturns(std::string text)
    {
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }

    static void expectEndedCleanly(ProgramOnDisplay& run)
    {
        expectCleanExit(*run.program);
        EXPECT_EQ(run.program->standardError(), "");
    }
};

} // namespace

TEST_F(UnderWine, SparkfieldShowsItsFountainAndEndsOnACloseRequest)
{
    const auto run = start("sparkfield.exe", "Particles");
    ASSERT_WINDOW(*run);
    EXPECT_EQ(run->display.size(run->window), std::make_pair(600, 400));
    EXPECT_TRUE(fountainSettlesAround(*run, 300, 200));
    static_cast<void>(run->display.capture(run->window).saveToFile(::testing::TempDir() + "wine-sparkfield.png"));
    run->display.requestClose(run->window);
    expectEndedCleanly(*run);
    EXPECT_EQ(run->program->standardOutput(), "");
}

TEST_F(UnderWine, BoxpairPrintsTheLinuxBuildsLinesAndEndsOnEscape)
{
    const auto run = start("boxpair.exe", "Chase AI");
    ASSERT_WINDOW(*run);
    EXPECT_EQ(run->display.size(run->window), std::make_pair(800, 600));
    ASSERT_TRUE(waitForLines(*run->program, 120));
    expectSquaresUnstretched(*run);
    static_cast<void>(run->display.capture(run->window).saveToFile(::testing::TempDir() + "wine-boxpair.png"));
    run->display.pressKey("Escape");
    run->display.releaseKey("Escape");
    expectEndedCleanly(*run);
    const std::string output = withoutCarriageReturns(run->program->standardOutput());
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(output.back(), '\n') << "the last frame's line is cut short";
    expectUntouchedReport(output);
}

TEST_F(UnderWine, BoxpairEndsOnACloseRequest)
{
    const auto run = start("boxpair.exe", "Chase AI");
    ASSERT_WINDOW(*run);
    ASSERT_TRUE(waitForLines(*run->program, 10));
    run->display.requestClose(run->window);
    expectEndedCleanly(*run);
    expectUntouchedReport(withoutCarriageReturns(run->program->standardOutput()));
}
