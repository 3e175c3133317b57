#include "ParticleSystem.hpp"

#include <SFML/Graphics/RenderTarget.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace particles {

namespace {

const sf::Vector2f gravity(0.f, 9.28f);

// Seconds from microseconds, worked out as sf::Time::asSeconds() does.
float secondsOf(std::int64_t microseconds)
{
    return static_cast<float>(microseconds) / 1000000.f;
}

} // namespace

std::uint8_t fadeAlpha(float ratio)
{
    // Converting a float above 255 to a byte is undefined, so clamp first.
    return static_cast<std::uint8_t>(std::min(ratio * 255.f, 255.f));
}

ParticleSystem::ParticleSystem(unsigned int count)
    : states(count)
    , points(sf::PrimitiveType::Points, count)
    , maxLifetime(sf::seconds(3.f))
    , spawnPoint(0.f, 0.f)
{
}

Particle ParticleSystem::getParticle(std::size_t index) const
{
    const State& state = states[index];
    return Particle{state.velocity, sf::microseconds(state.lifetimeMicroseconds), state.acceleration};
}

void ParticleSystem::setSpawnPoint(sf::Vector2f position)
{
    spawnPoint = position;
}

void ParticleSystem::bringToLife(State& particle, sf::Vertex& vertex) const
{
    const float angle = static_cast<float>(std::rand() % 360) * 3.14f / 180.f;
    const float speed = static_cast<float>(std::rand() % 50 + 50);
    particle.velocity = sf::Vector2f(static_cast<float>(std::cos(static_cast<double>(angle))) * speed,
                                     static_cast<float>(std::sin(static_cast<double>(angle))) * speed);
    particle.lifetimeMicroseconds = static_cast<std::int64_t>(std::rand() % 3000 + 1000) * 1000;
    vertex.position = spawnPoint;
}

void ParticleSystem::update(sf::Time elapsed)
{
    if (states.empty())
        return;

    // Hoisted out of the loop: SFML's time and vertex-array operations are calls into its
    // shared library, several per particle if made inside.
    const std::int64_t elapsedMicroseconds = elapsed.asMicroseconds();
    const float dt = elapsed.asSeconds();
    const float fadeSeconds = maxLifetime.asSeconds();
    sf::Vertex* const vertices = &points[0];
    const std::size_t count = states.size();

    for (std::size_t i = 0; i < count; ++i) {
        State& particle = states[i];
        sf::Vertex& vertex = vertices[i];

        particle.lifetimeMicroseconds -= elapsedMicroseconds;
        if (particle.lifetimeMicroseconds <= 0)
            bringToLife(particle, vertex);

        particle.acceleration = gravity;
        particle.velocity += particle.acceleration * dt;
        vertex.position += particle.velocity * dt;
        vertex.color.a = fadeAlpha(secondsOf(particle.lifetimeMicroseconds) / fadeSeconds);
    }
}

void ParticleSystem::draw(sf::RenderTarget& target, sf::RenderStates renderStates) const
{
    renderStates.transform *= getTransform();
    renderStates.texture = nullptr;
    target.draw(points, renderStates);
}

} // namespace particles
