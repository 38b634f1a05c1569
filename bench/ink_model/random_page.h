#pragma once
// A synthetic page of handwriting-like ink: random-walk strokes that drift
// with a slowly turning heading, spread over a sheet. Shared by the
// benchmarks; plain C++.

#include "platform/ink/ink_model.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

struct RandomPageSpec {
    int strokes = 1000;
    int minPoints = 20;
    int maxPoints = 200;
    int width = 16000;  // ink units: a 621 x 398 pixel page at 26.458 units a pixel
    int height = 10500;
    double minStep = 15.0;
    double maxStep = 120.0;
    unsigned seed = 1;
};

inline std::vector<std::vector<InkPacket>> randomWalkStrokes(const RandomPageSpec& spec)
{
    std::mt19937 rng(spec.seed);
    auto uniform = [&rng](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    std::vector<std::vector<InkPacket>> strokes;
    strokes.reserve(static_cast<size_t>(spec.strokes));
    for (int s = 0; s < spec.strokes; ++s) {
        const int n = std::uniform_int_distribution<int>(spec.minPoints, spec.maxPoints)(rng);
        double x = uniform(0, spec.width);
        double y = uniform(0, spec.height);
        double heading = uniform(0, 2 * M_PI);
        double pressure = uniform(300, 700);
        std::vector<InkPacket> packets;
        packets.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            packets.push_back(InkPacket{static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)),
                                        static_cast<int32_t>(std::lround(pressure))});
            heading += uniform(-0.6, 0.6);
            const double step = uniform(spec.minStep, spec.maxStep);
            x = std::clamp(x + step * std::cos(heading), 0.0, double(spec.width));
            y = std::clamp(y + step * std::sin(heading), 0.0, double(spec.height));
            pressure = std::clamp(pressure + uniform(-40, 40), 0.0, double(kInkMaxPressure));
        }
        strokes.push_back(std::move(packets));
    }
    return strokes;
}

inline void fillInk(InkDisp& ink, const std::vector<std::vector<InkPacket>>& strokes, float width = 53.0f)
{
    InkDrawingAttributes pen;
    pen.SetWidth(width);
    for (const auto& packets : strokes)
        ink.CreateStroke(packets, pen);
}
