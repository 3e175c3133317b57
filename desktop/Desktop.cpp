#include "Desktop.hpp"

#include <SFML/Graphics/View.hpp>

#include <X11/Xlib.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>

namespace desktop {

namespace {

const char* displayLossProgram = "program";

void reportCannotOpen(const char* programName, const std::string& cause)
{
    std::cerr << programName << ": cannot open a window: " << cause << std::endl;
}

int onDisplayConnectionLost(Display*)
{
    std::cerr << displayLossProgram << ": lost the connection to the display; exiting" << std::endl;
    // Exit handlers would tear down graphics contexts that can no longer reach the server.
    _exit(1);
}

} // namespace

bool checkDisplayAvailable(const char* programName)
{
    const char* const name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        reportCannotOpen(programName, "no display available (is DISPLAY set?)");
        return false;
    }
    Display* const display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        reportCannotOpen(programName, std::string("cannot connect to display \"") + name + "\"");
        return false;
    }
    XCloseDisplay(display);
    return true;
}

bool checkWindowOpened(const sf::Window& window, const char* programName)
{
    if (window.isOpen())
        return true;
    reportCannotOpen(programName, "the window system refused to create it");
    return false;
}

void exitCleanlyOnDisplayLoss(const char* programName)
{
    displayLossProgram = programName;
    XSetIOErrorHandler(onDisplayConnectionLost);
}

void matchViewToWindow(sf::RenderWindow& window, const sf::Event::SizeEvent& size)
{
    window.setView(sf::View(sf::FloatRect(0.f, 0.f, static_cast<float>(size.width), static_cast<float>(size.height))));
}

} // namespace desktop
