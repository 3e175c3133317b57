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

namespace particles {

// One point of the fountain as the system shows it; its vertex is at the same index in
// ParticleSystem::getPoints().
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

    std::size_t getParticleCount() const { return states.size(); }
    Particle getParticle(std::size_t index) const;
    const sf::VertexArray& getPoints() const { return points; }

private:
    // A particle as update() keeps it: its lifetime in whole microseconds, the precision of
    // sf::Time, so that counting it down is integer arithmetic with no call into the library.
    struct State {
        sf::Vector2f velocity;
        std::int64_t lifetimeMicroseconds = 0;
        sf::Vector2f acceleration;
    };

    // Draws the new particle's direction, speed and lifetime from rand(), in that order, and
    // puts its vertex at the spawn point.
    void bringToLife(State& particle, sf::Vertex& vertex) const;

    void draw(sf::RenderTarget& target, sf::RenderStates renderStates) const override;

    std::vector<State> states;
    sf::VertexArray points;
    sf::Time maxLifetime;
    sf::Vector2f spawnPoint;
};

// The alpha byte of a particle whose remaining lifetime is `ratio` of the full fade time.
// Fresh particles may live longer than the fade time; they stay opaque until they are inside it.
std::uint8_t fadeAlpha(float ratio);

} // namespace particles
