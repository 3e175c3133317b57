#pragma once

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/System/Vector2.hpp>

#include <string>

// What both programs need from the desktop beyond plain SFML: SFML aborts the process when it
// cannot reach a display, and a resized window keeps its old view unless told otherwise.
namespace desktop {

// The program's own hold on the display, made before the window and kept for the whole run.
// Where windows live on an X server (Linux, the BSDs) it is a connection of its own: it finds
// out plainly whether the server can be reached, and while it is open a server that resets
// when its last client leaves cannot do so between this check and SFML's own connection. It
// also makes the loss of the server end the process with one line and status 1. Elsewhere
// there is nothing to check and it always holds.
class DisplaySession {
public:
    // Prints "<program>: cannot open a window: <cause>" on standard error when it fails.
    explicit DisplaySession(const char* programName);
    ~DisplaySession();
    DisplaySession(const DisplaySession&) = delete;
    DisplaySession& operator=(const DisplaySession&) = delete;

    bool reachable() const { return connection != nullptr || !needsConnection; }

private:
    static const bool needsConnection;
    void* connection = nullptr;
};

// Prints "<program>: cannot open a window: <cause>" on standard error.
void reportCannotOpen(const char* programName, const std::string& cause);

// Prints the same kind of message and returns false when the window did not open.
bool checkWindowOpened(const sf::Window& window, const char* programName);

// Keeps one world unit per pixel with the origin at the top-left after a resize, so the window
// centre in pixels is also the visual centre and nothing is stretched.
void matchViewToWindow(sf::RenderWindow& window, sf::Vector2u size);

// Half the window's size in whole pixels, rounded down.
sf::Vector2f windowCentre(sf::Vector2u windowSize);

} // namespace desktop
