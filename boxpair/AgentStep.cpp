#include "AgentStep.hpp"

#include "WindowGeometry.hpp"

#include <cmath>
#include <ostream>

namespace chase {

namespace {

const double pi = 4.0 * std::atan(1.0);

bool outside(float coordinate, unsigned int extent)
{
    return coordinate > static_cast<float>(extent) || coordinate < 0.f;
}

} // namespace

StepAngles stepAngles(sf::Vector2f player, sf::Vector2f agent)
{
    const float dx = agent.x - player.x;
    const float dy = agent.y - player.y;
    const float theta = static_cast<float>(std::atan2(static_cast<double>(dy), static_cast<double>(dx)));
    const float phi = static_cast<float>(static_cast<double>(theta * 180.f) / pi);
    return StepAngles{theta, phi};
}

sf::Vector2f agentStep(sf::Vector2f player, sf::Vector2f agent)
{
    const float phi = stepAngles(player, agent).phi;
    return sf::Vector2f(2.f * static_cast<float>(std::cos(static_cast<double>(phi))),
                        2.f * static_cast<float>(std::sin(static_cast<double>(phi))));
}

sf::Vector2f radiansStep(sf::Vector2f player, sf::Vector2f agent)
{
    const sf::Vector2f offset = agent - player;
    const double theta = std::atan2(static_cast<double>(offset.y), static_cast<double>(offset.x));
    return sf::Vector2f(2.f * static_cast<float>(std::cos(theta)), 2.f * static_cast<float>(std::sin(theta)));
}

sf::Vector2f keptInWindow(sf::Vector2u windowSize, sf::Vector2f corner)
{
    if (outside(corner.x, windowSize.x))
        corner = windowing::windowCentre(windowSize);
    if (outside(corner.y, windowSize.y))
        corner = windowing::windowCentre(windowSize);
    return corner;
}

sf::Vector2f stepAgent(sf::Vector2u windowSize, sf::Vector2f player, sf::Vector2f agent, std::ostream& report)
{
    const sf::Vector2f step = agentStep(player, agent);
    report << step.x << ' ' << step.y << '\n' << std::flush;
    return keptInWindow(windowSize, agent + step);
}

} // namespace chase
