#pragma once

#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/System/Vector2.hpp>

#include <iosfwd>

namespace chase {

// The agent's step, 2 pixels long, for an agent at `agent` and a player at `player`: the angle
// from the player to the agent, in radians, turned into degrees, and that degree number handed to
// cos and sin, which take radians. The step's direction so turns about 57 times as fast as the
// agent goes round the player: on 56 rays from the player it points straight at it, on the rays
// halfway between them straight away, and an agent drawn onto a ray of the first kind runs in
// along it.
sf::Vector2f agentStep(sf::Vector2f player, sf::Vector2f agent);

// Moves the agent square by agentStep() from the two squares' corners and writes the step as one
// flushed line to `report`, then puts the agent back at the window centre if its corner has left
// the window. docs/how-it-works.md shows the chase this makes.
void stepAgent(sf::Vector2u windowSize, const sf::RectangleShape& player, sf::RectangleShape& agent,
               std::ostream& report);

} // namespace chase
