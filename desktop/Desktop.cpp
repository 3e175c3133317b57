#include "Desktop.hpp"

#include <SFML/Graphics/View.hpp>

#include <iostream>

namespace desktop {

void reportCannotOpen(const char* programName, const std::string& cause)
{
    std::cerr << programName << ": cannot open a window: " << cause << '\n';
}

bool checkWindowOpened(const sf::Window& window, const char* programName)
{
    if (window.isOpen())
        return true;
    reportCannotOpen(programName, "the window system refused to create it");
    return false;
}

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

} // namespace desktop
