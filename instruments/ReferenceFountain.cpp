#include "ReferenceFountain.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>

ReferenceFountain::ReferenceFountain(unsigned int count)
    : particles(count)
    , points(sf::PrimitiveType::Points, count)
{
}

void ReferenceFountain::update(sf::Time elapsed)
{
    for (std::size_t i = 0; i < particles.size(); ++i) {
        particles::Particle& p = particles[i];
        p.lifetime -= elapsed;
        if (p.lifetime <= sf::Time::Zero) {
            const float angle = static_cast<float>(std::rand() % 360) * 3.14f / 180.f;
            const float speed = static_cast<float>(std::rand() % 50) + 50.f;
            p.velocity = sf::Vector2f(static_cast<float>(std::cos(static_cast<double>(angle))) * speed,
                                      static_cast<float>(std::sin(static_cast<double>(angle))) * speed);
            p.lifetime = sf::milliseconds((std::rand() % 3000) + 1000);
            points[i].position = spawnPoint;
        }
        p.acceleration = sf::Vector2f(0.f, 9.28f);
        const float dt = elapsed.asSeconds();
        p.velocity += p.acceleration * dt;
        points[i].position += p.velocity * dt;

        const float ratio = p.lifetime.asSeconds() / maxLifetime.asSeconds();
        const float alpha = ratio * 255;
        points[i].color.a = alpha > 255.f ? 255 : static_cast<std::uint8_t>(alpha);
    }
}
