// FindIntersections through the index, against all pairs of strokes with
// bounding-box rejection: one stroke against the page, and every stroke
// against all others (what the intersection markers ask at each repaint).

#include "bench_page.h"
#include "plain_queries.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FindIntersections_One_Index(benchmark::State& state)
{
    BenchPage& page = benchPage(int(state.range(0)), Steps(state.range(1)));
    const InkStrokes page0 = page.ink.Strokes();
    size_t i = 0;
    size_t found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        touchInk(page.ink);  // each query is the first at its revision, as the eraser's are
        const InkStrokes strokes = page.ink.Strokes();
        state.ResumeTiming();
        const InkStrokeDisp s = page0.Item(int32_t((i++ * 7919) % page.packets.size()));  // never the dot
        found += s.FindIntersections(strokes).size();
    }
    state.counters["crossings/stroke"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_FindIntersections_One_Index)->ArgsProduct({{10000}, {0, 1}})->ArgNames({"strokes", "stress"})->Unit(benchmark::kMicrosecond);

void BM_FindIntersections_One_AllPairs(benchmark::State& state)
{
    BenchPage& page = benchPage(int(state.range(0)), Steps(state.range(1)));
    const std::vector<InkRectangle> bounds = boundsOfAll(page.packets);
    size_t i = 0;
    size_t found = 0;
    for (auto _ : state)
        found += meetingsAllPairs(page.packets, bounds, (i++ * 7919) % page.packets.size()).size();
    state.counters["crossings/stroke"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_FindIntersections_One_AllPairs)->ArgsProduct({{10000}, {0, 1}})->ArgNames({"strokes", "stress"})->Unit(benchmark::kMicrosecond);

void BM_FindIntersections_Every_Index(benchmark::State& state)
{
    BenchPage& page = benchPage(int(state.range(0)), Steps(state.range(1)));
    size_t found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        touchInk(page.ink);  // a repaint after a change: nothing to reuse
        state.ResumeTiming();
        const InkStrokes strokes = page.ink.Strokes();  // as the marker pass reads it
        for (const InkStrokeDisp& s : strokes)
            found += s.FindIntersections(strokes).size();
    }
    state.counters["crossings"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_FindIntersections_Every_Index)->ArgsProduct({{5000}, {0, 1}})->ArgNames({"strokes", "stress"})->Unit(benchmark::kMillisecond);

void BM_FindIntersections_Every_AllPairs(benchmark::State& state)
{
    BenchPage& page = benchPage(int(state.range(0)), Steps(state.range(1)));
    const std::vector<InkRectangle> bounds = boundsOfAll(page.packets);
    size_t found = 0;
    for (auto _ : state)
        for (size_t s = 0; s < page.packets.size(); ++s)
            found += meetingsAllPairs(page.packets, bounds, s).size();
    state.counters["crossings"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_FindIntersections_Every_AllPairs)->ArgsProduct({{5000}, {0, 1}})->ArgNames({"strokes", "stress"})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
