#pragma once
// Pages for the benchmarks, built once per size and kept for the whole run.

#include "platform/ink/ink_model.h"
#include "bench/ink_model/random_page.h"

#include <map>
#include <memory>
#include <random>

struct BenchPage {
    std::vector<std::vector<InkPacket>> packets;
    InkDisp ink;
};

// Pen steps: handwriting keeps a stroke about the size of a letter (steps of
// 2 to 14 units, some 880 units of travel); the stress page takes steps of
// 15 to 120 units, so that its strokes run across a tenth of the page and a
// page of 10,000 is solid ink many times over.
enum class Steps { Handwriting = 0, Stress = 1 };

inline BenchPage& benchPage(int strokes, Steps steps)
{
    static std::map<std::pair<int, Steps>, std::unique_ptr<BenchPage>> pages;
    auto& page = pages[{strokes, steps}];
    if (!page) {
        page = std::make_unique<BenchPage>();
        RandomPageSpec spec;
        spec.strokes = strokes;
        spec.seed = 20240501u + unsigned(strokes);
        if (steps == Steps::Handwriting) {
            spec.minStep = 2.0;
            spec.maxStep = 14.0;
        }
        page->packets = randomWalkStrokes(spec);
        fillInk(page->ink, page->packets);
    }
    return *page;
}

// Changes the ink without touching the page (a dot far off it comes or
// goes), so that nothing computed for the previous revision is reused.
inline void touchInk(InkDisp& ink)
{
    static std::map<InkDisp*, InkStrokeDisp> dots;
    InkStrokeDisp& dot = dots[&ink];
    if (dot.isNull()) {
        dot = ink.CreateStroke({InkPacket{-1000000, -1000000, 512}}, InkDrawingAttributes());
    } else {
        ink.DeleteStroke(dot);
        dot = InkStrokeDisp();
    }
}

// Query points spread over the page, the same for every approach.
inline std::vector<std::pair<int32_t, int32_t>> queryPoints(size_t count)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> x(0, RandomPageSpec().width);
    std::uniform_int_distribution<int32_t> y(0, RandomPageSpec().height);
    std::vector<std::pair<int32_t, int32_t>> points(count);
    for (auto& p : points)
        p = {x(rng), y(rng)};
    return points;
}
