#pragma once

#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/System/Vector2.hpp>

#include <iosfwd>

namespace chase {

// Moves the agent square 2 pixels along the angle from the player square to it, read as
// degrees where cos and sin expect radians: that turn of the rule is what makes the agent home
// in on the player and then stay on top of it. Writes the step as one flushed line to `report`,
// then puts the agent back at the window centre if its corner has left the window.
void stepAgent(sf::Vector2u windowSize, const sf::RectangleShape& player, sf::RectangleShape& agent,
               std::ostream& report);

} // namespace chase
