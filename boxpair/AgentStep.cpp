#include "AgentStep.hpp"

#include "WindowGeometry.hpp"

#include <cmath>
#include <ostream>

namespace chase {

namespace {

const double pi = 4.0 * std::atan(1.0);

// Strict on both sides: a corner exactly on an edge still counts as inside.
bool outside(float coordinate, unsigned int extent)
{
    return coordinate > static_cast<float>(extent) || coordinate < 0.f;
}

} // namespace

sf::Vector2f agentStep(sf::Vector2f player, sf::Vector2f agent)
{
    const float dx = agent.x - player.x;
    const float dy = agent.y - player.y;
    const float theta = static_cast<float>(std::atan2(static_cast<double>(dy), static_cast<double>(dx)));
    const float phi = static_cast<float>(static_cast<double>(theta * 180.f) / pi);
    return sf::Vector2f(2.f * static_cast<float>(std::cos(static_cast<double>(phi))),
                        2.f * static_cast<float>(std::sin(static_cast<double>(phi))));
}

void stepAgent(sf::Vector2u windowSize, const sf::RectangleShape& player, sf::RectangleShape& agent,
               std::ostream& report)
{
    const sf::Vector2f step = agentStep(player.getPosition(), agent.getPosition());
    report << step.x << ' ' << step.y << '\n' << std::flush;
    agent.move(step);

    if (outside(agent.getPosition().x, windowSize.x))
        agent.setPosition(windowing::windowCentre(windowSize));
    if (outside(agent.getPosition().y, windowSize.y))
        agent.setPosition(windowing::windowCentre(windowSize));
}

} // namespace chase
