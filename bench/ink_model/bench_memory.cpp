// Memory of a page of 10,000 strokes of 100 packets: what the ink says it
// holds, and what the process's resident size grows by.

#include "platform/ink/ink_model.h"
#include "bench/ink_model/random_page.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <unistd.h>

namespace {
double residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long total = 0;
    long resident = 0;
    statm >> total >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

void BM_Memory_Page(benchmark::State& state)
{
    RandomPageSpec spec;
    spec.strokes = int(state.range(0));
    spec.minPoints = spec.maxPoints = int(state.range(1));
    if (state.range(2) == 0) {  // handwriting steps, as bench_page.h
        spec.minStep = 2.0;
        spec.maxStep = 14.0;
    }
    const auto page = randomWalkStrokes(spec);
    InkDisp::MemoryUse use;
    double grown = 0;
    for (auto _ : state) {
        const double before = residentBytes();
        InkDisp ink;
        fillInk(ink, page);
        grown = residentBytes() - before;
        use = ink.memoryUse();
        benchmark::DoNotOptimize(use);
    }
    state.counters["packets"] = double(use.packets);
    state.counters["bytes/packet"] = double(use.bytes) / double(use.packets);
    state.counters["held_MB"] = double(use.bytes) / 1e6;
    state.counters["resident_growth_MB"] = grown / 1e6;
    state.counters["resident_growth_bytes/packet"] = grown / double(use.packets);
}
BENCHMARK(BM_Memory_Page)->Args({10000, 100, 0})->Args({5000, 200, 0})->Args({10000, 100, 1})->ArgNames({"strokes", "packets", "stress"})->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace
