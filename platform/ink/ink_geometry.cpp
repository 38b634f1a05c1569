// Bounds, chunks, interpolation and the nearest point of a stroke.

#include "platform/ink/ink_geometry.h"
#include "platform/ink/int128_math.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ink_geometry {

SegmentRange chunkSegments(size_t pointCount, int32_t chunk)
{
    const size_t first = static_cast<size_t>(chunk) * kChunkSegments;
    if (pointCount < 2)
        return {first, first + 1};
    return {first, std::min(first + kChunkSegments, pointCount - 1)};
}

InkRectangle boundsOf(Packets packets, size_t first, size_t last)
{
    if (packets.empty() || first > last)
        return InkRectangle{0, 0, -1, -1};
    InkRectangle r{packets[first].y, packets[first].x, packets[first].y, packets[first].x};
    for (size_t i = first + 1; i <= last; ++i) {
        const InkPacket& p = packets[i];
        r.Left = std::min(r.Left, p.x);
        r.Right = std::max(r.Right, p.x);
        r.Top = std::min(r.Top, p.y);
        r.Bottom = std::max(r.Bottom, p.y);
    }
    return r;
}

InkRectangle boundsOf(Packets packets)
{
    return packets.empty() ? InkRectangle{0, 0, -1, -1} : boundsOf(packets, 0, packets.size() - 1);
}

namespace {
int32_t saturated(double v)
{
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(v, lo, hi));
}
}  // namespace

InkRectangle grown(const InkRectangle& rect, double margin)
{
    if (rect.isEmpty())
        return rect;
    const double m = std::ceil(std::max(margin, 0.0));
    return InkRectangle{saturated(rect.Top - m), saturated(rect.Left - m), saturated(rect.Bottom + m),
                        saturated(rect.Right + m)};
}

InkRectangle united(const InkRectangle& a, const InkRectangle& b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return InkRectangle{std::min(a.Top, b.Top), std::min(a.Left, b.Left), std::max(a.Bottom, b.Bottom),
                        std::max(a.Right, b.Right)};
}

std::vector<InkRectangle> chunkBoxes(Packets packets, double margin)
{
    return runBoxes(packets, static_cast<size_t>(kChunkSegments), margin);
}

std::vector<InkRectangle> runBoxes(Packets packets, size_t segments, double margin)
{
    std::vector<InkRectangle> boxes;
    if (packets.empty() || segments == 0)
        return boxes;
    const size_t count = packets.size() < 2 ? 1 : packets.size() - 1;
    boxes.reserve((count + segments - 1) / segments);
    for (size_t first = 0; first < count; first += segments) {
        const size_t end = std::min(first + segments, count);
        boxes.push_back(grown(boundsOf(packets, first, segmentEnd(packets.size(), end - 1)), margin));
    }
    return boxes;
}

InkPacket packetAt(Packets packets, double index)
{
    const double whole = std::floor(index);
    const size_t k = static_cast<size_t>(whole);
    const double t = index - whole;
    if (t == 0.0 || k + 1 >= packets.size())
        return packets[k];
    const InkPacket& a = packets[k];
    const InkPacket& b = packets[k + 1];
    // Floor keeps every coordinate a whole number between the two packets'.
    auto lerp = [t](int32_t v0, int32_t v1) {
        const double step = std::floor(static_cast<double>(int64_t{v1} - v0) * t);
        return static_cast<int32_t>(v0 + static_cast<int64_t>(step));
    };
    return InkPacket{lerp(a.x, b.x), lerp(a.y, b.y), lerp(a.pressure, b.pressure)};
}

void NearestSearch::addSegments(Packets packets, size_t first, size_t end)
{
    const size_t n = packets.size();
    for (size_t k = first; k < end; ++k) {
        const InkPacket& p0 = packets[k];
        const InkPacket& p1 = packets[segmentEnd(n, k)];
        const int64_t dx = int64_t{p1.x} - p0.x;
        const int64_t dy = int64_t{p1.y} - p0.y;
        const int64_t vx = m_x - p0.x;
        const int64_t vy = m_y - p0.y;
        const Int128 len2 = mul(dx, dx) + mul(dy, dy);
        const Int128 dot = mul(vx, dx) + mul(vy, dy);
        Int128 num = 0;
        Int128 den = 1;
        long double dist2;
        if (len2 == 0 || dot <= 0) {
            dist2 = static_cast<long double>(mul(vx, vx) + mul(vy, vy));
        } else if (dot >= len2) {
            const int64_t wx = m_x - p1.x;
            const int64_t wy = m_y - p1.y;
            num = 1;
            dist2 = static_cast<long double>(mul(wx, wx) + mul(wy, wy));
        } else {
            const long double cross = static_cast<long double>(mul(dx, vy) - mul(dy, vx));
            num = dot;
            den = len2;
            dist2 = cross * cross / static_cast<long double>(len2);
        }
        if (m_segment < 0 || dist2 < m_dist2) {
            m_segment = static_cast<int64_t>(k);
            m_num = num;
            m_den = den;
            m_dist2 = dist2;
        }
    }
}

float NearestSearch::index() const
{
    if (m_num == 0)
        return static_cast<float>(m_segment);
    if (m_num == m_den)
        return static_cast<float>(m_segment + 1);
    return static_cast<float>(static_cast<long double>(m_segment) +
                              static_cast<long double>(m_num) / static_cast<long double>(m_den));
}

double NearestSearch::edgeDistance(Packets packets, const InkDrawingAttributes& attributes) const
{
    const size_t k = static_cast<size_t>(m_segment);
    const InkPacket& p0 = packets[k];
    const InkPacket& p1 = packets[segmentEnd(packets.size(), k)];
    const double t = static_cast<double>(static_cast<long double>(m_num) / static_cast<long double>(m_den));
    const double pressure = p0.pressure + t * (static_cast<double>(p1.pressure) - p0.pressure);
    const double centre = static_cast<double>(std::sqrt(m_dist2));
    return std::max(0.0, centre - attributes.drawnWidthAt(pressure) / 2.0);
}

void normalizeIndices(std::vector<float>& indices)
{
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
}

}  // namespace ink_geometry
