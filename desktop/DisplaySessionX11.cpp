#include "Desktop.hpp"

#include <X11/Xlib.h>

#include <cstdlib>
#include <poll.h>
#include <signal.h>
#include <string>
#include <unistd.h>

namespace {

// Written out ahead, so that a signal handler needs nothing but write(2) to report the loss.
char displayLossMessage[256] = "";
std::size_t displayLossLength = 0;
int sessionSocket = -1;

} // namespace

extern "C" {

// Exit handlers would tear down graphics contexts that can no longer reach the server.
static int onDisplayConnectionLost(Display*)
{
    static_cast<void>(write(STDERR_FILENO, displayLossMessage, displayLossLength));
    _exit(1);
}

// A server that dies while we write to it raises SIGPIPE, which would end the process without
// a word. When our own connection to the server has hung up, that is the display going away;
// any other broken pipe (standard output closed by a reader) ends the process as it always has.
static void onBrokenPipe(int)
{
    pollfd session{sessionSocket, POLLOUT, 0};
    if (sessionSocket >= 0 && poll(&session, 1, 0) == 1 && (session.revents & (POLLHUP | POLLERR)) != 0) {
        static_cast<void>(write(STDERR_FILENO, displayLossMessage, displayLossLength));
        _exit(1);
    }
    static_cast<void>(signal(SIGPIPE, SIG_DFL));
    static_cast<void>(raise(SIGPIPE));
}
}

namespace {

// A server that resets as its last client leaves drops connections that arrive during the
// reset, and takes new ones again a moment later; a program started just then tries again
// for up to a second before it gives up.
Display* connectToDisplay()
{
    for (int attempt = 1;; ++attempt) {
        if (Display* const display = XOpenDisplay(nullptr))
            return display;
        if (attempt == 20)
            return nullptr;
        usleep(50000);
    }
}

} // namespace

namespace desktop {

struct DisplaySession::Connection {
    explicit Connection(Display* display)
        : display(display)
    {
    }
    ~Connection() { XCloseDisplay(display); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* const display;
};

DisplaySession::DisplaySession(const char* programName)
{
    const char* const name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        reportCannotOpen(programName, "no display available (is DISPLAY set?)");
        return;
    }
    // Installed first, so a server that dies while the window is being made is reported too.
    const std::string message = std::string(programName) + ": lost the connection to the display; exiting\n";
    displayLossLength = message.copy(displayLossMessage, sizeof displayLossMessage - 1);
    XSetIOErrorHandler(onDisplayConnectionLost);
    Display* const display = connectToDisplay();
    if (display == nullptr) {
        reportCannotOpen(programName, std::string("cannot connect to display \"") + name + "\"");
        return;
    }
    connection = std::make_unique<Connection>(display);
    sessionSocket = ConnectionNumber(display);
    static_cast<void>(signal(SIGPIPE, onBrokenPipe));
}

DisplaySession::~DisplaySession()
{
    connection.reset();
    sessionSocket = -1;
}

bool DisplaySession::reachable() const
{
    return connection != nullptr;
}

} // namespace desktop
