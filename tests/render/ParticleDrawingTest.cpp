#include "ParticleSystem.hpp"

#include "AllocationCounter.hpp"
#include "Image.hpp"
#include "SfmlBridge.hpp"
#include "VirtualDisplay.hpp"

#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// Rendering needs a GL context, and SFML gets one from the X server named by DISPLAY.
class ParticleDrawing : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        display = std::make_unique<harness::VirtualDisplay>();
        setenv("DISPLAY", display->name().c_str(), 1);
    }
    static void TearDownTestSuite() { display.reset(); }

    static harness::Image render(const ParticleSystem& system, sf::RenderStates states)
    {
        sf::RenderTexture target;
        EXPECT_TRUE(desktop::resize(target, {600, 400}));
        target.clear(sf::Color::Black);
        target.draw(system, states);
        target.display();
        return target.getTexture().copyToImage();
    }

    static sf::Vector2f meanPosition(const ParticleSystem& system)
    {
        sf::Vector2f sum;
        for (std::size_t i = 0; i < system.getParticleCount(); ++i)
            sum += system.getPoints()[i].position;
        return sum / static_cast<float>(system.getParticleCount());
    }

    static std::unique_ptr<harness::VirtualDisplay> display;
};

std::unique_ptr<harness::VirtualDisplay> ParticleDrawing::display;

ParticleSystem spreadOutFountain()
{
    ParticleSystem system(400);
    system.setSpawnPoint(sf::Vector2f(250.f, 150.f));
    system.update(sf::Time::Zero);
    system.update(sf::milliseconds(800));
    return system;
}

} // namespace

TEST_F(ParticleDrawing, DrawsEveryPointWhereItsVertexIsWithTheSystemsAndTheCallersTransform)
{
    ParticleSystem system = spreadOutFountain();
    system.setPosition(sf::Vector2f(40.f, 30.f));
    sf::RenderStates states;
    states.transform.translate(sf::Vector2f(10.f, 5.f));

    const harness::LitPixels lit = harness::litPixelsOf(render(system, states));

    const sf::Vector2f expected = meanPosition(system) + sf::Vector2f(50.f, 35.f);
    ASSERT_GT(lit.count, 300);
    EXPECT_NEAR(lit.meanX, expected.x, 2.0);
    EXPECT_NEAR(lit.meanY, expected.y, 2.0);
}

TEST_F(ParticleDrawing, IgnoresAnyTextureInTheRenderStatesSoPointsStayGreyWhite)
{
    const sf::Image red = desktop::filledImage({4, 4}, sf::Color::Red);
    sf::Texture texture;
    ASSERT_TRUE(texture.loadFromImage(red));
    sf::RenderStates states;
    states.texture = &texture;

    const harness::LitPixels lit = harness::litPixelsOf(render(spreadOutFountain(), states));

    ASSERT_GT(lit.count, 300);
    EXPECT_EQ(lit.grey, lit.count);
}

TEST_F(ParticleDrawing, DrawingAllocatesNothingOnceTheTargetIsSetUp)
{
    const ParticleSystem system = spreadOutFountain();
    sf::RenderTexture target;
    ASSERT_TRUE(desktop::resize(target, {600, 400}));
    target.draw(system);

    const std::size_t before = heapAllocationCount();
    for (int frame = 0; frame < 10; ++frame)
        target.draw(system);
    EXPECT_EQ(heapAllocationCount(), before);
}
