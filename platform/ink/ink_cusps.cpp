// Cusps: points where a stroke turns sharply.
//
// The turn at a point is measured between the directions to the points an
// arc span s before and after it, with s derived from the stroke's own
// proportions (length, point count, bounding box), so the result does not
// change when the stroke is scaled. A run of neighbouring points that all turn
// sharply yields one cusp, the point of greatest turn.

#include "platform/ink/ink_geometry.h"

#include <algorithm>
#include <cmath>

namespace ink_geometry {

namespace {
constexpr double kCuspTurn = 0.80;  // 1 - cos(turn) above this: about 78.5 degrees
}

std::vector<int32_t> polylineCusps(Packets packets)
{
    const size_t total = packets.size();
    if (total == 0)
        return {};
    if (total == 1)
        return {0};

    // Consecutive duplicates carry no direction; keep the first of each run.
    std::vector<uint32_t> distinct;
    distinct.reserve(total);
    distinct.push_back(0);
    for (size_t i = 1; i < total; ++i) {
        const InkPacket& prev = packets[distinct.back()];
        if (packets[i].x != prev.x || packets[i].y != prev.y)
            distinct.push_back(static_cast<uint32_t>(i));
    }

    std::vector<int32_t> cusps{0};
    const size_t n = distinct.size();
    if (n >= 3) {
        auto at = [&](size_t i) -> const InkPacket& { return packets[distinct[i]]; };
        std::vector<double> arc(n, 0.0);
        for (size_t i = 1; i < n; ++i)
            arc[i] = arc[i - 1] + std::hypot(static_cast<double>(int64_t{at(i).x} - at(i - 1).x),
                                             static_cast<double>(int64_t{at(i).y} - at(i - 1).y));
        const InkRectangle box = boundsOf(packets);
        const double halfPerimeter = static_cast<double>(int64_t{box.Right} - box.Left) +
                                     static_cast<double>(int64_t{box.Bottom} - box.Top);
        const double length = arc[n - 1];
        const double span = std::max(1.0, 0.75 * length * length / (static_cast<double>(n) * halfPerimeter));

        size_t lastCusp = 0;
        size_t before = 0;
        size_t after = 1;
        bool inRun = false;
        size_t best = 0;
        double bestTurn = 0.0;
        for (size_t i = 1; i + 1 < n; ++i) {
            while (before + 1 < i && arc[i] - arc[before + 1] >= span)
                ++before;
            after = std::max(after, i + 1);
            while (after + 1 < n && arc[after] - arc[i] < span)
                ++after;
            const size_t from = std::max(before, lastCusp);
            const double ux = static_cast<double>(int64_t{at(i).x} - at(from).x);
            const double uy = static_cast<double>(int64_t{at(i).y} - at(from).y);
            const double vx = static_cast<double>(int64_t{at(after).x} - at(i).x);
            const double vy = static_cast<double>(int64_t{at(after).y} - at(i).y);
            const double norms = std::hypot(ux, uy) * std::hypot(vx, vy);
            const double turn = norms > 0.0 ? 1.0 - (ux * vx + uy * vy) / norms : 0.0;
            if (turn > kCuspTurn) {
                if (!inRun || turn > bestTurn) {
                    best = i;
                    bestTurn = turn;
                }
                inRun = true;
            } else if (inRun) {
                cusps.push_back(static_cast<int32_t>(distinct[best]));
                lastCusp = best;
                inRun = false;
            }
        }
        if (inRun)
            cusps.push_back(static_cast<int32_t>(distinct[best]));
    }
    cusps.push_back(static_cast<int32_t>(total - 1));
    return cusps;
}

}  // namespace ink_geometry
