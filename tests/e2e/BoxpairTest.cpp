#include "Programs.hpp"

#include "Scenes.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace e2e;

class Boxpair : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_WINDOW(run);
        ASSERT_TRUE(waitForLines(1));
    }

    bool waitForLines(std::size_t count) const { return e2e::waitForLines(*run.program, count); }

    std::optional<harness::Box> square(bool (*colour)(harness::Pixel))
    {
        return harness::boundsOf(run.display.capture(run.window), colour);
    }

    void expectEndsCleanlyAfter(void (Boxpair::*request)())
    {
        (this->*request)();
        expectBoxpairEndedCleanly(run);
        expectUntouchedReport(run.program->standardOutput());
    }

public:
    void pressEscape()
    {
        run.display.pressKey("Escape");
        run.display.releaseKey("Escape");
    }
    void requestClose() { run.display.requestClose(run.window); }

protected:
    void holdKeysForFrames(const std::vector<std::string>& keys, std::size_t frames)
    {
        run.display.pressKeys(keys);
        const std::size_t start = linesPrinted(*run.program);
        waitForLines(start + frames);
        run.display.releaseKeys(keys);
        // Let a frame or two pass so the last move is drawn.
        waitForLines(linesPrinted(*run.program) + 2);
    }

    ProgramOnDisplay run{boxpair, "Chase AI"};
};

} // namespace

TEST_F(Boxpair, OpensAn800By600WindowTitledChaseAI)
{
    EXPECT_EQ(run.display.size(run.window), std::make_pair(800, 600));
}

TEST_F(Boxpair, ReportsTheAgentsStepOnceAFrameFromTheStartingPositions)
{
    ASSERT_TRUE(waitForLines(150));
    const std::vector<std::string> lines = harness::completeLines(run.program->standardOutput());
    for (const std::string& line : lines)
        ASSERT_TRUE(wellFormedReportLine(line)) << line;
    EXPECT_EQ(lines[0], "0.985995 1.74006");
    EXPECT_EQ(lines[1], "0.611402 1.90426");
    EXPECT_EQ(lines[2], "0.0690283 1.99881");
    expectUntouchedReport(run.program->standardOutput());
}

TEST_F(Boxpair, DrawsTheRedAgentWhereItsPrintedStepsHaveTakenIt)
{
    // The frame on screen lies between the lines counted before and after the picture.
    std::size_t before = 0;
    std::size_t after = 0;
    std::optional<harness::Box> agent;
    ASSERT_TRUE(harness::waitUntil(
        [&] {
            before = linesPrinted(*run.program);
            agent = square(harness::isRed);
            after = linesPrinted(*run.program);
            return agent.has_value();
        },
        startTimeout));
    ASSERT_HAS_VALUE(agent);

    bool matched = false;
    for (std::size_t frame = before == 0 ? 0 : before - 1; frame <= after && !matched; ++frame) {
        const sf::Vector2f position = untouchedChase().agentAfter(frame);
        matched = std::abs(static_cast<float>(agent->left) - position.x) <= 1.f &&
                  std::abs(static_cast<float>(agent->top) - position.y) <= 1.f;
    }
    EXPECT_TRUE(matched) << "red square at (" << agent->left << ", " << agent->top << ") between frames " << before
                         << " and " << after;
    EXPECT_EQ(agent->width, 50);
    EXPECT_EQ(agent->height, 50);
}

TEST_F(Boxpair, HoldingArrowKeysMovesTheBlueSquareAndNothingElseDoes)
{
    // A frame may sample the keyboard between two key events, so a key can act for one frame
    // more or less than the others: counts are checked to within that one frame.
    holdKeysForFrames({"Left", "Right"}, 10);
    std::optional<harness::Box> player = square(harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_NEAR(player->left, 120, 5) << "Left and Right together cancel";
    EXPECT_EQ(player->top, 60);

    const int leftBefore = player->left;
    holdKeysForFrames({"a", "space", "Return"}, 10);
    player = square(harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_EQ(player->left, leftBefore);
    EXPECT_EQ(player->top, 60);

    // Away from the agent, which comes from the lower right, so nothing covers the player.
    holdKeysForFrames({"Left", "Up"}, 8);
    player = square(harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_EQ(player->width, 50);
    EXPECT_EQ(player->height, 50);
    EXPECT_LE(player->left, leftBefore - 5 * 7);
    EXPECT_EQ(player->left % 5, 0);
    EXPECT_EQ(player->top % 5, 0);
    EXPECT_NEAR(leftBefore - player->left, 60 - player->top, 5) << "Left and Up together move diagonally";
}

TEST_F(Boxpair, EscapeEndsItWithStatusZeroAfterThatFramesLine)
{
    expectEndsCleanlyAfter(&Boxpair::pressEscape);
}

TEST_F(Boxpair, ACloseRequestEndsItWithStatusZeroAfterThatFramesLine)
{
    expectEndsCleanlyAfter(&Boxpair::requestClose);
}

TEST_F(Boxpair, KeepsTheSquaresUnstretchedAfterAResize)
{
    run.display.resize(run.window, 1000, 700);
    ASSERT_TRUE(harness::waitUntil([&] { return run.display.size(run.window) == std::make_pair(1000, 700); }, 5s));
    const std::size_t resizedAt = linesPrinted(*run.program);
    ASSERT_TRUE(waitForLines(resizedAt + 3));

    const std::optional<harness::Box> agent = square(harness::isRed);
    ASSERT_HAS_VALUE(agent);
    EXPECT_EQ(agent->width, 50);
    EXPECT_EQ(agent->height, 50);
}

TEST(BoxpairArguments, AreIgnored)
{
    ProgramOnDisplay run{boxpair, "Chase AI", {"--help", "garbage"}};
    ASSERT_WINDOW(run);
    ASSERT_TRUE(waitForLines(*run.program, 3));
    expectUntouchedReport(run.program->standardOutput());
}

TEST(BoxpairWithoutDisplay, FailsWithOneLineAndStatusOneAndPrintsNoStep)
{
    expectCleanFailureWithout(boxpair, "boxpair", "");
    expectCleanFailureWithout(boxpair, "boxpair", ":9999");
}
