#pragma once

#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>

// Where things go in a window of a given size. Plain SFML, with no tie to the window system, so
// that the programs' logic can use it where no display exists.
namespace windowing {

// The view for a window of this size that keeps one world unit per pixel with the origin at the
// top-left, so that after a resize the window centre in pixels is also the visual centre and
// nothing is stretched.
sf::View pixelView(sf::Vector2u windowSize);

// Half the window's size in whole pixels, rounded down.
sf::Vector2f windowCentre(sf::Vector2u windowSize);

} // namespace windowing
