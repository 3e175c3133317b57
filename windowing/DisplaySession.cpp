#include "DisplaySession.hpp"

#include <iostream>

namespace windowing {

void reportCannotOpen(const char* programName, const std::string& cause)
{
    std::cerr << programName << ": cannot open a window: " << cause << '\n';
}

bool checkWindowOpened(const sf::Window& window, const char* programName)
{
    if (window.isOpen())
        return true;
    reportCannotOpen(programName, "the window system refused to create it");
    return false;
}

} // namespace windowing
