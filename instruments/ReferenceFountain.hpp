#pragma once

#include "ParticleSystem.hpp"

#include <SFML/Graphics/VertexArray.hpp>

#include <vector>

// The particle update written the plain way, one library call per vertex access and per time
// operation. It is the yardstick for particles::ParticleSystem::update: the same results to the bit, and
// the speed the fast version is measured against.
struct ReferenceFountain {
    explicit ReferenceFountain(unsigned int count);

    void update(sf::Time elapsed);

    std::vector<particles::Particle> particles;
    sf::VertexArray points;
    sf::Time maxLifetime = sf::seconds(3.f);
    sf::Vector2f spawnPoint;
};
