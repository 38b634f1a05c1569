// Where two strokes meet: exact segment tests on 128-bit integers.
//
// Segments are closed, so touching counts. A meeting's place on segment k is
// the exact fraction num / den, turned into the float index k + num / den once.

#include "platform/ink/ink_geometry.h"
#include "platform/ink/int128_math.h"

#include <algorithm>
#include <limits>

namespace ink_geometry {

namespace {

struct Vec {
    int64_t x;
    int64_t y;
};
Vec operator-(const InkPacket& a, const InkPacket& b) { return {int64_t{a.x} - b.x, int64_t{a.y} - b.y}; }

// Products exact in T: 128 bits in general; 64 bits when every coordinate
// lies within +-2^30 (differences within 2^31, a sum of two products within
// 2^63), as all ink a hand draws does. The same exact values either way, so
// the same fractions, in half the work.
template <class T>
T product(int64_t a, int64_t b)
{
    if constexpr (sizeof(T) == sizeof(int64_t))
        return a * b;
    else
        return mul(a, b);
}
template <class T>
T cross(Vec a, Vec b)
{
    return product<T>(a.x, b.y) - product<T>(a.y, b.x);
}
template <class T>
T dot(Vec a, Vec b)
{
    return product<T>(a.x, b.x) + product<T>(a.y, b.y);
}
template <class T>
int signOf(T v)
{
    return (v > 0) - (v < 0);
}

bool fitsSmall(const InkPacket& p)
{
    constexpr int32_t kSmall = int32_t{1} << 30;
    return p.x > -kSmall && p.x < kSmall && p.y > -kSmall && p.y < kSmall;
}

template <class T>
bool onSegment(const InkPacket& p, const InkPacket& a, const InkPacket& b)
{
    const Vec d = b - a;
    const Vec v = p - a;
    if (cross<T>(d, v) != 0)
        return false;
    const T along = dot<T>(v, d);
    return along >= 0 && along <= dot<T>(d, d);
}

// The fraction num / den (0 <= num <= den, den > 0), exactly as an index
// is made of it.
template <class T>
long double fraction(T num, T den)
{
    if (num == 0)
        return 0.0L;
    if (num == den)
        return 1.0L;
    // Both convert exactly either way; from 64 bits the processor does it.
    if constexpr (sizeof(T) > sizeof(int64_t)) {
        if (den > std::numeric_limits<int64_t>::max())
            return static_cast<long double>(num) / static_cast<long double>(den);
    }
    return static_cast<long double>(static_cast<int64_t>(num)) / static_cast<long double>(static_cast<int64_t>(den));
}

// The ends of a collinear overlap, projected on a segment of squared
// length len2 whose start the other's ends project to s0 and s1.
template <class T>
int overlapFractions(T s0, T s1, T len2, long double out[2])
{
    const T lo = std::max<T>(std::min(s0, s1), 0);
    const T hi = std::min<T>(std::max(s0, s1), len2);
    if (lo > hi)
        return 0;
    out[0] = fraction<T>(lo, len2);
    if (hi == lo)
        return 1;
    out[1] = fraction<T>(hi, len2);
    return 2;
}

// Where two lines that are not parallel cross: num / den of the way along.
template <class T>
long double crossingFraction(T num, T den)
{
    return den < 0 ? fraction<T>(-num, -den) : fraction<T>(num, den);
}

// The indices of meetings on segment k, but those at, or rounding to, an
// end point of the stroke (lastIndex its last point).
void keepIndices(size_t k, const long double* found, int n, int64_t lastIndex, std::vector<float>& out)
{
    for (int i = 0; i < n; ++i)
        if (const float index = meetingIndex(static_cast<int64_t>(k), found[i]);
            index > 0.0f && index < static_cast<float>(lastIndex))
            out.push_back(index);
}

template <class T>
int fractionsOn(const InkPacket& p0, const InkPacket& p1, const InkPacket& q0, const InkPacket& q1, long double out[2])
{
    const Vec d = p1 - p0;
    const Vec e = q1 - q0;

    if (d.x == 0 && d.y == 0) {
        if (!onSegment<T>(p0, q0, q1))
            return 0;
        out[0] = 0.0L;
        return 1;
    }
    const T len2 = dot<T>(d, d);
    if (e.x == 0 && e.y == 0) {
        if (!onSegment<T>(q0, p0, p1))
            return 0;
        out[0] = fraction<T>(dot<T>(q0 - p0, d), len2);
        return 1;
    }
    const int o1 = signOf(cross<T>(d, q0 - p0));
    const int o2 = signOf(cross<T>(d, q1 - p0));
    if (o1 == 0 && o2 == 0) {
        // Collinear: the overlap's two ends, projected on this segment.
        return overlapFractions<T>(dot<T>(q0 - p0, d), dot<T>(q1 - p0, d), len2, out);
    }
    if (o1 * o2 > 0)
        return 0;
    const T c3 = cross<T>(e, p0 - q0);
    const T c4 = cross<T>(e, p1 - q0);
    if (signOf(c3) * signOf(c4) > 0)
        return 0;
    // The lines are not parallel here (o1 != o2), so c3 != c4.
    out[0] = crossingFraction<T>(c3, c3 - c4);
    return 1;
}

template <class T>
MeetingFractions mutualFractions(const InkPacket& p0, const InkPacket& p1, const InkPacket& q0, const InkPacket& q1)
{
    // The same tests as fractionsOn both ways round, each product worked
    // out once: the exact values, so the same fractions.
    MeetingFractions m;
    const Vec d = p1 - p0;
    const Vec e = q1 - q0;
    if ((d.x == 0 && d.y == 0) || (e.x == 0 && e.y == 0)) {
        m.countA = fractionsOn<T>(p0, p1, q0, q1, m.onA);
        m.countB = fractionsOn<T>(q0, q1, p0, p1, m.onB);
        return m;
    }
    const T c1 = cross<T>(d, q0 - p0);
    const T c2 = cross<T>(d, q1 - p0);
    if (c1 == 0 && c2 == 0) {
        // Collinear: the overlap's two ends, projected on each segment.
        m.countA = overlapFractions<T>(dot<T>(q0 - p0, d), dot<T>(q1 - p0, d), dot<T>(d, d), m.onA);
        m.countB = overlapFractions<T>(dot<T>(p0 - q0, e), dot<T>(p1 - q0, e), dot<T>(e, e), m.onB);
        return m;
    }
    if (signOf(c1) * signOf(c2) > 0)
        return m;
    const T c3 = cross<T>(e, p0 - q0);
    const T c4 = cross<T>(e, p1 - q0);
    if (signOf(c3) * signOf(c4) > 0)
        return m;
    // Not parallel here, so c1 != c2 and c3 != c4.
    m.onA[0] = crossingFraction<T>(c3, c3 - c4);
    m.onB[0] = crossingFraction<T>(c1, c1 - c2);
    m.countA = m.countB = 1;
    return m;
}

}  // namespace

int segmentMeetingFractions(Packets a, size_t k, Packets b, size_t j, long double out[2])
{
    const InkPacket& p0 = a[k];
    const InkPacket& p1 = a[segmentEnd(a.size(), k)];
    const InkPacket& q0 = b[j];
    const InkPacket& q1 = b[segmentEnd(b.size(), j)];
    if (fitsSmall(p0) && fitsSmall(p1) && fitsSmall(q0) && fitsSmall(q1))
        return fractionsOn<int64_t>(p0, p1, q0, q1, out);
    return fractionsOn<Int128>(p0, p1, q0, q1, out);
}

MeetingFractions mutualMeetingFractions(Packets a, size_t k, Packets b, size_t j)
{
    const InkPacket& p0 = a[k];
    const InkPacket& p1 = a[segmentEnd(a.size(), k)];
    const InkPacket& q0 = b[j];
    const InkPacket& q1 = b[segmentEnd(b.size(), j)];
    if (fitsSmall(p0) && fitsSmall(p1) && fitsSmall(q0) && fitsSmall(q1))
        return mutualFractions<int64_t>(p0, p1, q0, q1);
    return mutualFractions<Int128>(p0, p1, q0, q1);
}

void segmentMeetings(Packets a, size_t k, Packets b, size_t j, int64_t lastIndex, std::vector<float>& out)
{
    long double found[2];
    keepIndices(k, found, segmentMeetingFractions(a, k, b, j, found), lastIndex, out);
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
        if (meets(segBoxesA[k - ra.first], common))
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
            if (meets(segBoxesA[nearA[i] - ra.first], box))
                segmentMeetings(a, nearA[i], b, j, lastIndex, out);
    }
}

void mutualSegmentMeetings(Packets a, size_t k, Packets b, size_t j, std::vector<float>& outA, std::vector<float>& outB)
{
    const MeetingFractions m = mutualMeetingFractions(a, k, b, j);
    if (a.size() >= 2)
        keepIndices(k, m.onA, m.countA, static_cast<int64_t>(a.size()) - 1, outA);
    if (b.size() >= 2)
        keepIndices(j, m.onB, m.countB, static_cast<int64_t>(b.size()) - 1, outB);
}

}  // namespace ink_geometry
