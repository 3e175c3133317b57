#pragma once

#include <SFML/System/Vector2.hpp>

#include <iosfwd>

// The agent's rule, on positions alone: the squares' top-left corners and the window's size.
// boxpair's main.cpp moves its squares by it, and the web page runs the same code.
namespace chase {

// The angles the step is made of, rounded as the step rounds them: theta, the direction from the
// player's corner to the agent's in radians, and phi, that number turned into degrees.
struct StepAngles {
    float theta;
    float phi;
};

StepAngles stepAngles(sf::Vector2f player, sf::Vector2f agent);

// The agent's step, 2 pixels long, for an agent at `agent` and a player at `player`: phi, a
// number of degrees, handed to cos and sin, which take radians. The step's direction so turns
// about 57 times as fast as the agent goes round the player: on 56 rays from the player it
// points straight at it, on the rays halfway between them straight away, and an agent drawn
// onto a ray of the first kind runs in along it.
sf::Vector2f agentStep(sf::Vector2f player, sf::Vector2f agent);

// The rule a reader might expect instead: theta handed to cos and sin as the radians it is. The
// step then points from the player to the agent, and the agent runs straight away.
sf::Vector2f radiansStep(sf::Vector2f player, sf::Vector2f agent);

// `corner`, or the window's centre if the corner has left the window. Both tests are strict: a
// corner exactly on an edge still counts as inside.
sf::Vector2f keptInWindow(sf::Vector2u windowSize, sf::Vector2f corner);

// One frame of the agent: writes agentStep() as one flushed line to `report` and returns where
// the step takes the agent's corner, kept in the window. docs/how-it-works.md shows the chase
// this makes.
sf::Vector2f stepAgent(sf::Vector2u windowSize, sf::Vector2f player, sf::Vector2f agent, std::ostream& report);

} // namespace chase
