#pragma once

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>

// What both programs need from the desktop beyond plain SFML: SFML aborts the process when it
// cannot reach a display, and a resized window keeps its old view unless told otherwise.
namespace desktop {

// Prints "<program>: cannot open a window: <cause>" on standard error and returns false when
// no display can be reached; returns true when a window can be created.
bool checkDisplayAvailable(const char* programName);

// Prints the same kind of message and returns false when the window did not open.
bool checkWindowOpened(const sf::Window& window, const char* programName);

// Ends the process with status 1 and one line on standard error if the display connection is
// lost while running, instead of whatever the graphics stack does on the way down.
void exitCleanlyOnDisplayLoss(const char* programName);

// Keeps one world unit per pixel with the origin at the top-left after a resize, so the window
// centre in pixels is also the visual centre and nothing is stretched.
void matchViewToWindow(sf::RenderWindow& window, const sf::Event::SizeEvent& size);

} // namespace desktop
