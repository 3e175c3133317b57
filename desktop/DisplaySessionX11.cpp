#include "Desktop.hpp"

#include <X11/Xlib.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>

namespace desktop {

namespace {

const char* displayLossProgram = "program";

int onDisplayConnectionLost(Display*)
{
    std::cerr << displayLossProgram << ": lost the connection to the display; exiting\n";
    // Exit handlers would tear down graphics contexts that can no longer reach the server.
    _exit(1);
}

} // namespace

const bool DisplaySession::needsConnection = true;

DisplaySession::DisplaySession(const char* programName)
{
    const char* const name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        reportCannotOpen(programName, "no display available (is DISPLAY set?)");
        return;
    }
    // Installed first, so a server that dies while the window is being made is reported too.
    displayLossProgram = programName;
    XSetIOErrorHandler(onDisplayConnectionLost);
    connection = XOpenDisplay(nullptr);
    if (connection == nullptr)
        reportCannotOpen(programName, std::string("cannot connect to display \"") + name + "\"");
}

DisplaySession::~DisplaySession()
{
    if (connection != nullptr)
        XCloseDisplay(static_cast<Display*>(connection));
}

} // namespace desktop
