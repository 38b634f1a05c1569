#include "app/ink/eraser_reach.h"

#include "platform/ink/ink_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

struct Vec {
    double x = 0.0;
    double y = 0.0;
};

Vec toVec(InkPoint p)
{
    return {static_cast<double>(p.x), static_cast<double>(p.y)};
}

Vec toVec(const InkPacket& p)
{
    return {static_cast<double>(p.x), static_cast<double>(p.y)};
}

// Distance from p to the segment a-b (a point when a == b).
double distanceToSegment(Vec p, Vec a, Vec b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = 0.0;
    if (len2 > 0.0)
        t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    // Differences of int32 coordinates: their squares stay far inside a
    // double's range, so the plain root serves (hypot costs several times).
    const double ex = p.x - (a.x + t * dx);
    const double ey = p.y - (a.y + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

// The least distance between the segments p0-p1 and from-to: none where they
// meet (tested exactly), else from an end point of one to the other.
double segmentDistance(const InkPacket& p0, const InkPacket& p1, Vec from, Vec to)
{
    const InkPacket a[2] = {p0, p1};
    const InkPacket b[2] = {InkPacket{int32_t(from.x), int32_t(from.y), 0}, InkPacket{int32_t(to.x), int32_t(to.y), 0}};
    long double found[2];
    if (ink_geometry::segmentMeetingFractions(a, 0, b, 0, found) > 0)
        return 0.0;
    const Vec s = toVec(p0);
    const Vec e = toVec(p1);
    return std::min({distanceToSegment(s, from, to), distanceToSegment(e, from, to), distanceToSegment(from, s, e),
                     distanceToSegment(to, s, e)});
}

// The stroke's segment p0-p1 against the eraser's path: the smallest gap
// between the path and the edge drawn along the segment. The gap is the
// distance from a point of the segment to the path (convex along it) less the
// half width there (linear along it), so it is convex, and a golden-section
// search finds its least value.
double smallestGap(const InkPacket& p0, const InkPacket& p1, const InkDrawingAttributes& attributes, Vec from,
                   Vec to)
{
    const Vec a = toVec(p0);
    const Vec b = toVec(p1);
    const double h0 = attributes.drawnWidthAt(p0.pressure) / 2.0;
    const double h1 = attributes.drawnWidthAt(p1.pressure) / 2.0;
    // The same width all along (the mouse, a pen ignoring pressure): the
    // least gap is the segments' own distance less it, found directly.
    if (h0 == h1)
        return segmentDistance(p0, p1, from, to) - h0;
    auto gap = [&](double t) {
        const Vec at{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
        return distanceToSegment(at, from, to) - (h0 + (h1 - h0) * t);
    };
    double best = std::min(gap(0.0), gap(1.0));
    if (a.x == b.x && a.y == b.y)
        return best;
    constexpr double kInvPhi = 0.6180339887498949;
    double lo = 0.0;
    double hi = 1.0;
    double m1 = hi - kInvPhi * (hi - lo);
    double m2 = lo + kInvPhi * (hi - lo);
    double g1 = gap(m1);
    double g2 = gap(m2);
    for (int i = 0; i < 60; ++i) {
        if (g1 <= g2) {
            hi = m2;
            m2 = m1;
            g2 = g1;
            m1 = hi - kInvPhi * (hi - lo);
            g1 = gap(m1);
        } else {
            lo = m1;
            m1 = m2;
            g1 = g2;
            m2 = lo + kInvPhi * (hi - lo);
            g2 = gap(m2);
        }
    }
    return std::min({best, g1, g2});
}

}  // namespace

bool edgeNearSegment(std::span<const InkPacket> packets, const InkDrawingAttributes& attributes, InkPoint from,
                     InkPoint to, double radius)
{
    if (packets.empty())
        return false;
    const Vec f = toVec(from);
    const Vec t = toVec(to);
    // Segments whose widened bounds stay clear of the path's are skipped.
    const double reach = radius + attributes.maxDrawnWidth() / 2.0 + 1.0;
    const double left = std::min(f.x, t.x) - reach;
    const double right = std::max(f.x, t.x) + reach;
    const double top = std::min(f.y, t.y) - reach;
    const double bottom = std::max(f.y, t.y) + reach;
    const size_t n = packets.size();
    const size_t segments = n < 2 ? 1 : n - 1;
    for (size_t k = 0; k < segments; ++k) {
        const InkPacket& p0 = packets[k];
        const InkPacket& p1 = packets[std::min(k + 1, n - 1)];
        if (std::max(p0.x, p1.x) < left || std::min(p0.x, p1.x) > right || std::max(p0.y, p1.y) < top ||
            std::min(p0.y, p1.y) > bottom)
            continue;
        if (smallestGap(p0, p1, attributes, f, t) <= radius)
            return true;
    }
    return false;
}

InkStrokes strokesNearSegment(const InkDisp& ink, InkPoint from, InkPoint to, float radius)
{
    if (!std::isfinite(radius) || radius < 0.0f)
        throw PlatformError(PlatformErrorCode::InvalidArgument,
                            "The eraser's radius must be a finite number, 0 or more");
    const int32_t reach = static_cast<int32_t>(std::ceil(radius)) + 1;
    auto grow = [reach](int32_t v, int32_t by) {
        return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} + by, INT32_MIN, INT32_MAX));
    };
    const InkRectangle area{grow(std::min(from.y, to.y), -reach), grow(std::min(from.x, to.x), -reach),
                            grow(std::max(from.y, to.y), reach), grow(std::max(from.x, to.x), reach)};
    InkStrokes hits;
    for (const InkStrokeDisp& stroke : ink.strokesIn(area)) {
        const std::vector<InkPacket> packets = stroke.packets();
        if (edgeNearSegment(packets, stroke.DrawingAttributes(), from, to, radius))
            hits.Add(stroke);
    }
    return hits;
}
