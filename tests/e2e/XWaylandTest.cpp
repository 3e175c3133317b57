// The programs on a Wayland desktop, as most current Linux desktops run X programs: Weston's
// headless compositor with XWayland. Skipped, and said so, where Weston cannot start.

#include "Programs.hpp"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

// Starts one program on its own Weston session, or skips the test when there is none to be had.
#define START_ON_WESTON(run, path, title)                                                                              \
    std::unique_ptr<ProgramOnDisplay> run;                                                                             \
    try {                                                                                                              \
        (run) = std::make_unique<ProgramOnDisplay>(path, title, std::vector<std::string>{}, harness::Desktop::Weston); \
    } catch (const harness::DesktopUnavailable& error) {                                                               \
        GTEST_SKIP() << error.what();                                                                                  \
    }

} // namespace

TEST(XWayland, SparkfieldOpensItsWindowAndEndsOnACloseRequest)
{
    START_ON_WESTON(run, sparkfield, "Particles");
    ASSERT_WINDOW(*run);
    EXPECT_EQ(run->display.size(run->window), std::make_pair(600, 400));
    EXPECT_TRUE(fountainSettlesAround(*run, 300, 200));
    run->display.requestClose(run->window);
    expectCleanExit(*run->program);
}

TEST(XWayland, BoxpairOpensItsWindowPrintsItsLinesAndEndsOnACloseRequest)
{
    START_ON_WESTON(run, boxpair, "Chase AI");
    ASSERT_WINDOW(*run);
    EXPECT_EQ(run->display.size(run->window), std::make_pair(800, 600));
    ASSERT_TRUE(waitForLines(*run->program, 60));
    expectSquaresUnstretched(*run);
    run->display.requestClose(run->window);
    expectCleanExit(*run->program);
    expectUntouchedReport(run->program->standardOutput());
    EXPECT_EQ(run->program->standardOutput().back(), '\n');
}
