// Speed of the particle update against the plain reference loop and against a pass that only
// reads and writes the same memory, at several sizes; and of drawing, where a display exists.
// Each run reports its cost per particle as a counter; scripts/bench.sh sets the runs side by
// side with Google Benchmark's compare.py.

#include "ParticleSystem.hpp"
#include "ReferenceFountain.hpp"
#include "SfmlBridge.hpp"

#include <SFML/Graphics/RenderTexture.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using particles::Particle;
using particles::ParticleSystem;

const sf::Time frame = sf::milliseconds(16);

void moveSpawnPoint(ParticleSystem& system, sf::Vector2f position)
{
    system.setSpawnPoint(position);
}

void moveSpawnPoint(ReferenceFountain& fountain, sf::Vector2f position)
{
    fountain.spawnPoint = position;
}

// Time per particle, so that sizes and benchmarks compare directly.
void setParticlesProcessed(benchmark::State& state)
{
    state.counters["per_particle"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// 16 ms updates, timed after a few hundred untimed ones, when births are spread over time as
// they are in a running program.
template <typename Fountain> void steadyUpdates(benchmark::State& state)
{
    std::srand(1);
    Fountain fountain(static_cast<unsigned int>(state.range(0)));
    moveSpawnPoint(fountain, sf::Vector2f(300.f, 200.f));
    for (int i = 0; i < 300; ++i)
        fountain.update(frame);
    for (auto _ : state) {
        fountain.update(frame);
        benchmark::ClobberMemory();
    }
    setParticlesProcessed(state);
}

// The least any update can cost: one pass over the same particle and vertex bytes, reading
// and writing each 32-bit word once.
void memoryFloor(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<std::uint32_t> particleWords(count * sizeof(Particle) / 4);
    std::vector<std::uint32_t> vertexWords(count * sizeof(sf::Vertex) / 4);
    for (auto _ : state) {
        const auto increment = [](std::uint32_t word) { return word + 1; };
        std::transform(particleWords.begin(), particleWords.end(), particleWords.begin(), increment);
        std::transform(vertexWords.begin(), vertexWords.end(), vertexWords.begin(), increment);
        benchmark::ClobberMemory();
    }
    setParticlesProcessed(state);
}

void draw(benchmark::State& state)
{
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("no display to render on");
        return;
    }
    sf::RenderTexture target;
    if (!windowing::resize(target, {600, 400})) {
        state.SkipWithError("cannot create an off-screen target");
        return;
    }
    ParticleSystem system(static_cast<unsigned int>(state.range(0)));
    system.setSpawnPoint(sf::Vector2f(300.f, 200.f));
    system.update(sf::seconds(1.f));
    for (auto _ : state) {
        target.clear();
        target.draw(system);
        target.display();
    }
    setParticlesProcessed(state);
}

void sizes(benchmark::internal::Benchmark* benchmark)
{
    for (const long count : {1000L, 10000L, 100000L, 1000000L})
        benchmark->Arg(count);
}

BENCHMARK_TEMPLATE(steadyUpdates, ParticleSystem)->Name("update")->Apply(sizes);
BENCHMARK_TEMPLATE(steadyUpdates, ReferenceFountain)->Name("reference")->Apply(sizes);
BENCHMARK(memoryFloor)->Apply(sizes);
BENCHMARK(draw)->Arg(1000)->Arg(100000)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
