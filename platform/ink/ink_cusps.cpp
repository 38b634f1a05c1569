// Cusps: points where a stroke turns sharply.
//
// The turn is judged at the scale of the drawing, not of the sampling: at a
// point it is measured between the directions from the nearest earlier point
// at least an arm's length away and to the nearest later one. The arm (a few
// pixels, never less than the pen's half width) is long against the whole-
// pixel steps and the jitter of real input, so a slow mouse line or a
// wobbling pen gives no turn, and a corner needs arms that long on both
// sides. A run of neighbouring points that all turn sharply yields one cusp:
// the point of the run farthest from the chord between its arms' ends, which
// is the tip of a corner, a V or a hairpin.

#include "platform/ink/ink_geometry.h"

#include <algorithm>
#include <cmath>

namespace ink_geometry {

namespace {
constexpr double kCuspTurn = 0.5;  // 1 - cos(turn) above this: 60 degrees
constexpr double kInkPerPixel = 2540.0 / 96.0;
// A whole-pixel, +-1 px jittered line strays up to about 1.5 px from its
// course; over 7 px that tilts each arm by at most 23 degrees, so a
// straight line never turns by 60, while a corner drawn on purpose does.
constexpr double kArmPixels = 7.0;
constexpr double kSmoothPixels = 1.5;

struct Spot {
    double x = 0.0;
    double y = 0.0;
};

double distanceSquared(Spot a, Spot b)
{
    return (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
}

// Distance squared from p to the segment a-b (to a when they meet).
double distanceToChordSquared(Spot p, Spot a, Spot b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    const double t = len2 > 0.0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
    return distanceSquared(p, Spot{a.x + t * dx, a.y + t * dy});
}

// Each point averaged with its neighbours within reach along the stroke:
// jitter of a pixel or so mostly cancels, while moves farther apart than
// the reach are left as they are.
std::vector<Spot> smoothed(Packets packets, const std::vector<uint32_t>& distinct, double reach)
{
    const size_t n = distinct.size();
    // Relative to the first point, so that sums stay exact enough anywhere.
    const InkPacket& origin = packets[distinct[0]];
    std::vector<Spot> raw(n);
    std::vector<double> arc(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const InkPacket& p = packets[distinct[i]];
        raw[i] = Spot{static_cast<double>(int64_t{p.x} - origin.x), static_cast<double>(int64_t{p.y} - origin.y)};
        if (i > 0)
            arc[i] = arc[i - 1] + std::sqrt(distanceSquared(raw[i - 1], raw[i]));
    }
    std::vector<Spot> out(n);
    size_t lo = 0;
    size_t hi = 0;
    Spot sum;
    for (size_t i = 0; i < n; ++i) {
        while (hi < n && arc[hi] - arc[i] <= reach) {
            sum.x += raw[hi].x;
            sum.y += raw[hi].y;
            ++hi;
        }
        while (arc[i] - arc[lo] > reach) {
            sum.x -= raw[lo].x;
            sum.y -= raw[lo].y;
            ++lo;
        }
        const double count = static_cast<double>(hi - lo);
        out[i] = Spot{sum.x / count, sum.y / count};
    }
    return out;
}
}  // namespace

std::vector<int32_t> polylineCusps(Packets packets, double halfWidth)
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
    const std::vector<Spot> spots = smoothed(packets, distinct, kSmoothPixels * kInkPerPixel);
    auto at = [&](size_t i) { return spots[i]; };
    const double arm = std::max(kArmPixels * kInkPerPixel, std::isfinite(halfWidth) ? halfWidth : 0.0);
    const double arm2 = arm * arm;

    // Both arm ends only move forward, so the scan is linear in the points
    // whatever the stroke's shape; the earlier end never reaches back past
    // the latest cusp, so the turn after a cusp is measured from it on.
    size_t lastCusp = 0;
    size_t before = 0;
    size_t after = 1;
    bool inRun = false;
    size_t best = 0;
    double bestTurn = 0.0;
    size_t bestBefore = 0;
    size_t bestAfter = 0;
    // The tip: of the points between the best turn's arm ends, the one
    // farthest from their chord. It may lie past the run (a turn seen early
    // through jitter); the scan then goes on from it.
    auto closeRun = [&] {
        size_t tip = best;
        double tipDistance = -1.0;
        for (size_t k = bestBefore + 1; k < bestAfter; ++k) {
            const double d = distanceToChordSquared(at(k), at(bestBefore), at(bestAfter));
            if (d > tipDistance) {
                tip = k;
                tipDistance = d;
            }
        }
        cusps.push_back(static_cast<int32_t>(distinct[tip]));
        lastCusp = tip;
        inRun = false;
        return tip;
    };
    for (size_t i = 1; i + 1 < n; ++i) {
        before = std::max(before, lastCusp);
        while (before + 1 < i && distanceSquared(at(before + 1), at(i)) >= arm2)
            ++before;
        after = std::max(after, i + 1);
        while (after + 1 < n && distanceSquared(at(i), at(after)) < arm2)
            ++after;
        double turn = 0.0;
        if (distanceSquared(at(before), at(i)) >= arm2 && distanceSquared(at(i), at(after)) >= arm2) {
            const double ux = at(i).x - at(before).x;
            const double uy = at(i).y - at(before).y;
            const double vx = at(after).x - at(i).x;
            const double vy = at(after).y - at(i).y;
            turn = 1.0 - (ux * vx + uy * vy) / (std::hypot(ux, uy) * std::hypot(vx, vy));
        }
        if (turn > kCuspTurn) {
            if (!inRun || turn > bestTurn) {
                best = i;
                bestTurn = turn;
                bestBefore = before;
                bestAfter = after;
            }
            inRun = true;
        } else if (inRun) {
            i = std::max(i, closeRun());
        }
    }
    if (inRun)
        closeRun();
    cusps.push_back(static_cast<int32_t>(total - 1));
    return cusps;
}

}  // namespace ink_geometry
