#include "AgentStep.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

using chase::stepAgent;

const sf::Vector2u windowSize(800, 600);

// Runs the step once, moving the agent, and returns its report line without the end of line.
std::string step(sf::Vector2f player, sf::Vector2f& agent, sf::Vector2u size = windowSize)
{
    std::ostringstream report;
    agent = stepAgent(size, player, agent, report);
    const std::string text = report.str();
    EXPECT_EQ(text.back(), '\n');
    return text.substr(0, text.size() - 1);
}

std::string lineForAgentAt(float x, float y)
{
    const sf::Vector2f player(120.f, 60.f);
    sf::Vector2f agent(120.f + x, 60.f + y);
    return step(player, agent);
}

float distance(sf::Vector2f a, sf::Vector2f b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Two 50-pixel squares share area when their corners are less than 50 pixels apart on both axes.
bool overlapping(sf::Vector2f a, sf::Vector2f b)
{
    const sf::Vector2f offset = a - b;
    return std::abs(offset.x) < 50.f && std::abs(offset.y) < 50.f;
}

} // namespace

TEST(AgentReport, FirstLinesFromTheStartingPositions)
{
    const sf::Vector2f player(120.f, 60.f);
    sf::Vector2f agent(340.f, 200.f);

    EXPECT_EQ(step(player, agent), "0.985995 1.74006");
    EXPECT_NEAR(agent.x, 340.986f, 0.001f);
    EXPECT_NEAR(agent.y, 201.74f, 0.001f);
    EXPECT_EQ(step(player, agent), "0.611402 1.90426");
    EXPECT_EQ(step(player, agent), "0.0690283 1.99881");
}

// The report line for an agent placed at an offset from the player: the angle is read as
// degrees where cos and sin expect radians, and equal positions step straight right.
struct LineCase {
    float dx, dy;
    const char* line;
};

TEST(AgentReport, LinesForAgentsAroundThePlayer)
{
    const LineCase cases[] = {{-20.f, 0.f, "-1.19692 -1.60231"},
                              {0.f, 100.f, "-0.896147 1.78799"},
                              {0.f, -100.f, "-0.896147 -1.78799"},
                              {0.f, 0.f, "2 0"}};
    for (const LineCase& c : cases)
        EXPECT_EQ(lineForAgentAt(c.dx, c.dy), c.line) << "agent at (" << c.dx << ", " << c.dy << ") from the player";
}

TEST(AgentReport, EveryStepIsExactlyOneLine)
{
    std::ostringstream report;
    const sf::Vector2f player(0.f, 0.f);
    sf::Vector2f agent(10.f, 0.f);
    for (int frame = 0; frame < 5; ++frame)
        agent = stepAgent(windowSize, player, agent, report);
    std::istringstream lines(report.str());
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_EQ(line, "2 0");
    EXPECT_EQ(count, 5);
}

// Where one step leaves the agent: both tests are strict (an edge counts as inside), the
// horizontal one comes first and the vertical one then sees the centre, the centre of an odd
// size rounds down, and the tests use the window's current size.
struct RecentringCase {
    const char* what = nullptr;
    sf::Vector2f player, agent;
    sf::Vector2u window;
    sf::Vector2f after;
};

TEST(AgentRecentring, WhereOneStepLeavesTheAgent)
{
    const RecentringCase cases[] = {
        {"steps onto the right edge", {100.f, 300.f}, {798.f, 300.f}, windowSize, {800.f, 300.f}},
        {"steps past the right edge", {100.f, 300.f}, {799.f, 300.f}, windowSize, {400.f, 300.f}},
        {"left of and below the window", {-10.f, 650.f}, {-3.f, 650.f}, windowSize, {400.f, 300.f}},
        {"steps below the window", {400.f, 500.f}, {400.f, 600.f}, windowSize, {400.f, 300.f}},
        {"an odd-sized window", {100.f, 300.f}, {800.f, 300.f}, {801, 601}, {400.f, 300.f}},
        {"a window made larger", {100.f, 300.f}, {850.f, 300.f}, {1000, 700}, {852.f, 300.f}},
    };
    for (const RecentringCase& c : cases) {
        sf::Vector2f agent = c.agent;
        step(c.player, agent, c.window);
        EXPECT_EQ(agent, c.after) << c.what;
    }
}

TEST(AgentMotion, OnAStillPlayerItRunsRightUntilRecentredInFrame341)
{
    const sf::Vector2f player(120.f, 60.f);
    sf::Vector2f agent = player;
    for (int frame = 1; frame <= 340; ++frame)
        ASSERT_EQ(step(player, agent), "2 0") << "frame " << frame;
    EXPECT_EQ(agent, sf::Vector2f(800.f, 60.f));

    step(player, agent);
    EXPECT_EQ(agent, sf::Vector2f(400.f, 300.f));
}

// From its start the agent is drawn onto the ray θ = 11π/(180/π − 1) ≈ 0.61386, one of those on
// which the step points at the player, runs in along it 2 pixels a frame and then stays in one
// patch over the player's square (docs/how-it-works.md).
TEST(AgentMotion, HomesInOnAStillPlayerAndStaysOnIt)
{
    const sf::Vector2f player(120.f, 60.f);
    sf::Vector2f agent(340.f, 200.f);
    int firstOverlap = 0;
    for (int frame = 1; frame <= 2000; ++frame) {
        step(player, agent);
        const sf::Vector2f position = agent;
        ASSERT_NE(position, sf::Vector2f(400.f, 300.f)) << "re-centred in frame " << frame;
        if (firstOverlap == 0 && overlapping(player, agent))
            firstOverlap = frame;
        if (firstOverlap != 0) {
            ASSERT_TRUE(overlapping(player, agent)) << "apart again in frame " << frame;
        }
        if (frame >= 119) {
            ASSERT_LT(distance(position, player), 40.f) << "frame " << frame;
        }
        if (frame >= 20 && frame < 100) {
            const sf::Vector2f offset = position - player;
            EXPECT_NEAR(std::atan2(offset.y, offset.x), 0.61386f, 0.001f) << "frame " << frame;
        }
    }
    EXPECT_EQ(firstOverlap, 108);
}

TEST(AgentMotion, FollowsAPlayerOutsideTheWindowAndIsRecentredEvery308Frames)
{
    const sf::Vector2f player(900.f, 300.f);
    sf::Vector2f agent(400.f, 300.f);
    std::vector<int> recentredFrames;
    for (int frame = 1; frame <= 1000; ++frame) {
        step(player, agent);
        if (agent == sf::Vector2f(400.f, 300.f))
            recentredFrames.push_back(frame);
    }
    EXPECT_EQ(recentredFrames, (std::vector<int>{308, 616, 924}));
}

// Turned into degrees and read as radians, the bearing θ from the player turns the step
// 180/π times as fast: it points straight at the player on the 56 rays
// θ = (2k + 1)·π/(180/π − 1) within ±π, and straight away on the rays θ = 2k·π/(180/π − 1).
TEST(AgentStep, PointsAtThePlayerOnFiftySixRaysAndAwayOnTheRaysBetween)
{
    const double pi = 4.0 * std::atan(1.0);
    const sf::Vector2f player(120.f, 60.f);
    int towardRays = 0;
    for (int m = -60; m <= 60; ++m) {
        const double theta = m * pi / (180.0 / pi - 1.0);
        if (std::abs(theta) > pi)
            continue;
        const sf::Vector2f outward(static_cast<float>(std::cos(theta)), static_cast<float>(std::sin(theta)));
        const sf::Vector2f step = chase::agentStep(player, player + outward * 200.f);
        const float along = step.x * outward.x + step.y * outward.y;
        EXPECT_NEAR(along, m % 2 != 0 ? -2.f : 2.f, 0.01f) << "θ = " << m << "π/(180/π − 1)";
        towardRays += m % 2 != 0 ? 1 : 0;
    }
    EXPECT_EQ(towardRays, 56);
}

// The angles the step is made of, and the rule with the angle used as radians, which runs
// straight away from the player: as the page and the figures show them.
TEST(AgentStep, AnglesAndTheRadiansRuleFromTheStart)
{
    const chase::StepAngles angles = chase::stepAngles({120.f, 60.f}, {340.f, 200.f});
    EXPECT_FLOAT_EQ(angles.theta, 0.566729188f);
    EXPECT_FLOAT_EQ(angles.phi, 32.4711914f);
    const sf::Vector2f away = chase::radiansStep({120.f, 60.f}, {340.f, 200.f});
    EXPECT_FLOAT_EQ(away.x, 1.68732297f);
    EXPECT_FLOAT_EQ(away.y, 1.07375097f);
}
