#include "Programs.hpp"

#include "Scenes.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace e2e;

class Sparkfield : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_WINDOW(run); }

    bool waitForFountainAround(double x, double y)
    {
        return harness::waitUntil([&] { return fountainAround(run.display.capture(run.window), x, y, 10); }, 15s);
    }

    void savePicture(const std::string& name)
    {
        static_cast<void>(run.display.capture(run.window).saveToFile(::testing::TempDir() + name));
    }

    ProgramOnDisplay run{sparkfield, "Particles"};
};

} // namespace

TEST_F(Sparkfield, OpensA600By400WindowTitledParticles)
{
    EXPECT_EQ(run.display.title(run.window), "Particles");
    EXPECT_EQ(run.display.size(run.window), std::make_pair(600, 400));
}

TEST_F(Sparkfield, ShowsGreyWhitePointsAroundTheCentreOnBlack)
{
    const bool shown = fountainSettlesAround(run, 300, 200);
    if (!shown)
        savePicture("sparkfield-not-centred.png");
    EXPECT_TRUE(shown);
}

TEST_F(Sparkfield, KeepsTheFountainAtTheVisualCentreAfterAResize)
{
    ASSERT_TRUE(waitForFountainAround(300, 200));
    run.display.resize(run.window, 1000, 700);

    const bool shown = fountainSettlesAround(run, 500, 350);
    if (!shown)
        savePicture("sparkfield-after-resize.png");
    EXPECT_TRUE(shown);
    EXPECT_EQ(run.display.size(run.window), std::make_pair(1000, 700));
}

TEST_F(Sparkfield, EndsWithStatusZeroAndNoOutputOnACloseRequest)
{
    ASSERT_TRUE(waitForFountainAround(300, 200));
    run.display.requestClose(run.window);

    const auto status = run.program->waitForExit(exitTimeout);
    ASSERT_HAS_VALUE(status) << "did not end after a close request";
    EXPECT_TRUE(status->exited);
    EXPECT_EQ(status->code, 0) << run.program->standardError();
    EXPECT_EQ(run.program->standardOutput(), "");
}

TEST(SparkfieldArguments, AreIgnored)
{
    ProgramOnDisplay withArguments{sparkfield, "Particles", {"--help", "-x", "\x01garbage"}};
    ASSERT_WINDOW(withArguments);
    EXPECT_TRUE(harness::waitUntil(
        [&] { return fountainAround(withArguments.display.capture(withArguments.window), 300, 200, 10); }, 15s));
    EXPECT_EQ(withArguments.program->standardOutput(), "");
}

TEST(SparkfieldWithoutDisplay, FailsWithOneLineAndStatusOne)
{
    expectCleanFailureWithout(sparkfield, "sparkfield", "");
    expectCleanFailureWithout(sparkfield, "sparkfield", ":9999");
}
