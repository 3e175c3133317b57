#include "Pictures.hpp"

#include "Expectations.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace e2e {

// Opaque points are particles born within the last second, so they are at most about 105
// pixels from where they were born; a few overlapping young ones can also add up to full
// white, hence the wider bound.
bool fountainAround(const harness::Image& image, double x, double y, int opaqueAtLeast)
{
    const harness::LitPixels lit = harness::litPixelsOf(image);
    if (lit.count < 150 || lit.grey != lit.count)
        return false;
    int opaque = 0;
    bool nearby = true;
    harness::forEachPixel(image, [&](int column, int row, harness::Pixel pixel) {
        if (pixel.r == 255) {
            nearby = nearby && std::hypot(column - x, row - y) <= 160;
            ++opaque;
        }
    });
    return nearby && opaque >= opaqueAtLeast;
}

bool fountainShownAround(ProgramOnDisplay& run, double x, double y)
{
    return harness::waitUntil([&] { return fountainAround(run.picture(), x, y, 10); }, startTimeout);
}

// The first births all age together, so for a moment there may be no opaque point at all.
bool fountainSettlesAround(ProgramOnDisplay& run, double x, double y, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    bool settled = false;
    Clock::time_point settledSince = Clock::now();
    while (Clock::now() < deadline) {
        if (!fountainAround(run.picture(), x, y, settled ? 0 : 10)) {
            settled = false;
        } else if (!settled) {
            settled = true;
            settledSince = Clock::now();
        } else if (Clock::now() - settledSince >= std::chrono::milliseconds(1500)) {
            return true;
        }
    }
    return false;
}

void expectSquaresUnstretched(ProgramOnDisplay& run)
{
    // The window keeps its old frame, unstretched, until the program draws again, so a picture
    // is judged only once the program has shown a few frames since (it prints a line each).
    ASSERT_TRUE(run.waitForFramesAfterNow(3)) << "stopped drawing";
    std::optional<harness::Box> agent;
    harness::waitUntil(
        [&] {
            agent = run.square(harness::isRed);
            return agent.has_value() && agent->width == 50 && agent->height == 50;
        },
        startTimeout);
    ASSERT_HAS_VALUE(agent);
    EXPECT_EQ(agent->width, 50);
    EXPECT_EQ(agent->height, 50);
}

void expectRightPicture(ProgramOnDisplay& run)
{
    switch (run.entry.picture) {
    case Picture::Fountain: {
        const auto [width, height] = run.size();
        const bool shown = fountainSettlesAround(run, width / 2.0, height / 2.0);
        if (!shown)
            run.savePicture(run.entry.name + "-not-centred.png");
        EXPECT_TRUE(shown) << "no fountain centred in " << width << "x" << height;
        break;
    }
    case Picture::Squares:
        expectSquaresUnstretched(run);
        break;
    }
}

} // namespace e2e
