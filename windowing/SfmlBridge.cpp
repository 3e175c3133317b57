#include "SfmlBridge.hpp"

#include <SFML/Config.hpp>
#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Window/Event.hpp>
#include <SFML/Window/Window.hpp>

namespace windowing {

#if SFML_VERSION_MAJOR >= 3

// SFML 3: events are variants, sizes and positions are vectors.

std::optional<WindowEvent> pollEvent(sf::Window& window)
{
    const std::optional<sf::Event> event = window.pollEvent();
    if (!event)
        return std::nullopt;
    WindowEvent reduced;
    reduced.closed = event->is<sf::Event::Closed>();
    if (const auto* const key = event->getIf<sf::Event::KeyPressed>())
        reduced.keyPressed = key->code;
    if (const auto* const resized = event->getIf<sf::Event::Resized>())
        reduced.resizedTo = resized->size;
    return reduced;
}

sf::VideoMode videoMode(sf::Vector2u size, unsigned int bitsPerPixel)
{
    return sf::VideoMode(size, bitsPerPixel);
}

bool resize(sf::RenderTexture& target, sf::Vector2u size)
{
    return target.resize(size);
}

sf::Image filledImage(sf::Vector2u size, sf::Color colour)
{
    return sf::Image(size, colour);
}

#else

// SFML 2: events are tagged unions filled in place, sizes are width and height apart.

std::optional<WindowEvent> pollEvent(sf::Window& window)
{
    sf::Event event{};
    if (!window.pollEvent(event))
        return std::nullopt;
    WindowEvent reduced;
    reduced.closed = event.type == sf::Event::Closed;
    if (event.type == sf::Event::KeyPressed)
        reduced.keyPressed = event.key.code;
    if (event.type == sf::Event::Resized)
        reduced.resizedTo = sf::Vector2u(event.size.width, event.size.height);
    return reduced;
}

sf::VideoMode videoMode(sf::Vector2u size, unsigned int bitsPerPixel)
{
    return sf::VideoMode(size.x, size.y, bitsPerPixel);
}

bool resize(sf::RenderTexture& target, sf::Vector2u size)
{
    return target.create(size.x, size.y);
}

sf::Image filledImage(sf::Vector2u size, sf::Color colour)
{
    sf::Image image;
    image.create(size.x, size.y, colour);
    return image;
}

#endif

} // namespace windowing
