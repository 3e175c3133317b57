#include "WindowGeometry.hpp"

#include <SFML/Graphics/View.hpp>

namespace windowing {

void matchViewToWindow(sf::RenderWindow& window, sf::Vector2u size)
{
    const sf::Vector2f extent(static_cast<float>(size.x), static_cast<float>(size.y));
    window.setView(sf::View(sf::FloatRect(sf::Vector2f(0.f, 0.f), extent)));
}

sf::Vector2f windowCentre(sf::Vector2u windowSize)
{
    const sf::Vector2u half = windowSize / 2u;
    return sf::Vector2f(static_cast<float>(half.x), static_cast<float>(half.y));
}

} // namespace windowing
