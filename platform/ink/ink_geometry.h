#pragma once
// Geometry on a stroke's packets, independent of any ink: cusps, nearest
// point, segment meetings, the point at a float index, chunk bounds.
//
// Coordinates are anywhere in int32, so differences need 33 bits and their
// products 66: orientation and projection tests run on 128-bit integers and
// are exact; a float index is formed once from the exact fraction.

#include "platform/ink/ink_model.h"

#include <algorithm>
#include <span>
#include <vector>

namespace ink_geometry {

using Packets = std::span<const InkPacket>;
using Int128 = __int128;

// Segments per chunk: a stroke is indexed in chunks of this many segments.
constexpr int32_t kChunkSegments = 16;

// Chunks of a stroke of n points (a one-point stroke is one chunk).
inline int32_t chunkCount(size_t pointCount)
{
    if (pointCount < 2)
        return 1;
    return static_cast<int32_t>((pointCount - 2) / kChunkSegments + 1);
}
// Segments [first, end) of a chunk; a one-point stroke has the single
// degenerate segment 0 (point 0 to itself).
struct SegmentRange {
    size_t first = 0;
    size_t end = 0;
};
SegmentRange chunkSegments(size_t pointCount, int32_t chunk);
// End point of segment k: k + 1, or k itself for a one-point stroke.
inline size_t segmentEnd(size_t pointCount, size_t k) { return k + 1 < pointCount ? k + 1 : k; }

// Inclusive bounds of points [first, last]; empty for no points.
InkRectangle boundsOf(Packets packets, size_t first, size_t last);
InkRectangle boundsOf(Packets packets);
// Grown by margin on every side, saturating at the int32 range.
InkRectangle grown(const InkRectangle& rect, double margin);
InkRectangle united(const InkRectangle& a, const InkRectangle& b);
inline bool meets(const InkRectangle& a, const InkRectangle& b)
{
    return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}
// Bounds of segment k's centre line.
inline InkRectangle segmentBox(Packets p, size_t k)
{
    const InkPacket& s = p[k];
    const InkPacket& e = p[segmentEnd(p.size(), k)];
    return InkRectangle{std::min(s.y, e.y), std::min(s.x, e.x), std::max(s.y, e.y), std::max(s.x, e.x)};
}
// Bounds of each chunk's segments, grown by margin.
std::vector<InkRectangle> chunkBoxes(Packets packets, double margin);
// The same for runs of `segments` segments (one box for a one-point stroke).
std::vector<InkRectangle> runBoxes(Packets packets, size_t segments, double margin);

// The packet at float index f (0 <= f <= last): x, y and pressure each
// x0 + floor((x1 - x0) * t) with t = f - floor(f) in double precision.
InkPacket packetAt(Packets packets, double index);

// Nearest centre-line point: fed segments in ascending order, keeps the first
// of equal distances, so the lower index wins ties.
class NearestSearch {
public:
    NearestSearch(int64_t x, int64_t y) : m_x(x), m_y(y) {}
    void addSegments(Packets packets, size_t first, size_t end);
    bool found() const { return m_segment >= 0; }
    long double distanceSquared() const { return m_dist2; }
    float index() const;
    // Distance from the point to the drawn edge there, >= 0.
    double edgeDistance(Packets packets, const InkDrawingAttributes& attributes) const;

private:
    int64_t m_x;
    int64_t m_y;
    int64_t m_segment = -1;
    Int128 m_num = 0;  // fraction along the segment: m_num / m_den
    Int128 m_den = 1;
    long double m_dist2 = 0;
};

// Ascending indices of sharp turns, the first and last point included. A
// turn counts over arms of a few pixels at 96 dpi, or of halfWidth when
// that is longer.
std::vector<int32_t> polylineCusps(Packets packets, double halfWidth = 0.0);

// Float indices on segment k of a (a[k] to its end) where it meets segment
// j of b, appended to out. lastIndex is a's last point: meetings at a's own
// end points (or within float rounding of them) are left out.
void segmentMeetings(Packets a, size_t k, Packets b, size_t j, int64_t lastIndex, std::vector<float>& out);
// The same meetings before they become indices: up to two fractions along
// segment k (0 at a[k], 1 at its end), returned in out; their count.
int segmentMeetingFractions(Packets a, size_t k, Packets b, size_t j, long double out[2]);
// Both at once: fractions along a's segment k and along b's segment j, the
// same as the two calls give.
struct MeetingFractions {
    int countA = 0;
    int countB = 0;
    long double onA[2];
    long double onB[2];
};
MeetingFractions mutualMeetingFractions(Packets a, size_t k, Packets b, size_t j);
// The float index of a meeting at fraction along segment k.
inline float meetingIndex(int64_t k, long double fraction)
{
    return static_cast<float>(static_cast<long double>(k) + fraction);
}

// Bounds of every segment (one for a one-point stroke).
std::vector<InkRectangle> segmentBoxes(Packets packets);

// Meetings of a's chunk ca with b's chunk cb. segBoxesA are the bounds of
// a's segments from the chunk's first on, boxA and boxB the chunks' bounds.
void chunkMeetings(Packets a, int32_t ca, std::span<const InkRectangle> segBoxesA, const InkRectangle& boxA,
                   Packets b, int32_t cb, const InkRectangle& boxB, std::vector<float>& out);

// Meetings of a's segment k and b's segment j for both strokes at once:
// indices on a go to outA, on b to outB, as segmentMeetings gives them.
void mutualSegmentMeetings(Packets a, size_t k, Packets b, size_t j, std::vector<float>& outA, std::vector<float>& outB);

// Sorts, removes duplicates.
void normalizeIndices(std::vector<float>& indices);

}  // namespace ink_geometry
