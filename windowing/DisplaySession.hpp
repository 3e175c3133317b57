#pragma once

#include <SFML/Window/Window.hpp>

#include <memory>
#include <string>

// What both programs need from the window system beyond plain SFML, which aborts the process
// when it cannot reach a display.
namespace windowing {

// The program's own hold on the display, made before the window and kept for the whole run.
// Where windows live on an X server (Linux, the BSDs) it is a connection of its own: it finds
// out plainly whether the server can be reached and can give an OpenGL window (SFML crashes or
// dumps raw protocol errors where it cannot), and while it is open a server that resets when
// its last client leaves cannot do so between this check and SFML's own connection. It also
// makes the loss of the server, or an error the server reports later, end the process with one
// line and status 1. Elsewhere there is nothing to check and it always holds.
class DisplaySession {
public:
    // Prints "<program>: cannot open a window: <cause>" on standard error when it fails.
    explicit DisplaySession(const char* programName);
    ~DisplaySession();
    DisplaySession(const DisplaySession&) = delete;
    DisplaySession& operator=(const DisplaySession&) = delete;

    bool canOpenWindows() const;
    // The colour depth to ask for: 32 bits per pixel, unless the display offers only a
    // shallower one that OpenGL can still draw on (a 16-bit VNC desktop), then that.
    unsigned int bitsPerPixel() const { return depth; }

private:
    // What the platform holds open for the session; each platform's file defines it.
    struct Connection;
    std::unique_ptr<Connection> connection;
    unsigned int depth = 32;
};

// Prints "<program>: cannot open a window: <cause>" on standard error.
void reportCannotOpen(const char* programName, const std::string& cause);

// Prints the same kind of message and returns false when the window did not open.
bool checkWindowOpened(const sf::Window& window, const char* programName);

} // namespace windowing
