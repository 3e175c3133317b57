#pragma once

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/System/Vector2.hpp>
#include <SFML/Window/Keyboard.hpp>
#include <SFML/Window/VideoMode.hpp>

#include <optional>

namespace sf {
class RenderTexture;
class Window;
} // namespace sf

// The calls that SFML 2 (2.5 and newer) and SFML 3 spell differently, each in one form that
// works with both. Its source is the only code that knows which major version it is built
// with; everything else uses names that both versions have.
namespace windowing {

// A window event, reduced to what the programs act on.
struct WindowEvent {
    bool closed = false;
    std::optional<sf::Keyboard::Key> keyPressed;
    std::optional<sf::Vector2u> resizedTo; // the new size in pixels
};

// Takes the next event from the window's queue; nothing once the queue is empty.
std::optional<WindowEvent> pollEvent(sf::Window& window);

sf::VideoMode videoMode(sf::Vector2u size, unsigned int bitsPerPixel);

// Off-screen targets and pictures, for the tests and benchmarks.
[[nodiscard]] bool resize(sf::RenderTexture& target, sf::Vector2u size);
sf::Image filledImage(sf::Vector2u size, sf::Color colour);

} // namespace windowing
