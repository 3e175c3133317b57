#include "ParticleSystem.hpp"

#include "Desktop.hpp"

#include <SFML/Graphics.hpp>

namespace {

const char* const programName = "sparkfield";

void handleEvents(sf::RenderWindow& window)
{
    sf::Event event{};
    while (window.pollEvent(event)) {
        if (event.type == sf::Event::Closed)
            window.close();
        else if (event.type == sf::Event::Resized)
            desktop::matchViewToWindow(window, event.size);
    }
}

// Half the size in whole pixels, rounded down.
sf::Vector2f windowCentre(const sf::RenderWindow& window)
{
    const sf::Vector2u half = window.getSize() / 2u;
    return sf::Vector2f(half);
}

} // namespace

int main()
{
    if (!desktop::checkDisplayAvailable(programName))
        return 1;
    desktop::exitCleanlyOnDisplayLoss(programName);

    sf::RenderWindow window(sf::VideoMode(600, 400, 32), "Particles", sf::Style::Default, sf::ContextSettings());
    if (!desktop::checkWindowOpened(window, programName))
        return 1;

    ParticleSystem particles(1000);
    sf::Clock clock;

    while (window.isOpen()) {
        handleEvents(window);

        particles.setSpawnPoint(windowCentre(window));
        particles.update(clock.restart());

        window.clear(sf::Color(0, 0, 0, 255));
        window.draw(particles, sf::RenderStates::Default);
        window.display();
    }
    return 0;
}
