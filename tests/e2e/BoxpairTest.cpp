// What boxpair alone does: the steps it prints, its ending key, the agent drawn where the steps
// lead, and the player's square under the arrow keys.

#include "Expectations.hpp"
#include "ProgramRun.hpp"
#include "ProgramTable.hpp"
#include "UntouchedChase.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace e2e;

class Boxpair : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_WINDOW(run);
        ASSERT_TRUE(run.waitForLines(1));
    }

    void holdKeysForFrames(const std::vector<std::string>& keys, std::size_t frames)
    {
        run.display.pressKeys(keys);
        run.waitForFramesAfterNow(frames);
        run.display.releaseKeys(keys);
        // Let a frame or two pass so the last move is drawn.
        run.waitForFramesAfterNow(2);
    }

    ProgramOnDisplay run{boxpair()};
};

} // namespace

TEST_F(Boxpair, ReportsTheAgentsStepOnceAFrameFromTheStartingPositions)
{
    ASSERT_TRUE(run.waitForLines(150));
    const std::vector<std::string> lines = harness::completeLines(run.program->standardOutput());
    for (const std::string& line : lines)
        ASSERT_TRUE(wellFormedReportLine(line)) << line;
    EXPECT_EQ(lines[0], "0.985995 1.74006");
    EXPECT_EQ(lines[1], "0.611402 1.90426");
    EXPECT_EQ(lines[2], "0.0690283 1.99881");
    expectUntouchedReport(run.program->standardOutput());
}

TEST_F(Boxpair, EscapeEndsItWithStatusZeroAfterThatFramesLine)
{
    run.display.tapKey(run.entry.endingKey);
    expectEndedCleanly(run);
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
            before = run.linesPrinted();
            agent = run.square(harness::isRed);
            after = run.linesPrinted();
            return agent.has_value();
        },
        startTimeout));
    ASSERT_HAS_VALUE(agent);

    bool matched = false;
    for (std::size_t frame = before == 0 ? 0 : before - 1; frame <= after && !matched; ++frame) {
        const sf::Vector2f position = untouchedAgentAfter(frame);
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
    std::optional<harness::Box> player = run.square(harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_NEAR(player->left, 120, 5) << "Left and Right together cancel";
    EXPECT_EQ(player->top, 60);

    const int leftBefore = player->left;
    holdKeysForFrames({"a", "space", "Return"}, 10);
    player = run.square(harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_EQ(player->left, leftBefore);
    EXPECT_EQ(player->top, 60);

    // Away from the agent, which comes from the lower right, so nothing covers the player.
    holdKeysForFrames({"Left", "Up"}, 8);
    player = run.square(harness::isBlue);
    ASSERT_HAS_VALUE(player);
    EXPECT_EQ(player->width, 50);
    EXPECT_EQ(player->height, 50);
    EXPECT_LE(player->left, leftBefore - 5 * 7);
    EXPECT_EQ(player->left % 5, 0);
    EXPECT_EQ(player->top % 5, 0);
    EXPECT_NEAR(leftBefore - player->left, 60 - player->top, 5) << "Left and Up together move diagonally";
}
