#include "AgentStep.hpp"

#include "DisplaySession.hpp"
#include "SfmlBridge.hpp"
#include "WindowGeometry.hpp"

#include <SFML/Graphics.hpp>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>

namespace {

const char* const programName = "boxpair";

sf::RectangleShape makeSquare(sf::Color colour, sf::Vector2f position)
{
    sf::RectangleShape square(sf::Vector2f(50.f, 50.f));
    square.setFillColor(colour);
    square.setPosition(position);
    return square;
}

void handleEvents(sf::RenderWindow& window)
{
    while (const std::optional<windowing::WindowEvent> event = windowing::pollEvent(window)) {
        if (event->closed)
            window.close();
        if (event->keyPressed == sf::Keyboard::Key::Escape)
            window.close();
        if (event->resizedTo)
            window.setView(windowing::pixelView(*event->resizedTo));
    }
}

// Keys are read from the keyboard's state rather than from events, so holding one keeps moving.
void movePlayer(sf::RectangleShape& player)
{
    if (sf::Keyboard::isKeyPressed(sf::Keyboard::Key::Left))
        player.move(sf::Vector2f(-5.f, 0.f));
    if (sf::Keyboard::isKeyPressed(sf::Keyboard::Key::Right))
        player.move(sf::Vector2f(5.f, 0.f));
    if (sf::Keyboard::isKeyPressed(sf::Keyboard::Key::Up))
        player.move(sf::Vector2f(0.f, -5.f));
    if (sf::Keyboard::isKeyPressed(sf::Keyboard::Key::Down))
        player.move(sf::Vector2f(0.f, 5.f));
}

// The step's line is the program's output. One that cannot be written (a full disk, a closed
// standard output) is said once on standard error and ends the run, rather than let the
// program go on printing nothing and end as if all went well.
bool stepAgentReported(sf::Vector2u windowSize, const sf::RectangleShape& player, sf::RectangleShape& agent)
{
    errno = 0;
    agent.setPosition(chase::stepAgent(windowSize, player.getPosition(), agent.getPosition(), std::cout));
    if (std::cout)
        return true;
    const int cause = errno;
    std::cerr << programName
              << ": cannot write to standard output: " << (cause != 0 ? std::strerror(cause) : "the write failed")
              << '\n';
    return false;
}

} // namespace

int main()
{
    const windowing::DisplaySession display(programName);
    if (!display.canOpenWindows())
        return 1;

    sf::RenderWindow window(windowing::videoMode({800, 600}, display.bitsPerPixel()), "Chase AI", sf::Style::Default);
    window.setFramerateLimit(60);
    if (!windowing::checkWindowOpened(window, programName))
        return 1;

    sf::RectangleShape player = makeSquare(sf::Color::Blue, sf::Vector2f(120.f, 60.f));
    sf::RectangleShape agent = makeSquare(sf::Color::Red, sf::Vector2f(340.f, 200.f));

    while (window.isOpen()) {
        handleEvents(window);

        // The keyboard's state is the whole desktop's: read it only while the keys are ours.
        if (window.hasFocus())
            movePlayer(player);
        if (!stepAgentReported(window.getSize(), player, agent))
            return 1;

        window.clear(sf::Color::Black);
        window.draw(player);
        window.draw(agent);
        window.display();
    }
    return 0;
}
