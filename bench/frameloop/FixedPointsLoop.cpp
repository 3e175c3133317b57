// The least a particle fountain's frame can cost: the same window drawing the same 1000 points
// the same way, but never updating them. The points are a fountain in full flow, caught after
// a few seconds of 16 ms updates, so the picture costs what the running program's does.
#include "ParticleSystem.hpp"

#include "SfmlBridge.hpp"

#include <SFML/Graphics.hpp>

#include <optional>

int main()
{
    sf::RenderWindow window(windowing::videoMode({600, 400}, 32), "Particles baseline", sf::Style::Default);
    particles::ParticleSystem points(1000);
    points.setSpawnPoint(sf::Vector2f(300.f, 200.f));
    for (int i = 0; i < 400; ++i)
        points.update(sf::milliseconds(16));

    while (window.isOpen()) {
        while (const std::optional<windowing::WindowEvent> event = windowing::pollEvent(window))
            if (event->closed)
                window.close();
        window.clear(sf::Color(0, 0, 0, 255));
        window.draw(points, sf::RenderStates::Default);
        window.display();
    }
}
