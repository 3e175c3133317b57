// Works out, with the code the programs run (the chase and particles libraries), the numbers
// and pictures behind the docs' figures; figures/make_figures.py plots them. One verb a run:
//
//   step-field PX PY LEFT TOP RIGHT BOTTOM SPACING
//       the agent's step for an agent at each point of a grid, row by row, the player still at
//       (PX, PY): lines "x y step.x step.y"
//   chase PX PY AX AY FRAMES
//       the lines boxpair prints over FRAMES frames from these starting corners, no key held
//   chase-in-radians PX PY AX AY FRAMES
//       where the agent stands after each frame had its step taken along the angle in radians,
//       with boxpair's re-centring: lines "x y"
//   fountain FOLDER FRAME...
//       the fountain as sparkfield draws it in its 600 x 400 window, advanced by 1/60 s a frame:
//       after each FRAME given, the window's RGBA bytes, top row first, in FOLDER/FRAME.rgba
//   lives COUNT FRAMES
//       particles 0 to COUNT-1 of that fountain, frame by frame:
//       lines "particle frame x y alpha remaining-seconds"
//   first-lives FRAME...
//       after each FRAME given, how many particles of that fountain are still in their first
//       life, and the nearest and farthest of them from the spawn point, in pixels:
//       lines "frame count nearest farthest"
//   largest-bend FRAMES
//       how far the pull has bent any particle's path from a straight line by its rebirth, in
//       pixels, over FRAMES frames

#include "AgentStep.hpp"
#include "ParticleSystem.hpp"
#include "SfmlBridge.hpp"

#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const sf::Vector2u chaseWindow(800, 600);
const sf::Vector2u fountainWindow(600, 400);
const sf::Time frameTime = sf::microseconds(16667); // a frame at 60 frames a second

float number(const char* text)
{
    return std::strtof(text, nullptr);
}

int whole(const char* text)
{
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

std::vector<int> wholes(char** first, char** last)
{
    std::vector<int> numbers;
    std::transform(first, last, std::back_inserter(numbers), whole);
    return numbers;
}

void stepField(sf::Vector2f player, sf::Vector2f topLeft, sf::Vector2f bottomRight, float spacing)
{
    const int rows = static_cast<int>((bottomRight.y - topLeft.y) / spacing);
    const int columns = static_cast<int>((bottomRight.x - topLeft.x) / spacing);
    for (int row = 0; row <= rows; ++row) {
        for (int column = 0; column <= columns; ++column) {
            const sf::Vector2f agent(topLeft.x + static_cast<float>(column) * spacing,
                                     topLeft.y + static_cast<float>(row) * spacing);
            const sf::Vector2f step = chase::agentStep(player, agent);
            std::cout << agent.x << ' ' << agent.y << ' ' << step.x << ' ' << step.y << '\n';
        }
    }
}

void chaseLines(sf::Vector2f player, sf::Vector2f agent, int frames)
{
    for (int frame = 0; frame < frames; ++frame)
        agent = chase::stepAgent(chaseWindow, player, agent, std::cout);
}

// The rule a reader might expect: the angle handed to cos and sin as the radians it is.
void chaseInRadians(sf::Vector2f player, sf::Vector2f agent, int frames)
{
    for (int frame = 0; frame < frames; ++frame) {
        agent = chase::keptInWindow(chaseWindow, agent + chase::radiansStep(player, agent));
        std::cout << agent.x << ' ' << agent.y << '\n';
    }
}

// The fountain of sparkfield's first frames, at the centre of its window.
particles::ParticleSystem fountain()
{
    particles::ParticleSystem system(1000);
    system.setSpawnPoint(sf::Vector2f(300.f, 200.f));
    return system;
}

bool drawFountain(const std::string& folder, std::vector<int> frames)
{
    std::sort(frames.begin(), frames.end());
    sf::RenderTexture window;
    if (!windowing::resize(window, fountainWindow))
        return false;
    particles::ParticleSystem system = fountain();
    int frame = 0;
    for (const int wanted : frames) {
        for (; frame < wanted; ++frame)
            system.update(frameTime);
        window.clear(sf::Color::Black);
        window.draw(system, sf::RenderStates::Default);
        window.display();
        const sf::Image picture = window.getTexture().copyToImage();
        const std::size_t bytes = static_cast<std::size_t>(fountainWindow.x) * fountainWindow.y * 4;
        std::ofstream(folder + "/" + std::to_string(wanted) + ".rgba", std::ios::binary)
            .write(reinterpret_cast<const char*>(picture.getPixelsPtr()), static_cast<std::streamsize>(bytes));
    }
    return true;
}

void lives(std::size_t count, int frames)
{
    particles::ParticleSystem system = fountain();
    for (int frame = 1; frame <= frames; ++frame) {
        system.update(frameTime);
        for (std::size_t i = 0; i < count; ++i) {
            const sf::Vertex& point = system.getPoints()[i];
            std::cout << i << ' ' << frame << ' ' << point.position.x << ' ' << point.position.y << ' '
                      << static_cast<int>(point.color.a) << ' ' << system.getParticle(i).lifetime.asSeconds() << '\n';
        }
    }
}

// A particle is born again when its remaining lifetime grows from one frame to the next.
void firstLives(std::vector<int> frames)
{
    std::sort(frames.begin(), frames.end());
    particles::ParticleSystem system = fountain();
    const std::size_t count = system.getParticleCount();
    system.update(frameTime); // every particle's first birth
    std::vector<bool> reborn(count, false);
    std::vector<sf::Time> lifetime(count);
    for (std::size_t i = 0; i < count; ++i)
        lifetime[i] = system.getParticle(i).lifetime;
    int frame = 1;
    for (const int wanted : frames) {
        for (; frame < wanted; ++frame) {
            system.update(frameTime);
            for (std::size_t i = 0; i < count; ++i) {
                const sf::Time remaining = system.getParticle(i).lifetime;
                reborn[i] = reborn[i] || remaining > lifetime[i];
                lifetime[i] = remaining;
            }
        }
        int firstLife = 0;
        float nearest = 1e9f;
        float farthest = 0.f;
        for (std::size_t i = 0; i < count; ++i) {
            if (reborn[i])
                continue;
            const sf::Vector2f offset = system.getPoints()[i].position - sf::Vector2f(300.f, 200.f);
            const float distance = std::hypot(offset.x, offset.y);
            ++firstLife;
            nearest = std::min(nearest, distance);
            farthest = std::max(farthest, distance);
        }
        std::cout << wanted << ' ' << firstLife << ' ' << nearest << ' ' << farthest << '\n';
    }
}

// The pull bends a particle's path below the line its velocity at birth sets, the more the
// longer it lives.
void largestBend(int frames)
{
    particles::ParticleSystem system = fountain();
    const std::size_t count = system.getParticleCount();
    const float dt = frameTime.asSeconds();
    std::vector<sf::Vector2f> straight(count); // where its velocity at birth alone would have taken it
    std::vector<sf::Vector2f> velocityAtBirth(count);
    std::vector<sf::Time> lifetime(count);
    float largest = 0.f;
    for (int frame = 1; frame <= frames; ++frame) {
        system.update(frameTime);
        for (std::size_t i = 0; i < count; ++i) {
            const particles::Particle particle = system.getParticle(i);
            if (particle.lifetime > lifetime[i] - frameTime) { // born again in this update
                velocityAtBirth[i] = particle.velocity - particle.acceleration * dt;
                straight[i] = sf::Vector2f(300.f, 200.f) + velocityAtBirth[i] * dt;
            } else {
                straight[i] += velocityAtBirth[i] * dt;
            }
            lifetime[i] = particle.lifetime;
            largest = std::max(largest, system.getPoints()[i].position.y - straight[i].y);
        }
    }
    std::cout << largest << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> words(argv + 1, argv + argc);
    const std::string verb = words.empty() ? "" : words[0];
    if (verb == "step-field" && argc == 9) {
        stepField({number(argv[2]), number(argv[3])}, {number(argv[4]), number(argv[5])},
                  {number(argv[6]), number(argv[7])}, number(argv[8]));
    } else if (verb == "chase" && argc == 7) {
        chaseLines({number(argv[2]), number(argv[3])}, {number(argv[4]), number(argv[5])}, whole(argv[6]));
    } else if (verb == "chase-in-radians" && argc == 7) {
        chaseInRadians({number(argv[2]), number(argv[3])}, {number(argv[4]), number(argv[5])}, whole(argv[6]));
    } else if (verb == "fountain" && argc >= 4) {
        if (!drawFountain(argv[2], wholes(argv + 3, argv + argc)))
            return 1;
    } else if (verb == "lives" && argc == 4) {
        lives(static_cast<std::size_t>(whole(argv[2])), whole(argv[3]));
    } else if (verb == "first-lives" && argc >= 3) {
        firstLives(wholes(argv + 2, argv + argc));
    } else if (verb == "largest-bend" && argc == 3) {
        largestBend(whole(argv[2]));
    } else {
        std::cerr << "usage: see the comment at the top of figures/FigureData.cpp\n";
        return 2;
    }
    return std::cout ? 0 : 1;
}
