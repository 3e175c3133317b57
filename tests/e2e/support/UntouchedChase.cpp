#include "UntouchedChase.hpp"

#include "AgentStep.hpp"

#include <sstream>
#include <vector>

namespace e2e {

namespace {

sf::RectangleShape squareAt(sf::Vector2f position)
{
    sf::RectangleShape shape(sf::Vector2f(50.f, 50.f));
    shape.setPosition(position);
    return shape;
}

class UntouchedChase {
public:
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

    const sf::Vector2f start{340.f, 200.f};
    sf::RectangleShape player = squareAt({120.f, 60.f});
    sf::RectangleShape agent = squareAt(start);
    std::vector<std::string> lines;
    std::vector<sf::Vector2f> positions;
};

UntouchedChase& chase()
{
    static UntouchedChase untouched;
    return untouched;
}

} // namespace

const std::string& untouchedLine(std::size_t frame)
{
    return chase().extendTo(frame).lines[frame - 1];
}

sf::Vector2f untouchedAgentAfter(std::size_t frame)
{
    return frame == 0 ? chase().start : chase().extendTo(frame).positions[frame - 1];
}

} // namespace e2e
