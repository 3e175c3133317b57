#pragma once

#include <SFML/Window/Window.hpp>

#include <memory>
#include <string>

// What both programs need from the desktop beyond plain SFML, which aborts the process when it
// cannot reach a display.
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

    bool reachable() const;

private:
    // What the platform holds open for the session; each platform's file defines it.
    struct Connection;
    std::unique_ptr<Connection> connection;
};

// Prints "<program>: cannot open a window: <cause>" on standard error.
void reportCannotOpen(const char* programName, const std::string& cause);

// Prints the same kind of message and returns false when the window did not open.
bool checkWindowOpened(const sf::Window& window, const char* programName);

} // namespace desktop
