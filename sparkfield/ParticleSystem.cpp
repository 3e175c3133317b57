#include "ParticleSystem.hpp"

#include <SFML/Graphics/RenderTarget.hpp>

#include <cmath>
#include <cstdlib>

namespace {

const sf::Vector2f gravity(0.f, 9.28f);

// Draws the new particle's direction, speed and lifetime from rand(), in that order.
void bringToLife(Particle& particle, sf::Vertex& vertex, sf::Vector2f spawnPoint)
{
    const float angle = static_cast<float>(std::rand() % 360) * 3.14f / 180.f;
    const float speed = static_cast<float>(std::rand() % 50 + 50);
    particle.velocity = sf::Vector2f(static_cast<float>(std::cos(static_cast<double>(angle))) * speed,
                                     static_cast<float>(std::sin(static_cast<double>(angle))) * speed);
    particle.lifetime = sf::milliseconds(std::rand() % 3000 + 1000);
    vertex.position = spawnPoint;
}

} // namespace

sf::Uint8 fadeAlpha(float ratio)
{
    const float alpha = ratio * 255.f;
    // Converting a float above 255 to a byte is undefined, so clamp first.
    return alpha >= 255.f ? sf::Uint8(255) : static_cast<sf::Uint8>(alpha);
}

ParticleSystem::ParticleSystem(unsigned int count)
    : particles(count)
    , points(sf::Points, count)
    , maxLifetime(sf::seconds(3.f))
    , spawnPoint(0.f, 0.f)
{
}

void ParticleSystem::setSpawnPoint(sf::Vector2f position)
{
    spawnPoint = position;
}

void ParticleSystem::update(sf::Time elapsed)
{
    if (particles.empty())
        return;

    const float dt = elapsed.asSeconds();
    const float fadeSeconds = maxLifetime.asSeconds();
    // One lookup for the whole array: indexing the vertex array is a library call per access.
    sf::Vertex* const vertices = &points[0];

    for (std::size_t i = 0; i < particles.size(); ++i) {
        Particle& particle = particles[i];
        sf::Vertex& vertex = vertices[i];

        particle.lifetime -= elapsed;
        if (particle.lifetime <= sf::Time::Zero)
            bringToLife(particle, vertex, spawnPoint);

        particle.acceleration = gravity;
        particle.velocity += particle.acceleration * dt;
        vertex.position += particle.velocity * dt;
        vertex.color.a = fadeAlpha(particle.lifetime.asSeconds() / fadeSeconds);
    }
}

void ParticleSystem::draw(sf::RenderTarget& target, sf::RenderStates states) const
{
    states.transform *= getTransform();
    states.texture = nullptr;
    target.draw(points, states);
}
