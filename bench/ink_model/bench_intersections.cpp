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

// Every stroke's crossings on a page with more meetings than are kept:
// 50,000 horizontal strokes 40 pixels long on 200 rows, each lying along some
// 80 others (7 million meetings), the whole page swept once, on the clock
// (the sweep shares the grid's cells among threads).
void BM_FindIntersections_Every_Swept(benchmark::State& state)
{
    constexpr int32_t kPixel = 26;  // ink units, near enough
    size_t found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        InkDisp ink;
        InkDrawingAttributes pen;
        pen.SetWidth(53.0f);
        for (int s = 0; s < 50000; ++s) {
            const int32_t x = (20 + (s / 200) % 500) * kPixel;
            const int32_t y = (150 + s % 200) * kPixel;
            ink.CreateStroke({InkPacket{x, y, 512}, InkPacket{x + 40 * kPixel, y, 512}}, pen);
        }
        const InkStrokes strokes = ink.Strokes();
        state.ResumeTiming();
        for (const InkStrokeDisp& s : strokes)
            found += s.FindIntersections(strokes).size();
    }
    state.counters["crossings"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_FindIntersections_Every_Swept)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

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
