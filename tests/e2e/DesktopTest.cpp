// The programs on desktops as users run them: a display server that resets between clients,
// an Openbox desktop with its title-bar actions, and the keyboard focus shared with other
// programs.

#include "Programs.hpp"

#include <gtest/gtest.h>

namespace {

using namespace e2e;
using harness::Desktop;

struct Program {
    std::string path;
    std::string title;
};
const Program programs[] = {{sparkfield, "Particles"}, {boxpair, "Chase AI"}};

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

void expectRightPicture(ProgramOnDisplay& run, const std::string& path)
{
    if (path == sparkfield) {
        const auto [width, height] = run.display.size(run.window);
        EXPECT_TRUE(fountainSettlesAround(run, width / 2.0, height / 2.0))
            << "not centred in " << width << "x" << height;
    } else {
        expectSquaresUnstretched(run);
    }
}

// Runs a scenario for each program in turn, on an Openbox desktop of its own.
template <typename Scenario> void onOpenbox(Scenario scenario)
{
    for (const Program& entry : programs) {
        SCOPED_TRACE(entry.title);
        ProgramOnDisplay run{entry.path, entry.title, {}, Desktop::Openbox};
        ASSERT_WINDOW(run);
        scenario(run, entry.path);
    }
}

void expectEndedCleanly(ProgramOnDisplay& run, const std::string& path)
{
    if (path == boxpair)
        expectBoxpairEndedCleanly(run);
    else
        expectCleanExit(*run.program);
}

} // namespace

// What `xvfb-run program` does many times in a row: each start comes just as the server's
// last client has left, while the server resets. The test connects again only once the
// program has made both its connections (its own check's and SFML's), so that in between the
// program may be the server's only client, as it is under xvfb-run.
TEST(StartUp, NeverFailsOnAServerThatResetsWhenItsLastClientLeaves)
{
    const CpuLoad load;
    harness::VirtualDisplay display;
    for (const Program& entry : programs) {
        const std::string& path = entry.path;
        const std::string& title = entry.title;
        for (int start = 1; start <= 12; ++start) {
            SCOPED_TRACE(title + ", start " + std::to_string(start));
            display.disconnect();
            const std::size_t connectedBefore = display.clientsConnected();
            harness::ChildProcess program({path}, {{"DISPLAY", display.name()}});
            harness::waitUntil([&] { return display.clientsConnected() >= connectedBefore + 2 || !program.running(); },
                               startTimeout);
            const std::optional<XID> window = display.findWindow(title, startTimeout);
            if (!window.has_value()) {
                static_cast<void>(program.waitForExit(exitTimeout));
                FAIL() << "no window; the program " << fateOf(program);
            }
            display.requestClose(*window);
            expectCleanExit(program);
        }
    }
}

// What a user's title bar does: the window manager's close action, then the program's own
// end, with boxpair's last line whole.
TEST(Openbox, TheTitleBarsCloseActionEndsEachProgramWithStatusZero)
{
    onOpenbox([](ProgramOnDisplay& run, const std::string& path) {
        ASSERT_TRUE(waitForLines(*run.program, path == boxpair ? 3 : 0));
        run.display.closeThroughWindowManager(run.window);
        expectEndedCleanly(run, path);
    });
}

// Every change of a window's state a desktop offers, one after another, each followed by the
// picture the program should show.
TEST(Openbox, ProgramsKeepRunningAndDrawingThroughMaximiseFullscreenMinimiseAndRestore)
{
    onOpenbox([](ProgramOnDisplay& run, const std::string& path) {
        harness::VirtualDisplay& display = run.display;
        const auto sizeOnce = [&](std::pair<int, int> wanted) {
            return harness::waitUntil([&] { return display.size(run.window) == wanted; }, startTimeout);
        };
        const std::pair<int, int> initial = display.size(run.window);

        display.maximise(run.window, true);
        ASSERT_TRUE(harness::waitUntil([&] { return display.size(run.window).first > initial.first; }, startTimeout));
        expectRightPicture(run, path);
        display.maximise(run.window, false);
        ASSERT_TRUE(sizeOnce(initial));

        display.fullscreen(run.window, true);
        ASSERT_TRUE(sizeOnce({2048, 1536}));
        expectRightPicture(run, path);
        display.fullscreen(run.window, false);
        ASSERT_TRUE(sizeOnce(initial));

        display.minimise(run.window);
        display.waitForMapState(run.window, false);
        if (path == boxpair) {
            ASSERT_TRUE(waitForLines(*run.program, linesPrinted(*run.program) + 10)) << "stopped while minimised";
        }
        display.activate(run.window);
        display.waitForMapState(run.window, true);
        expectRightPicture(run, path);

        ASSERT_TRUE(run.program->running());
        display.requestClose(run.window);
        expectEndedCleanly(run, path);
    });
}

// The keyboard's state is the whole desktop's: keys held while another program has the focus,
// or while boxpair is minimised, were meant for someone else.
TEST(Openbox, ArrowKeysMoveTheBlueSquareOnlyWhileBoxpairHasTheFocus)
{
    ProgramOnDisplay run{boxpair, "Chase AI", {}, Desktop::Openbox};
    ASSERT_WINDOW(run);
    harness::VirtualDisplay& display = run.display;
    // Keys go down only after boxpair has run a whole frame since the focus moved, so that it
    // has seen the change.
    const auto holdArrowsFor = [&](std::size_t frames) {
        if (!waitForLines(*run.program, linesPrinted(*run.program) + 2))
            return false;
        display.pressKeys({"Left", "Up"});
        const bool held = waitForLines(*run.program, linesPrinted(*run.program) + frames);
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
    const std::optional<harness::Box> player = squareOf(run, harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_LT(player->left, 120 - 5 * 5);
    EXPECT_LT(player->top, 60 - 5 * 5);
}
