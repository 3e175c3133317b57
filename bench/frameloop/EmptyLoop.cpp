// The least a 60-frames-a-second window's frame can cost: clear and show, nothing drawn.
#include "SfmlBridge.hpp"

#include <SFML/Graphics.hpp>

#include <optional>

int main()
{
    sf::RenderWindow window(windowing::videoMode({800, 600}, 32), "Chase AI baseline", sf::Style::Default);
    window.setFramerateLimit(60);

    while (window.isOpen()) {
        while (const std::optional<windowing::WindowEvent> event = windowing::pollEvent(window))
            if (event->closed)
                window.close();
        window.clear(sf::Color::Black);
        window.display();
    }
}
