// Speed of the particle update against the plain reference loop and against a pass that only
// reads and writes the same memory, at several sizes; and of drawing, where a display exists.
// Prints Google Benchmark's table, then a summary in nanoseconds per particle with the ratios.

#include "ParticleSystem.hpp"
#include "ReferenceFountain.hpp"

#include <SFML/Graphics/RenderTexture.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

const sf::Time frame = sf::milliseconds(16);

void moveSpawnPoint(ParticleSystem& system, sf::Vector2f position)
{
    system.setSpawnPoint(position);
}

void moveSpawnPoint(ReferenceFountain& fountain, sf::Vector2f position)
{
    fountain.spawnPoint = position;
}

void setParticlesProcessed(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
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
    if (!target.create(600, 400)) {
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

// Keeps the console table and notes nanoseconds per particle of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    SummaryReporter()
        : ConsoleReporter(OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0)
                continue;
            const std::string name = run.benchmark_name();
            const std::size_t slash = name.find('/');
            const long count = std::stol(name.substr(slash + 1));
            const double seconds = run.real_accumulated_time;
            perParticle[name.substr(0, slash)][count] =
                seconds * 1e9 / static_cast<double>(run.iterations) / static_cast<double>(count);
        }
    }

    void printSummary() const
    {
        std::printf("\nns per particle      update  reference   floor     reference/update  update/floor\n");
        for (const long count : {1000L, 10000L, 100000L, 1000000L}) {
            const double fast = value("update", count);
            const double plain = value("reference", count);
            const double floor = value("memoryFloor", count);
            std::printf("%-18ld %8.3f %10.3f %8.3f %18.2fx %12.2fx\n", count, fast, plain, floor, plain / fast,
                        fast / floor);
        }
        for (const long count : {1000L, 100000L})
            if (const double drawing = value("draw", count); drawing > 0)
                std::printf("draw %-13ld %8.3f ns per particle (off-screen, clear + draw + display)\n", count, drawing);
    }

private:
    double value(const std::string& benchmark, long count) const
    {
        const auto found = perParticle.find(benchmark);
        if (found == perParticle.end() || found->second.count(count) == 0)
            return 0;
        return found->second.at(count);
    }

    std::map<std::string, std::map<long, double>> perParticle;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    return 0;
}
