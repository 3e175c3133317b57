// The least a particle fountain's frame can cost: the same window drawing 1000 points that
// never move, with no update at all.
#include <SFML/Graphics.hpp>

#include <cmath>

int main()
{
    sf::RenderWindow window(sf::VideoMode(600, 400, 32), "Particles baseline", sf::Style::Default,
                            sf::ContextSettings());
    sf::VertexArray points(sf::Points, 1000);
    for (std::size_t i = 0; i < points.getVertexCount(); ++i) {
        const float angle = static_cast<float>(i) * 0.1f;
        const float radius = static_cast<float>(i % 200);
        points[i].position = sf::Vector2f(300.f + radius * std::cos(angle), 200.f + radius * std::sin(angle));
        points[i].color.a = static_cast<sf::Uint8>(i % 256);
    }

    while (window.isOpen()) {
        sf::Event event{};
        while (window.pollEvent(event))
            if (event.type == sf::Event::Closed)
                window.close();
        window.clear(sf::Color(0, 0, 0, 255));
        window.draw(points);
        window.display();
    }
}
