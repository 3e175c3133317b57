// The particle update timed with the standard clock alone, so that the same source runs natively
// and, compiled by emscripten, as WebAssembly under Node.js: scripts/web-bench.sh sets the two
// side by side. For each size, in steady state (300 updates of 16 ms first, so that births are
// spread out), the median over 9 rounds of the time one update takes:
//   lines "particles N: update X us"

#include "ParticleSystem.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

const sf::Time frameTime = sf::milliseconds(16);

double medianUpdateMicroseconds(unsigned int count, int updatesPerRound)
{
    particles::ParticleSystem system(count);
    system.setSpawnPoint(sf::Vector2f(300.f, 200.f));
    for (int i = 0; i < 300; ++i)
        system.update(frameTime);
    std::vector<double> rounds;
    for (int round = 0; round < 9; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < updatesPerRound; ++i)
            system.update(frameTime);
        const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
        rounds.push_back(spent.count() / updatesPerRound);
    }
    std::nth_element(rounds.begin(), rounds.begin() + 4, rounds.end());
    return rounds[4];
}

} // namespace

int main()
{
    std::printf("particles 1000: update %.2f us\n", medianUpdateMicroseconds(1000, 2000));
    std::printf("particles 100000: update %.2f us\n", medianUpdateMicroseconds(100000, 40));
    return 0;
}
