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

} // namespace

int main()
{
    const desktop::DisplaySession display(programName);
    if (!display.reachable())
        return 1;

    sf::RenderWindow window(sf::VideoMode(600, 400, 32), "Particles", sf::Style::Default, sf::ContextSettings());
    if (!desktop::checkWindowOpened(window, programName))
        return 1;

    ParticleSystem particles(1000);
    sf::Clock clock;

    while (window.isOpen()) {
        handleEvents(window);

        particles.setSpawnPoint(desktop::windowCentre(window.getSize()));
        particles.update(clock.restart());

        window.clear(sf::Color::Black);
        window.draw(particles, sf::RenderStates::Default);
        window.display();
    }
    return 0;
}
