#pragma once

// What the two programs should show and print, for the end-to-end tests to compare with.

#include "AgentStep.hpp"
#include "ChildProcess.hpp"
#include "Image.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// The fountain is drawn around (x, y) while its points are grey-white on black and the opaque
// ones lie near that point. Opaque points are particles born within the last second, so they
// are at most about 105 pixels from where they were born; a few overlapping young ones can
// also add up to full white, hence the wider bound.
inline bool fountainAround(const harness::Image& image, double x, double y, int opaqueAtLeast = 0)
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

// Waits until the fountain has stayed around (x, y) in every picture for a second and a half,
// at most `timeout`. Right after a change (a resize, a stall) particles born before it can
// still look right for a moment; a second and a half of births shows where they now start.
// The first births all age together, so for a moment there may be no opaque point at all.
template <typename Capture>
bool fountainSettlesAround(Capture capture, double x, double y, std::chrono::milliseconds timeout = 20s)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    bool settled = false;
    Clock::time_point settledSince = Clock::now();
    while (Clock::now() < deadline) {
        const harness::Image picture = capture();
        if (!fountainAround(picture, x, y, settled ? 0 : 10)) {
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

inline sf::RectangleShape squareAt(float x, float y)
{
    sf::RectangleShape shape(sf::Vector2f(50.f, 50.f));
    shape.setPosition(sf::Vector2f(x, y));
    return shape;
}

// The chase as it runs when no key is touched: its report line and the agent's position after
// each frame, worked out by the same step the program runs, as far as a test asks.
class UntouchedChase {
public:
    const std::string& line(std::size_t frame) { return extendTo(frame).lines[frame - 1]; }
    sf::Vector2f agentAfter(std::size_t frame)
    {
        return frame == 0 ? sf::Vector2f(340.f, 200.f) : extendTo(frame).positions[frame - 1];
    }

private:
    UntouchedChase& extendTo(std::size_t frames)
    {
        while (lines.size() < frames) {
            std::ostringstream report;
            stepAgent(sf::Vector2u(800, 600), player, agent, report);
            lines.push_back(report.str().substr(0, report.str().size() - 1));
            positions.push_back(agent.getPosition());
        }
        return *this;
    }

    sf::RectangleShape player = squareAt(120.f, 60.f);
    sf::RectangleShape agent = squareAt(340.f, 200.f);
    std::vector<std::string> lines;
    std::vector<sf::Vector2f> positions;
};

inline UntouchedChase& untouchedChase()
{
    static UntouchedChase chase;
    return chase;
}

// Every complete line printed so far is the one the untouched chase prints in that frame.
inline void expectUntouchedReport(const std::string& output)
{
    const std::vector<std::string> lines = harness::completeLines(output);
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(lines[i], untouchedChase().line(i + 1)) << "frame " << i + 1;
}

// A number as the output stream writes a float by default: "-1.19692", "2", "1.5e-05".
inline bool defaultFormatNumber(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("-+.0123456789e") != std::string::npos)
        return false;
    char* end = nullptr;
    static_cast<void>(std::strtof(text.c_str(), &end));
    return end == text.c_str() + text.size() && text.back() != '.' && text.find(".e") == std::string::npos;
}

// Two numbers in the output stream's default format, one space between.
inline bool wellFormedReportLine(const std::string& line)
{
    const std::size_t space = line.find(' ');
    return space != std::string::npos && defaultFormatNumber(line.substr(0, space)) &&
           defaultFormatNumber(line.substr(space + 1));
}

inline std::size_t linesPrinted(const harness::ChildProcess& program)
{
    return harness::completeLines(program.standardOutput()).size();
}

} // namespace e2e
