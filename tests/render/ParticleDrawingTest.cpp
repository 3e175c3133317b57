#include "ParticleSystem.hpp"

#include "AllocationCounter.hpp"
#include "SfmlBridge.hpp"

#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <gtest/gtest.h>

#include <cstdint>

// Rendering needs a GL context, which SFML gets from the X server that DISPLAY names: the test
// runs on a private one (tests/CMakeLists.txt).
namespace {

using particles::ParticleSystem;

sf::Image render(const ParticleSystem& system, sf::RenderStates states)
{
    sf::RenderTexture target;
    EXPECT_TRUE(windowing::resize(target, {600, 400}));
    target.clear(sf::Color::Black);
    target.draw(system, states);
    target.display();
    return target.getTexture().copyToImage();
}

// Where the non-black pixels of a picture are, and how many of them are grey.
struct LitPixels {
    int count = 0;
    int grey = 0;
    double meanX = 0;
    double meanY = 0;
};

LitPixels litPixelsOf(const sf::Image& image)
{
    LitPixels lit;
    const std::uint8_t* rgba = image.getPixelsPtr(); // four bytes a pixel, row by row, in every SFML
    for (unsigned int y = 0; y < image.getSize().y; ++y) {
        for (unsigned int x = 0; x < image.getSize().x; ++x, rgba += 4) {
            if (rgba[0] == 0 && rgba[1] == 0 && rgba[2] == 0)
                continue;
            ++lit.count;
            lit.grey += rgba[0] == rgba[1] && rgba[1] == rgba[2] ? 1 : 0;
            lit.meanX += x;
            lit.meanY += y;
        }
    }
    lit.meanX /= lit.count > 0 ? lit.count : 1;
    lit.meanY /= lit.count > 0 ? lit.count : 1;
    return lit;
}

sf::Vector2f meanPosition(const ParticleSystem& system)
{
    sf::Vector2f sum;
    for (std::size_t i = 0; i < system.getParticleCount(); ++i)
        sum += system.getPoints()[i].position;
    return sum / static_cast<float>(system.getParticleCount());
}

ParticleSystem spreadOutFountain()
{
    ParticleSystem system(400);
    system.setSpawnPoint(sf::Vector2f(250.f, 150.f));
    system.update(sf::Time::Zero);
    system.update(sf::milliseconds(800));
    return system;
}

} // namespace

TEST(ParticleDrawing, DrawsEachPointAsOnePixelWhereItsVertexIsWithTheSystemsAndTheCallersTransform)
{
    ParticleSystem system = spreadOutFountain();
    system.setPosition(sf::Vector2f(40.f, 30.f));
    sf::RenderStates states;
    states.transform.translate(sf::Vector2f(10.f, 5.f));

    const LitPixels lit = litPixelsOf(render(system, states));

    const sf::Vector2f expected = meanPosition(system) + sf::Vector2f(50.f, 35.f);
    ASSERT_GT(lit.count, 300);
    EXPECT_LE(lit.count, 400) << "one pixel a point, whatever the transform";
    EXPECT_NEAR(lit.meanX, expected.x, 2.0);
    EXPECT_NEAR(lit.meanY, expected.y, 2.0);
}

TEST(ParticleDrawing, IgnoresAnyTextureInTheRenderStatesSoPointsStayGreyWhite)
{
    const sf::Image red = windowing::filledImage({4, 4}, sf::Color::Red);
    sf::Texture texture;
    ASSERT_TRUE(texture.loadFromImage(red));
    sf::RenderStates states;
    states.texture = &texture;

    const LitPixels lit = litPixelsOf(render(spreadOutFountain(), states));

    ASSERT_GT(lit.count, 300);
    EXPECT_EQ(lit.grey, lit.count);
}

TEST(ParticleDrawing, DrawingAllocatesNothingOnceTheTargetIsSetUp)
{
    const ParticleSystem system = spreadOutFountain();
    sf::RenderTexture target;
    ASSERT_TRUE(windowing::resize(target, {600, 400}));
    target.draw(system);

    const std::size_t before = heapAllocationCount();
    for (int frame = 0; frame < 10; ++frame)
        target.draw(system);
    EXPECT_EQ(heapAllocationCount(), before);
}
