#pragma once
// The plain approaches the index is measured against: the same exact tests,
// but every stroke (or every pair of strokes) considered in turn.

#include "platform/ink/ink_geometry.h"
#include "platform/ink/ink_model.h"

#include <algorithm>
#include <vector>

// Every stroke's NearestPoint distance against the radius.
inline size_t hitEveryStroke(const InkStrokes& strokes, int32_t x, int32_t y, float r)
{
    size_t hits = 0;
    for (const InkStrokeDisp& s : strokes) {
        float d = 0;
        s.NearestPoint(x, y, &d);
        hits += d <= r;
    }
    return hits;
}

// The same, skipping strokes whose drawn bounds are out of reach.
inline size_t hitBoundsFirst(const InkStrokes& strokes, const std::vector<InkRectangle>& drawn, int32_t x,
                             int32_t y, float r)
{
    const int32_t reach = int32_t(r) + 1;
    const InkRectangle area{y - reach, x - reach, y + reach, x + reach};
    size_t hits = 0;
    for (size_t i = 0; i < drawn.size(); ++i) {
        if (!ink_geometry::meets(drawn[i], area))
            continue;
        float d = 0;
        strokes.Item(int32_t(i)).NearestPoint(x, y, &d);
        hits += d <= r;
    }
    return hits;
}

// One stroke against all others: stroke bounds first, then every pair of
// segments whose bounds meet.
inline std::vector<float> meetingsAllPairs(const std::vector<std::vector<InkPacket>>& strokes,
                                           const std::vector<InkRectangle>& bounds, size_t which)
{
    std::vector<float> out;
    const auto& a = strokes[which];
    const int64_t last = int64_t(a.size()) - 1;
    auto segBox = [](const std::vector<InkPacket>& p, size_t k) {
        const InkPacket& s = p[k];
        const InkPacket& e = p[ink_geometry::segmentEnd(p.size(), k)];
        return InkRectangle{std::min(s.y, e.y), std::min(s.x, e.x), std::max(s.y, e.y), std::max(s.x, e.x)};
    };
    for (size_t o = 0; o < strokes.size(); ++o) {
        if (o == which || !ink_geometry::meets(bounds[which], bounds[o]))
            continue;
        const auto& b = strokes[o];
        for (size_t k = 0; k + 1 < a.size(); ++k) {
            const InkRectangle boxA = segBox(a, k);
            if (!ink_geometry::meets(boxA, bounds[o]))
                continue;
            for (size_t j = 0; j < std::max<size_t>(b.size() - 1, 1); ++j)
                if (ink_geometry::meets(boxA, segBox(b, j)))
                    ink_geometry::segmentMeetings(a, k, b, j, last, out);
        }
    }
    ink_geometry::normalizeIndices(out);
    return out;
}

inline std::vector<InkRectangle> boundsOfAll(const std::vector<std::vector<InkPacket>>& strokes)
{
    std::vector<InkRectangle> bounds;
    for (const auto& s : strokes)
        bounds.push_back(ink_geometry::boundsOf(s));
    return bounds;
}
