// Where two strokes meet: exact segment tests on 128-bit integers.
//
// Segments are closed, so touching counts. A meeting's place on segment k is
// the exact fraction num / den, turned into the float index k + num / den once.

#include "platform/ink/ink_geometry.h"
#include "platform/ink/int128_math.h"

#include <algorithm>

namespace ink_geometry {

namespace {

struct Vec {
    int64_t x;
    int64_t y;
};
Vec operator-(const InkPacket& a, const InkPacket& b) { return {int64_t{a.x} - b.x, int64_t{a.y} - b.y}; }
Int128 cross(Vec a, Vec b) { return mul(a.x, b.y) - mul(a.y, b.x); }
Int128 dot(Vec a, Vec b) { return mul(a.x, b.x) + mul(a.y, b.y); }

bool onSegment(const InkPacket& p, const InkPacket& a, const InkPacket& b)
{
    const Vec d = b - a;
    const Vec v = p - a;
    if (cross(d, v) != 0)
        return false;
    const Int128 along = dot(v, d);
    return along >= 0 && along <= dot(d, d);
}

// The fraction num / den (0 <= num <= den, den > 0), exactly as an index
// is made of it.
long double fraction(Int128 num, Int128 den)
{
    if (num == 0)
        return 0.0L;
    if (num == den)
        return 1.0L;
    return static_cast<long double>(num) / static_cast<long double>(den);
}

}  // namespace

int segmentMeetingFractions(Packets a, size_t k, Packets b, size_t j, long double out[2])
{
    const InkPacket& p0 = a[k];
    const InkPacket& p1 = a[segmentEnd(a.size(), k)];
    const InkPacket& q0 = b[j];
    const InkPacket& q1 = b[segmentEnd(b.size(), j)];
    const Vec d = p1 - p0;
    const Vec e = q1 - q0;

    if (d.x == 0 && d.y == 0) {
        if (!onSegment(p0, q0, q1))
            return 0;
        out[0] = 0.0L;
        return 1;
    }
    const Int128 len2 = dot(d, d);
    if (e.x == 0 && e.y == 0) {
        if (!onSegment(q0, p0, p1))
            return 0;
        out[0] = fraction(dot(q0 - p0, d), len2);
        return 1;
    }
    const int o1 = sign(cross(d, q0 - p0));
    const int o2 = sign(cross(d, q1 - p0));
    if (o1 == 0 && o2 == 0) {
        // Collinear: the overlap's two ends, projected on this segment.
        const Int128 s0 = dot(q0 - p0, d);
        const Int128 s1 = dot(q1 - p0, d);
        const Int128 lo = std::max<Int128>(std::min(s0, s1), 0);
        const Int128 hi = std::min<Int128>(std::max(s0, s1), len2);
        if (lo > hi)
            return 0;
        out[0] = fraction(lo, len2);
        if (hi == lo)
            return 1;
        out[1] = fraction(hi, len2);
        return 2;
    }
    if (o1 * o2 > 0)
        return 0;
    const Int128 c3 = cross(e, p0 - q0);
    const Int128 c4 = cross(e, p1 - q0);
    if (sign(c3) * sign(c4) > 0)
        return 0;
    // The lines are not parallel here (o1 != o2), so c3 != c4.
    Int128 num = c3;
    Int128 den = c3 - c4;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    out[0] = fraction(num, den);
    return 1;
}

void segmentMeetings(Packets a, size_t k, Packets b, size_t j, int64_t lastIndex, std::vector<float>& out)
{
    long double found[2];
    const int n = segmentMeetingFractions(a, k, b, j, found);
    // An index at, or rounding to, an end point of the stroke is left out.
    for (int i = 0; i < n; ++i)
        if (const float index = meetingIndex(static_cast<int64_t>(k), found[i]);
            index > 0.0f && index < static_cast<float>(lastIndex))
            out.push_back(index);
}

std::vector<InkRectangle> segmentBoxes(Packets packets)
{
    std::vector<InkRectangle> boxes;
    if (packets.empty())
        return boxes;
    const size_t count = packets.size() < 2 ? 1 : packets.size() - 1;
    boxes.reserve(count);
    for (size_t k = 0; k < count; ++k)
        boxes.push_back(segmentBox(packets, k));
    return boxes;
}

void chunkMeetings(Packets a, int32_t ca, std::span<const InkRectangle> segBoxesA, const InkRectangle& boxA,
                   Packets b, int32_t cb, const InkRectangle& boxB, std::vector<float>& out)
{
    if (a.size() < 2 || b.empty())
        return;
    // Only segments reaching into the chunks' common box can meet.
    const InkRectangle common{std::max(boxA.Top, boxB.Top), std::max(boxA.Left, boxB.Left),
                              std::min(boxA.Bottom, boxB.Bottom), std::min(boxA.Right, boxB.Right)};
    if (common.isEmpty())
        return;
    size_t nearA[kChunkSegments];
    size_t na = 0;
    const SegmentRange ra = chunkSegments(a.size(), ca);
    for (size_t k = ra.first; k < ra.end; ++k)
        if (meets(segBoxesA[k], common))
            nearA[na++] = k;
    if (na == 0)
        return;
    const int64_t lastIndex = static_cast<int64_t>(a.size()) - 1;
    const SegmentRange rb = chunkSegments(b.size(), cb);
    for (size_t j = rb.first; j < rb.end; ++j) {
        const InkRectangle box = segmentBox(b, j);
        if (!meets(box, common))
            continue;
        for (size_t i = 0; i < na; ++i)
            if (meets(segBoxesA[nearA[i]], box))
                segmentMeetings(a, nearA[i], b, j, lastIndex, out);
    }
}

void shapeOfChunk(Packets packets, int32_t chunk, ChunkShape& shape)
{
    const SegmentRange r = chunkSegments(packets.size(), chunk);
    shape.first = r.first;
    shape.count = r.end - r.first;
    InkRectangle box = segmentBox(packets, r.first);
    for (size_t i = 0; i < shape.count; ++i) {
        const InkRectangle& s = shape.segments[i] = segmentBox(packets, r.first + i);
        box.Left = std::min(box.Left, s.Left);
        box.Top = std::min(box.Top, s.Top);
        box.Right = std::max(box.Right, s.Right);
        box.Bottom = std::max(box.Bottom, s.Bottom);
    }
    shape.box = box;
}

void mutualChunkMeetings(Packets a, const ChunkShape& sa, Packets b, const ChunkShape& sb, std::vector<float>& outA,
                         std::vector<float>& outB)
{
    const InkRectangle common{std::max(sa.box.Top, sb.box.Top), std::max(sa.box.Left, sb.box.Left),
                              std::min(sa.box.Bottom, sb.box.Bottom), std::min(sa.box.Right, sb.box.Right)};
    if (common.isEmpty())
        return;
    size_t nearA[kChunkSegments];
    size_t countA = 0;
    for (size_t i = 0; i < sa.count; ++i)
        if (meets(sa.segments[i], common))
            nearA[countA++] = i;
    if (countA == 0)
        return;
    const int64_t lastA = static_cast<int64_t>(a.size()) - 1;
    const int64_t lastB = static_cast<int64_t>(b.size()) - 1;
    for (size_t j = 0; j < sb.count; ++j) {
        if (!meets(sb.segments[j], common))
            continue;
        for (size_t i = 0; i < countA; ++i) {
            if (!meets(sa.segments[nearA[i]], sb.segments[j]))
                continue;
            if (a.size() >= 2)
                segmentMeetings(a, sa.first + nearA[i], b, sb.first + j, lastA, outA);
            if (b.size() >= 2)
                segmentMeetings(b, sb.first + j, a, sa.first + nearA[i], lastB, outB);
        }
    }
}

}  // namespace ink_geometry
