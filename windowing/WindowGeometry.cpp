#include "WindowGeometry.hpp"

namespace windowing {

sf::View pixelView(sf::Vector2u windowSize)
{
    const sf::Vector2f extent(static_cast<float>(windowSize.x), static_cast<float>(windowSize.y));
    return sf::View(sf::FloatRect(sf::Vector2f(0.f, 0.f), extent));
}

sf::Vector2f windowCentre(sf::Vector2u windowSize)
{
    const sf::Vector2u half = windowSize / 2u;
    return sf::Vector2f(static_cast<float>(half.x), static_cast<float>(half.y));
}

} // namespace windowing
