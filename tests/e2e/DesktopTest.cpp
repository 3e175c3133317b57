// The programs on desktops as users run them: a display server that resets between clients,
// an Openbox desktop with its title-bar actions, and the keyboard focus shared with other
// programs.

#include "Expectations.hpp"
#include "Pictures.hpp"
#include "ProgramRun.hpp"
#include "ProgramTable.hpp"

#include <gtest/gtest.h>

namespace {

using namespace e2e;
using harness::Desktop;

// Both cores kept busy for as long as it lives, so start-up takes longer than it would on an
// idle machine.
class CpuLoad {
public:
    CpuLoad()
    {
        for (int core = 0; core < 2; ++core)
            spinners.push_back(std::make_unique<harness::ChildProcess>(
                std::vector<std::string>{"/bin/sh", "-c", "while :; do :; done"}));
    }

private:
    std::vector<std::unique_ptr<harness::ChildProcess>> spinners;
};

// A program on an Openbox desktop of its own.
class OnOpenbox : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override { ASSERT_WINDOW(run); }

    ProgramOnDisplay run{GetParam(), {}, Desktop::Openbox};
};

} // namespace

// What `xvfb-run program` does many times in a row: each start comes just as the server's
// last client has left, while the server resets. The test connects again only once the
// program has made both its connections (its own check's and SFML's), so that in between the
// program may be the server's only client, as it is under xvfb-run.
TEST(StartUp, NeverFailsOnAServerThatResetsWhenItsLastClientLeaves)
{
    const CpuLoad load;
    harness::VirtualDisplay display;
    for (const Program& entry : programs()) {
        for (int start = 1; start <= 12; ++start) {
            SCOPED_TRACE(entry.name + ", start " + std::to_string(start));
            display.disconnect();
            const std::size_t connectedBefore = display.clientsConnected();
            harness::ChildProcess program({entry.path}, {{"DISPLAY", display.name()}});
            harness::waitUntil([&] { return display.clientsConnected() >= connectedBefore + 2 || !program.running(); },
                               startTimeout);
            const std::optional<XID> window = display.findWindow(entry.title, startTimeout);
            if (!window.has_value()) {
                static_cast<void>(program.waitForExit(exitTimeout));
                FAIL() << "no window; the program " << fateOf(program);
            }
            display.requestClose(*window);
            expectExit(program);
        }
    }
}

// What a user's title bar does: the window manager's close action, then the program's own
// end, with boxpair's last line whole.
TEST_P(OnOpenbox, TheTitleBarsCloseActionEndsItWithStatusZero)
{
    ASSERT_TRUE(run.waitForFirstFrame());
    run.display.closeThroughWindowManager(run.window);
    expectEndedCleanly(run);
}

// Every change of a window's state a desktop offers, one after another, each followed by the
// picture the program should show.
TEST_P(OnOpenbox, KeepsRunningAndDrawingThroughMaximiseFullscreenMinimiseAndRestore)
{
    harness::VirtualDisplay& display = run.display;
    const auto sizeOnce = [&](std::pair<int, int> wanted) {
        return harness::waitUntil([&] { return run.size() == wanted; }, startTimeout);
    };
    const std::pair<int, int> initial = run.size();

    display.maximise(run.window, true);
    ASSERT_TRUE(harness::waitUntil([&] { return run.size().first > initial.first; }, startTimeout));
    expectRightPicture(run);
    display.maximise(run.window, false);
    ASSERT_TRUE(sizeOnce(initial));

    display.fullscreen(run.window, true);
    ASSERT_TRUE(sizeOnce({2048, 1536}));
    expectRightPicture(run);
    display.fullscreen(run.window, false);
    ASSERT_TRUE(sizeOnce(initial));

    display.minimise(run.window);
    display.waitForMapState(run.window, false);
    if (GetParam().output == Output::AStepEachFrame) {
        ASSERT_TRUE(run.waitForFramesAfterNow(10)) << "stopped while minimised";
    }
    display.activate(run.window);
    display.waitForMapState(run.window, true);
    expectRightPicture(run);

    ASSERT_TRUE(run.program->running());
    display.requestClose(run.window);
    expectEndedCleanly(run);
}

INSTANTIATE_TEST_SUITE_P(Both, OnOpenbox, ::testing::ValuesIn(programs()), NamedByProgram());

// The keyboard's state is the whole desktop's: keys held while another program has the focus,
// or while boxpair is minimised, were meant for someone else.
TEST(Openbox, ArrowKeysMoveTheBlueSquareOnlyWhileBoxpairHasTheFocus)
{
    ProgramOnDisplay run{boxpair(), {}, Desktop::Openbox};
    ASSERT_WINDOW(run);
    harness::VirtualDisplay& display = run.display;
    // Keys go down only after boxpair has run a whole frame since the focus moved, so that it
    // has seen the change.
    const auto holdArrowsFor = [&](std::size_t frames) {
        if (!run.waitForFramesAfterNow(2))
            return false;
        display.pressKeys({"Left", "Up"});
        const bool held = run.waitForFramesAfterNow(frames);
        display.releaseKeys({"Left", "Up"});
        return held;
    };

    const XID other = display.openOtherWindow("Another program");
    ASSERT_TRUE(harness::waitUntil([&] { return display.focusedWindow() == other; }, startTimeout));
    ASSERT_TRUE(holdArrowsFor(30));

    display.activate(run.window);
    ASSERT_TRUE(harness::waitUntil([&] { return display.focusedWindow() == run.window; }, startTimeout));
    display.minimise(run.window);
    display.waitForMapState(run.window, false);
    ASSERT_TRUE(holdArrowsFor(30));
    expectUntouchedReport(run.program->standardOutput());

    display.activate(run.window);
    display.waitForMapState(run.window, true);
    ASSERT_TRUE(harness::waitUntil([&] { return display.focusedWindow() == run.window; }, startTimeout));
    ASSERT_TRUE(holdArrowsFor(10));
    const std::optional<harness::Box> player = run.square(harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_LT(player->left, 120 - 5 * 5);
    EXPECT_LT(player->top, 60 - 5 * 5);
}
