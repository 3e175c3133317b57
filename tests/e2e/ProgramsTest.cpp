// What both programs do alike, each run as its table entry describes it: the window, its
// picture at any size, the ways to end it, and a start with nothing to open a window on.

#include "Expectations.hpp"
#include "Pictures.hpp"
#include "ProgramRun.hpp"
#include "ProgramTable.hpp"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

class EachProgram : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override { ASSERT_WINDOW(run); }

    ProgramOnDisplay run{GetParam()};
};

// Runs of their own, with no window opened for them beforehand.
using EachProgramStarted = ::testing::TestWithParam<Program>;

} // namespace

TEST_P(EachProgram, OpensItsWindowWithItsTitleAndSize)
{
    EXPECT_EQ(run.display.title(run.window), GetParam().title);
    EXPECT_EQ(run.size(), GetParam().size);
}

TEST_P(EachProgram, ShowsItsPicture)
{
    expectRightPicture(run);
}

TEST_P(EachProgram, KeepsItsPictureRightAfterAResize)
{
    ASSERT_TRUE(run.waitForFirstFrame());
    ASSERT_TRUE(run.resizeTo({1000, 700}));
    expectRightPicture(run);
    EXPECT_EQ(run.size(), std::make_pair(1000, 700));
}

// The request comes once the first frame is on screen, so that an ending before any frame is
// not mistaken for a clean one.
TEST_P(EachProgram, EndsWithStatusZeroOnACloseRequest)
{
    ASSERT_TRUE(run.waitForFirstFrame());
    run.display.requestClose(run.window);
    expectEndedCleanly(run);
    expectUntouchedReport(run.program->standardOutput());
}

TEST_P(EachProgramStarted, IgnoresItsArguments)
{
    ProgramOnDisplay run{GetParam(), {"--help", "-x", "\x01garbage"}};
    ASSERT_WINDOW(run);
    expectRightPicture(run);
    run.display.requestClose(run.window);
    expectEndedCleanly(run);
    expectUntouchedReport(run.program->standardOutput());
}

TEST_P(EachProgramStarted, FailsWithOneLineAndStatusOneWhereNoWindowCanOpen)
{
    expectPlainFailureWithout(GetParam(), "");
    expectPlainFailureWithout(GetParam(), ":9999");
}

INSTANTIATE_TEST_SUITE_P(Both, EachProgram, ::testing::ValuesIn(programs()), NamedByProgram());
INSTANTIATE_TEST_SUITE_P(Both, EachProgramStarted, ::testing::ValuesIn(programs()), NamedByProgram());
