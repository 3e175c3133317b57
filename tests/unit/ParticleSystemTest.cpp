#include "ParticleSystem.hpp"

#include "AllocationCounter.hpp"
#include "ReferenceFountain.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

const sf::Vector2f centre(300.f, 200.f);

// What a birth must draw from rand(), in order, written out independently of the system.
struct Birth {
    sf::Vector2f velocity;
    sf::Time lifetime;
};

Birth nextBirth()
{
    const int degrees = std::rand() % 360;
    const int speed = std::rand() % 50 + 50;
    const int milliseconds = std::rand() % 3000 + 1000;
    const float angle = static_cast<float>(degrees) * 3.14f / 180.f;
    const float cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
    const float sine = static_cast<float>(std::sin(static_cast<double>(angle)));
    return {sf::Vector2f(cosine * static_cast<float>(speed), sine * static_cast<float>(speed)),
            sf::milliseconds(milliseconds)};
}

ParticleSystem bornAt(sf::Vector2f spawnPoint, unsigned int count = 100)
{
    ParticleSystem system(count);
    system.setSpawnPoint(spawnPoint);
    system.update(sf::Time::Zero);
    return system;
}

// Equal to the last bit: unlike ==, tells 0 from -0 and matches NaN with itself.
bool sameBits(sf::Vector2f a, sf::Vector2f b)
{
    const auto bits = [](float value) {
        std::uint32_t word = 0;
        std::memcpy(&word, &value, sizeof word);
        return word;
    };
    return bits(a.x) == bits(b.x) && bits(a.y) == bits(b.y);
}

bool sameBits(const Particle& a, const Particle& b)
{
    return sameBits(a.velocity, b.velocity) && a.lifetime == b.lifetime && sameBits(a.acceleration, b.acceleration);
}

bool sameBits(const sf::Vertex& a, const sf::Vertex& b)
{
    return sameBits(a.position, b.position) && a.color == b.color && sameBits(a.texCoords, b.texCoords);
}

sf::Vector2f positionOf(const ParticleSystem& system, std::size_t index)
{
    return system.getPoints()[index].position;
}

} // namespace

TEST(ParticleBirth, FirstUpdateBearsEveryParticleAtTheSpawnPointEvenWithZeroElapsed)
{
    const ParticleSystem system = bornAt(centre);
    for (std::size_t i = 0; i < system.getParticleCount(); ++i) {
        EXPECT_EQ(positionOf(system, i), centre) << "particle " << i;
        EXPECT_GE(system.getParticle(i).lifetime, sf::milliseconds(1000));
        EXPECT_LE(system.getParticle(i).lifetime, sf::milliseconds(3999));
    }
}

TEST(ParticleBirth, DrawsDirectionSpeedAndLifetimeFromRandInOrderToTheBit)
{
    const sf::Time elapsed = sf::milliseconds(16);
    const float dt = elapsed.asSeconds();

    std::srand(2024);
    ParticleSystem system(50);
    system.setSpawnPoint(centre);
    system.update(elapsed);

    std::srand(2024);
    for (std::size_t i = 0; i < system.getParticleCount(); ++i) {
        const Birth birth = nextBirth();
        const sf::Vector2f velocity(birth.velocity.x + 0.f * dt, birth.velocity.y + 9.28f * dt);
        const Particle& particle = system.getParticle(i);
        EXPECT_EQ(particle.velocity, velocity) << "particle " << i;
        EXPECT_EQ(particle.lifetime, birth.lifetime) << "particle " << i;
        EXPECT_EQ(particle.acceleration, sf::Vector2f(0.f, 9.28f));
        EXPECT_EQ(positionOf(system, i), centre + velocity * dt) << "particle " << i;
    }
}

TEST(ParticleBirth, AParticleWhoseLifetimeReachesExactlyZeroIsBornAgain)
{
    ParticleSystem system = bornAt(centre);
    const sf::Time exactLifetime = system.getParticle(0).lifetime;
    const sf::Vector2f newSpawn(10.f, 10.f);
    system.setSpawnPoint(newSpawn);

    const unsigned int seed = 77;
    std::srand(seed);
    system.update(exactLifetime);

    std::srand(seed);
    const Birth birth = nextBirth();
    EXPECT_EQ(system.getParticle(0).lifetime, birth.lifetime);
    const float dt = exactLifetime.asSeconds();
    const sf::Vector2f velocity(birth.velocity.x, birth.velocity.y + 9.28f * dt);
    EXPECT_EQ(positionOf(system, 0), newSpawn + velocity * dt);
}

TEST(ParticleBirth, AnOverdueParticleIsBornAgainWithAFreshPositiveLifetime)
{
    ParticleSystem system = bornAt(centre);
    system.update(system.getParticle(3).lifetime - sf::milliseconds(500));
    ASSERT_EQ(system.getParticle(3).lifetime, sf::milliseconds(500));

    system.update(sf::milliseconds(700));

    EXPECT_GE(system.getParticle(3).lifetime, sf::milliseconds(1000));
    EXPECT_LE(system.getParticle(3).lifetime, sf::milliseconds(3999));
}

TEST(ParticleBirth, MovingTheSpawnPointLeavesLivingParticlesOnTheirCourse)
{
    ParticleSystem system = bornAt(centre);
    const sf::Time step = sf::milliseconds(10);
    const float dt = step.asSeconds();
    system.setSpawnPoint(sf::Vector2f(-500.f, -500.f));
    system.update(step);

    for (std::size_t i = 0; i < system.getParticleCount(); ++i) {
        const sf::Vector2f velocity = system.getParticle(i).velocity;
        EXPECT_EQ(positionOf(system, i), centre + velocity * dt) << "particle " << i;
    }
}

TEST(ParticleMotion, FallsUnderConstantAccelerationWithSemiImplicitEuler)
{
    ParticleSystem system = bornAt(centre, 1);
    const Particle before = system.getParticle(0);
    const sf::Vector2f start = positionOf(system, 0);
    const float dt = sf::milliseconds(250).asSeconds();

    system.update(sf::milliseconds(250));

    const sf::Vector2f velocity(before.velocity.x, before.velocity.y + 9.28f * dt);
    EXPECT_EQ(system.getParticle(0).velocity, velocity);
    EXPECT_EQ(positionOf(system, 0), start + velocity * dt);
    EXPECT_EQ(system.getParticle(0).lifetime, before.lifetime - sf::milliseconds(250));
}

TEST(ParticleMotion, ZeroElapsedChangesNoLifetimeAndMovesNothing)
{
    ParticleSystem system = bornAt(centre);
    system.update(sf::milliseconds(300));
    const ParticleSystem before = system;

    system.update(sf::Time::Zero);

    for (std::size_t i = 0; i < system.getParticleCount(); ++i) {
        EXPECT_EQ(system.getParticle(i).lifetime, before.getParticle(i).lifetime);
        EXPECT_EQ(positionOf(system, i), positionOf(before, i));
    }
}

TEST(ParticleMotion, EveryLifetimeStaysWithinItsRangeAfterAnyUpdate)
{
    ParticleSystem system(500);
    const sf::Time steps[] = {sf::Time::Zero,   sf::microseconds(1), sf::milliseconds(16),   sf::milliseconds(999),
                              sf::seconds(3.f), sf::seconds(5.f),    sf::milliseconds(4000), sf::milliseconds(33)};
    for (int round = 0; round < 20; ++round) {
        for (const sf::Time step : steps) {
            system.update(step);
            for (std::size_t i = 0; i < system.getParticleCount(); ++i) {
                const Particle& particle = system.getParticle(i);
                ASSERT_GT(particle.lifetime, sf::Time::Zero);
                ASSERT_LE(particle.lifetime, sf::milliseconds(3999));
                ASSERT_TRUE(std::isfinite(particle.velocity.x) && std::isfinite(particle.velocity.y));
            }
        }
    }
}

TEST(ParticleFade, AlphaIsTheTruncatedShareOfTheFadeTimeAndOpaqueBeyondIt)
{
    const std::pair<float, int> cases[] = {{0.f, 0},   {0.5f, 127},    {0.999f, 254},
                                           {1.f, 255}, {1.0001f, 255}, {3.999f / 3.f, 255}};
    for (const auto& [ratio, alpha] : cases)
        EXPECT_EQ(fadeAlpha(ratio), alpha) << "ratio " << ratio;
}

TEST(ParticleFade, EachVertexCarriesItsParticlesAlphaAndStaysWhite)
{
    ParticleSystem system = bornAt(centre);
    system.update(sf::milliseconds(1500));
    for (std::size_t i = 0; i < system.getParticleCount(); ++i) {
        const sf::Color colour = system.getPoints()[i].color;
        const float ratio = system.getParticle(i).lifetime.asSeconds() / 3.f;
        EXPECT_EQ(colour.a, fadeAlpha(ratio)) << "particle " << i;
        EXPECT_EQ(colour.r, 255);
        EXPECT_EQ(colour.g, 255);
        EXPECT_EQ(colour.b, 255);
    }
}

TEST(ParticleStorage, UpdateAllocatesNothing)
{
    ParticleSystem system(1000);
    system.setSpawnPoint(centre);
    const std::size_t before = heapAllocationCount();
    for (int frame = 0; frame < 300; ++frame)
        system.update(sf::milliseconds(frame % 7 == 0 ? 900 : 16));
    EXPECT_EQ(heapAllocationCount(), before);

    // The counter itself must see allocations, or the check above proves nothing. A direct call,
    // since newer compilers may leave out an allocation whose memory nothing reads.
    void* const probe = ::operator new(8);
    EXPECT_GT(heapAllocationCount(), before);
    ::operator delete(probe);
}

TEST(ParticleReference, UpdateMatchesThePlainLoopToTheBitOverMixedSteps)
{
    const unsigned int count = 2000;
    ParticleSystem system(count);
    ReferenceFountain reference(count);
    const sf::Time steps[] = {sf::Time::Zero,    sf::milliseconds(16),    sf::microseconds(1), sf::milliseconds(33),
                              sf::seconds(3.5f), sf::microseconds(16667), sf::milliseconds(1), sf::seconds(7.f)};

    for (unsigned int round = 0; round < 400; ++round) {
        const sf::Vector2f spawn(static_cast<float>(round % 7) * 50.f, 100.f + static_cast<float>(round % 3));
        system.setSpawnPoint(spawn);
        reference.spawnPoint = spawn;
        const sf::Time step = steps[round % std::size(steps)];

        std::srand(round);
        system.update(step);
        std::srand(round);
        reference.update(step);

        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_TRUE(sameBits(system.getParticle(i), reference.particles[i]))
                << "particle " << i << " after round " << round;
            ASSERT_TRUE(sameBits(system.getPoints()[i], reference.points[i]))
                << "vertex " << i << " after round " << round;
        }
    }
}
