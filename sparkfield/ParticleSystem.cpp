#include "ParticleSystem.hpp"

#include <SFML/Graphics/RenderTarget.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace {

const sf::Vector2f gravity(0.f, 9.28f);

// sf::Time is a single signed microsecond count; reading and writing it directly keeps the
// per-particle work free of library calls. Seconds are worked out exactly as SFML does.
static_assert(sizeof(sf::Time) == sizeof(std::int64_t) && std::is_trivially_copyable_v<sf::Time>,
              "sf::Time is expected to hold nothing but its microsecond count");

std::int64_t microsecondsOf(const sf::Time& time)
{
    std::int64_t microseconds = 0;
    std::memcpy(&microseconds, &time, sizeof microseconds);
    return microseconds;
}

void setMicroseconds(sf::Time& time, std::int64_t microseconds)
{
    std::memcpy(static_cast<void*>(&time), &microseconds, sizeof microseconds);
}

float secondsOf(const sf::Time& time)
{
    return static_cast<float>(microsecondsOf(time)) / 1000000.f;
}

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

std::uint8_t fadeAlpha(float ratio)
{
    // Converting a float above 255 to a byte is undefined, so clamp first.
    return static_cast<std::uint8_t>(std::min(ratio * 255.f, 255.f));
}

ParticleSystem::ParticleSystem(unsigned int count)
    : particles(count)
    , points(sf::PrimitiveType::Points, count)
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

    // Hoisted out of the loop: SFML's time and vertex-array operations are calls into its
    // shared library, several per particle if made inside.
    const std::int64_t elapsedMicroseconds = elapsed.asMicroseconds();
    const float dt = elapsed.asSeconds();
    const float fadeSeconds = maxLifetime.asSeconds();
    Particle* const first = particles.data();
    sf::Vertex* const vertices = &points[0];
    const std::size_t count = particles.size();

    for (std::size_t i = 0; i < count; ++i) {
        Particle& particle = first[i];
        sf::Vertex& vertex = vertices[i];

        const std::int64_t remaining = microsecondsOf(particle.lifetime) - elapsedMicroseconds;
        setMicroseconds(particle.lifetime, remaining);
        if (remaining <= 0)
            bringToLife(particle, vertex, spawnPoint);

        particle.acceleration = gravity;
        particle.velocity += particle.acceleration * dt;
        vertex.position += particle.velocity * dt;
        vertex.color.a = fadeAlpha(secondsOf(particle.lifetime) / fadeSeconds);
    }
}

void ParticleSystem::draw(sf::RenderTarget& target, sf::RenderStates states) const
{
    states.transform *= getTransform();
    states.texture = nullptr;
    target.draw(points, states);
}
