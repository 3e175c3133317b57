#pragma once

#include <SFML/Graphics/Drawable.hpp>
#include <SFML/Graphics/RenderStates.hpp>
#include <SFML/Graphics/Transformable.hpp>
#include <SFML/Graphics/VertexArray.hpp>
#include <SFML/System/Time.hpp>
#include <SFML/System/Vector2.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sf {
class RenderTarget;
}

// One point of the fountain; its vertex lives at the same index in ParticleSystem::points.
struct Particle {
    sf::Vector2f velocity;     // pixels per second
    sf::Time lifetime;         // remaining
    sf::Vector2f acceleration; // pixels per second squared
};

// A fixed number of point particles that are born at a spawn point, fall, fade out and are
// born again. All storage is sized at construction, so update() and draw() never allocate.
class ParticleSystem : public sf::Drawable, public sf::Transformable {
public:
    explicit ParticleSystem(unsigned int count);

    // Only particles born from now on start here; living ones keep their course.
    void setSpawnPoint(sf::Vector2f position);

    void update(sf::Time elapsed);

    std::size_t getParticleCount() const { return particles.size(); }
    const Particle& getParticle(std::size_t index) const { return particles[index]; }
    const sf::VertexArray& getPoints() const { return points; }

private:
    void draw(sf::RenderTarget& target, sf::RenderStates states) const override;

    std::vector<Particle> particles;
    sf::VertexArray points;
    sf::Time maxLifetime;
    sf::Vector2f spawnPoint;
};

// The alpha byte of a particle whose remaining lifetime is `ratio` of the full fade time.
// Fresh particles may live longer than the fade time; they stay opaque until they are inside it.
std::uint8_t fadeAlpha(float ratio);
