// The least a 60-frames-a-second window's frame can cost: clear and show, nothing drawn.
#include <SFML/Graphics.hpp>

int main()
{
    sf::RenderWindow window(sf::VideoMode(800, 600, 32), "Chase AI baseline", sf::Style::Default,
                            sf::ContextSettings());
    window.setFramerateLimit(60);

    while (window.isOpen()) {
        sf::Event event{};
        while (window.pollEvent(event))
            if (event.type == sf::Event::Closed)
                window.close();
        window.clear(sf::Color::Black);
        window.display();
    }
}
