// What the page's JavaScript calls: boxpair's chase and sparkfield's fountain, run by the
// programs' own libraries. JavaScript draws what these report and passes on the user's input;
// every rule, and every line boxpair prints, comes from here.

#include "AgentStep.hpp"
#include "ParticleSystem.hpp"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

// boxpair's window and starting corners.
const sf::Vector2u chaseWindow(800, 600);
const sf::Vector2f playerStart(120.f, 60.f);
const sf::Vector2f agentStart(340.f, 200.f);

struct Chase {
    sf::Vector2f player = playerStart;
    sf::Vector2f agent = agentStart;
    sf::Vector2f radiansAgent = agentStart; // the second agent, moved by the angle used as radians
    chase::StepAngles angles{};             // of the last step
    sf::Vector2f step;                      // the last step
    std::string line;                       // the last line, as boxpair prints it
};

Chase chaseNow;
particles::ParticleSystem fountain(1000);
sf::Vector2f spawnPoint(300.f, 200.f); // sparkfield's window centre, until a click moves it
std::vector<float> numbers;            // what a call hands JavaScript in bulk
std::vector<std::uint8_t> alphas;

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void boxpairRestart()
{
    chaseNow = Chase{};
}

// One arrow key held for a frame: the player's square moves by (dx, dy), as boxpair moves it.
EMSCRIPTEN_KEEPALIVE void boxpairMovePlayer(float dx, float dy)
{
    chaseNow.player += sf::Vector2f(dx, dy);
}

// A drag puts the player's corner here.
EMSCRIPTEN_KEEPALIVE void boxpairPlacePlayer(float x, float y)
{
    chaseNow.player = sf::Vector2f(x, y);
}

// One frame of the chase, after the keys have moved the player: the agent's step, printed into
// the line returned (without its end of line) and taken; the second agent, if shown, steps by
// the angle used as radians.
EMSCRIPTEN_KEEPALIVE const char* boxpairFrame(int withRadiansAgent)
{
    Chase& now = chaseNow;
    now.angles = chase::stepAngles(now.player, now.agent);
    now.step = chase::agentStep(now.player, now.agent);
    std::ostringstream report;
    now.agent = chase::stepAgent(chaseWindow, now.player, now.agent, report);
    now.line = report.str();
    now.line.pop_back();
    if (withRadiansAgent != 0)
        now.radiansAgent =
            chase::keptInWindow(chaseWindow, now.radiansAgent + chase::radiansStep(now.player, now.radiansAgent));
    return now.line.c_str();
}

// The state, one number a call: 0, 1 the player's corner; 2, 3 the agent's; 4, 5 the second
// agent's; 6, 7 the last step; 8, 9 its theta and phi.
EMSCRIPTEN_KEEPALIVE float boxpairState(int which)
{
    const Chase& now = chaseNow;
    const float state[] = {now.player.x,       now.player.y, now.agent.x, now.agent.y,      now.radiansAgent.x,
                           now.radiansAgent.y, now.step.x,   now.step.y,  now.angles.theta, now.angles.phi};
    return which >= 0 && which < 10 ? state[which] : 0.f;
}

// The field of steps around the player as it stands, every `spacing` pixels over the window:
// x, y, step x, step y for each point, in boxpairNumbers(). Returns the number of points.
EMSCRIPTEN_KEEPALIVE int boxpairStepField(float spacing)
{
    numbers.clear();
    for (float y = spacing / 2.f; y < static_cast<float>(chaseWindow.y); y += spacing) {
        for (float x = spacing / 2.f; x < static_cast<float>(chaseWindow.x); x += spacing) {
            const sf::Vector2f step = chase::agentStep(chaseNow.player, sf::Vector2f(x, y));
            numbers.insert(numbers.end(), {x, y, step.x, step.y});
        }
    }
    return static_cast<int>(numbers.size() / 4);
}

// The directions theta from the player in which the step points straight at it, in
// boxpairNumbers(): (2k + 1) pi / (180/pi - 1) within one half-turn either way. Returns how many.
EMSCRIPTEN_KEEPALIVE int boxpairRaysTowardThePlayer()
{
    const double pi = 4.0 * std::atan(1.0);
    const double spacing = pi / (180.0 / pi - 1.0);
    numbers.clear();
    for (int odd = -59; odd <= 59; odd += 2) {
        if (std::abs(odd * spacing) <= pi)
            numbers.push_back(static_cast<float>(odd * spacing));
    }
    return static_cast<int>(numbers.size());
}

EMSCRIPTEN_KEEPALIVE const float* boxpairNumbers()
{
    return numbers.data();
}

// A new fountain of `count` particles, all born in its first update.
EMSCRIPTEN_KEEPALIVE void sparkfieldRestart(int count)
{
    fountain = particles::ParticleSystem(static_cast<unsigned int>(count));
}

// Where particles born from now on start.
EMSCRIPTEN_KEEPALIVE void sparkfieldPlaceSpawnPoint(float x, float y)
{
    spawnPoint = sf::Vector2f(x, y);
}

// One frame of sparkfield: the spawn point set, then the particles advanced by the frame's time.
EMSCRIPTEN_KEEPALIVE void sparkfieldFrame(double elapsedMicroseconds)
{
    fountain.setSpawnPoint(spawnPoint);
    fountain.update(sf::microseconds(static_cast<std::int64_t>(elapsedMicroseconds)));
}

// The points as the particle system would draw them: x, y a point in sparkfieldPositions(),
// alpha in sparkfieldAlphas(). Returns the number of points.
EMSCRIPTEN_KEEPALIVE int sparkfieldPoints()
{
    const sf::VertexArray& points = fountain.getPoints();
    const std::size_t count = points.getVertexCount();
    numbers.resize(count * 2);
    alphas.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        numbers[2 * i] = points[i].position.x;
        numbers[2 * i + 1] = points[i].position.y;
        alphas[i] = points[i].color.a;
    }
    return static_cast<int>(count);
}

EMSCRIPTEN_KEEPALIVE const float* sparkfieldPositions()
{
    return numbers.data();
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* sparkfieldAlphas()
{
    return alphas.data();
}

} // extern "C"
