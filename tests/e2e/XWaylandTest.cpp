// The programs on a Wayland desktop, as most current Linux desktops run X programs: Weston's
// headless compositor with XWayland. Skipped, and said so, where Weston cannot start.

#include "Expectations.hpp"
#include "Pictures.hpp"
#include "ProgramRun.hpp"
#include "ProgramTable.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace e2e;

class OnXWayland : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override
    {
        try {
            run = std::make_unique<ProgramOnDisplay>(GetParam(), std::vector<std::string>{}, harness::Desktop::Weston);
        } catch (const harness::DesktopUnavailable& error) {
            GTEST_SKIP() << error.what();
        }
        ASSERT_WINDOW(*run);
    }

    std::unique_ptr<ProgramOnDisplay> run;
};

} // namespace

TEST_P(OnXWayland, OpensItsWindowShowsItsPictureAndEndsOnACloseRequest)
{
    EXPECT_EQ(run->size(), GetParam().size);
    expectRightPicture(*run);
    run->display.requestClose(run->window);
    expectEndedCleanly(*run);
    expectUntouchedReport(run->program->standardOutput());
}

INSTANTIATE_TEST_SUITE_P(Both, OnXWayland, ::testing::ValuesIn(programs()), NamedByProgram());
