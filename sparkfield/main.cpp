#include "ParticleSystem.hpp"

#include "DisplaySession.hpp"
#include "SfmlBridge.hpp"
#include "WindowGeometry.hpp"

#include <SFML/Graphics.hpp>

#include <optional>

namespace {

const char* const programName = "sparkfield";

void handleEvents(sf::RenderWindow& window)
{
    while (const std::optional<windowing::WindowEvent> event = windowing::pollEvent(window)) {
        if (event->closed)
            window.close();
        else if (event->resizedTo)
            window.setView(windowing::pixelView(*event->resizedTo));
    }
}

} // namespace

int main()
{
    const windowing::DisplaySession display(programName);
    if (!display.canOpenWindows())
        return 1;

    sf::RenderWindow window(windowing::videoMode({600, 400}, display.bitsPerPixel()), "Particles", sf::Style::Default);
    if (!windowing::checkWindowOpened(window, programName))
        return 1;

    particles::ParticleSystem particles(1000);
    sf::Clock clock;

    while (window.isOpen()) {
        handleEvents(window);

        particles.setSpawnPoint(windowing::windowCentre(window.getSize()));
        particles.update(clock.restart());

        window.clear(sf::Color::Black);
        window.draw(particles, sf::RenderStates::Default);
        window.display();
    }
    return 0;
}
