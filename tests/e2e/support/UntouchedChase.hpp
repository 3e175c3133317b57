#pragma once

#include <SFML/System/Vector2.hpp>

#include <string>

// The chase as boxpair runs it when no key is touched, worked out by the same step the program
// runs (which the unit tests hold to literal lines), for as many frames as a test asks.
namespace e2e {

// The report line boxpair prints in frame `frame`, counted from 1.
const std::string& untouchedLine(std::size_t frame);

// The agent's position after `frame` frames; frame 0 is the start.
sf::Vector2f untouchedAgentAfter(std::size_t frame);

} // namespace e2e
