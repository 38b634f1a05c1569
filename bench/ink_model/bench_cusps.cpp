// PolylineCusps on input shaped like real pens: how often a sampled straight
// pen line gives exactly its two end points, and what a cusp list costs.

#include "platform/ink/ink_geometry.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {
constexpr double kInkPerPixel = 2540.0 / 96.0;

// A pen line 200 px long in a seeded direction: a point every 0.25 px, each
// coordinate off by uniform noise of up to maxNoise px.
std::vector<InkPacket> penLine(unsigned seed, double maxNoise)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> heading(0.0, 2.0 * M_PI);
    std::uniform_real_distribution<double> noise(-maxNoise, maxNoise);
    const double a = heading(rng);
    std::vector<InkPacket> line;
    for (int i = 0; i <= 800; ++i) {
        const double x = 300 + i * 0.25 * std::cos(a) + noise(rng);
        const double y = 200 + i * 0.25 * std::sin(a) + noise(rng);
        line.push_back(InkPacket{int32_t(std::lround(x * kInkPerPixel)), int32_t(std::lround(y * kInkPerPixel)),
                                 kInkMousePressure});
    }
    return line;
}

// 1,000 lines, seeds 1 to 1000; noise in hundredths of a pixel.
void BM_Cusps_SampledPenLines(benchmark::State& state)
{
    std::vector<std::vector<InkPacket>> lines;
    for (unsigned seed = 1; seed <= 1000; ++seed)
        lines.push_back(penLine(seed, double(state.range(0)) / 100.0));
    int exactlyTwo = 0;
    for (auto _ : state) {
        exactlyTwo = 0;
        for (const auto& line : lines)
            exactlyTwo += ink_geometry::polylineCusps(line).size() == 2;
    }
    state.counters["exactly 2 (%)"] = exactlyTwo / 10.0;
}
BENCHMARK(BM_Cusps_SampledPenLines)->Arg(10)->Arg(20)->Arg(30)->Arg(50)->ArgName("noise_cpx")->Unit(benchmark::kMillisecond);

// Pathological strokes of 100,000 points: scribbled at random inside 4 px,
// and a zigzag at 45 degrees with a corner every 8 points (11 px).
void BM_Cusps_Pathological(benchmark::State& state)
{
    std::vector<InkPacket> stroke;
    std::mt19937 rng(5);
    for (int i = 0; i < 100000; ++i) {
        if (state.range(0) == 0)
            stroke.push_back(InkPacket{int32_t(rng() % 106), int32_t(rng() % 106), kInkMousePressure});
        else
            stroke.push_back(InkPacket{i * 26, (i / 8) % 2 == 0 ? (i % 8) * 26 : (8 - i % 8) * 26, kInkMousePressure});
    }
    size_t cusps = 0;
    for (auto _ : state)
        cusps = ink_geometry::polylineCusps(stroke).size();
    state.counters["cusps"] = double(cusps);
}
BENCHMARK(BM_Cusps_Pathological)->Arg(0)->Arg(1)->ArgName("zigzag")->Unit(benchmark::kMillisecond);
}  // namespace
