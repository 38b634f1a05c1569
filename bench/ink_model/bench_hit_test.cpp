// HitTestCircle through the index, against testing every stroke.

#include "bench_page.h"
#include "plain_queries.h"

#include <benchmark/benchmark.h>

namespace {
constexpr float kEraserRadius = 30.0f;

void BM_HitTestCircle_Index(benchmark::State& state)
{
    BenchPage& page = benchPage(int(state.range(0)), Steps(state.range(1)));
    const auto points = queryPoints(4096);
    size_t i = 0;
    size_t hits = 0;
    for (auto _ : state) {
        const auto& [x, y] = points[i++ % points.size()];
        const InkStrokes found = page.ink.HitTestCircle(x, y, kEraserRadius);
        hits += size_t(found.Count());
        benchmark::DoNotOptimize(found);
    }
    state.counters["hits/query"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_HitTestCircle_Index)->ArgsProduct({{10000}, {0, 1}})->ArgNames({"strokes", "stress"})->Unit(benchmark::kMicrosecond);

void BM_HitTestCircle_EveryStroke(benchmark::State& state)
{
    BenchPage& page = benchPage(int(state.range(0)), Steps(state.range(1)));
    const InkStrokes strokes = page.ink.Strokes();
    const auto points = queryPoints(4096);
    size_t i = 0;
    size_t hits = 0;
    for (auto _ : state) {
        const auto& [x, y] = points[i++ % points.size()];
        hits += hitEveryStroke(strokes, x, y, kEraserRadius);
    }
    state.counters["hits/query"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_HitTestCircle_EveryStroke)->ArgsProduct({{10000}, {0, 1}})->ArgNames({"strokes", "stress"})->Unit(benchmark::kMicrosecond);

void BM_HitTestCircle_BoundsFirst(benchmark::State& state)
{
    BenchPage& page = benchPage(int(state.range(0)), Steps(state.range(1)));
    const InkStrokes strokes = page.ink.Strokes();
    std::vector<InkRectangle> drawn;
    for (const InkStrokeDisp& s : strokes)
        drawn.push_back(s.drawnBounds());
    const auto points = queryPoints(4096);
    size_t i = 0;
    size_t hits = 0;
    for (auto _ : state) {
        const auto& [x, y] = points[i++ % points.size()];
        hits += hitBoundsFirst(strokes, drawn, x, y, kEraserRadius);
    }
    state.counters["hits/query"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_HitTestCircle_BoundsFirst)->ArgsProduct({{10000}, {0, 1}})->ArgNames({"strokes", "stress"})->Unit(benchmark::kMicrosecond);
}  // namespace
