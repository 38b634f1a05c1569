// The geometry members of a stroke reference: cusps, nearest point,
// intersections and the split.

#include "platform/ink/ink_geometry.h"
#include "platform/ink/ink_model.h"
#include "platform/ink/ink_store.h"

#include <algorithm>
#include <cmath>

using namespace ink_detail;

std::vector<int32_t> InkStrokeDisp::PolylineCusps() const
{
    const StrokeRecord& rec = live();
    if (!rec.cuspsKnown) {
        rec.cusps = ink_geometry::polylineCusps(rec.points(), rec.attributes.maxDrawnWidth() / 2.0);
        rec.cuspsKnown = true;
    }
    return rec.cusps;
}

float InkStrokeDisp::NearestPoint(int32_t x, int32_t y, float* distance) const
{
    const StrokeRecord& rec = live();
    const size_t n = rec.packets.size();
    if (n == 0)
        fail(PlatformErrorCode::InvalidState, "The stroke has no points yet");
    ink_geometry::NearestSearch search(x, y);
    search.addSegments(rec.points(), 0, n < 2 ? 1 : n - 1);
    if (distance)
        *distance = static_cast<float>(search.edgeDistance(rec.points(), rec.attributes));
    return search.index();
}

std::vector<float> InkStrokeDisp::FindIntersections(const InkStrokes& strokes) const
{
    const StrokeRecord& rec = live();
    return rec.owner->intersections(rec, strokes);
}

std::vector<float> InkStrokeDisp::FindIntersections() const { return FindIntersections(InkStrokes()); }

InkStrokeDisp::CrossingsAround InkStrokeDisp::crossingsAround(float index) const
{
    const StrokeRecord& rec = live();
    return rec.owner->crossingsAround(rec, index);
}

InkStrokeDisp InkStrokeDisp::Split(float index)
{
    StrokeRecord& rec = live();
    if (rec.inProgress)
        fail(PlatformErrorCode::InvalidState, "A stroke still being collected cannot be split");
    if (!std::isfinite(index))
        fail(PlatformErrorCode::InvalidArgument, "The split index must be a finite number");
    const double last = static_cast<double>(rec.packets.size()) - 1.0;
    if (index < 0.0f || static_cast<double>(index) > last)
        fail(PlatformErrorCode::IndexOutOfRange, "The split index " + std::to_string(index) +
                                                     " is outside the stroke (0.." + std::to_string(last) + ")");

    const double f = index;
    const size_t k = static_cast<size_t>(std::floor(f));
    const bool between = f > static_cast<double>(k);
    const InkPacket cut = ink_geometry::packetAt(rec.points(), f);
    const InkRectangle before = drawnBounds();
    const InkRectangle cutArea = ink_geometry::grown(
        ink_geometry::boundsOf(rec.points(), k, std::min(k + 1, rec.packets.size() - 1)),
        rec.attributes.maxDrawnWidth() / 2.0);

    // The cut point belongs to both pieces.
    std::vector<InkPacket> rest;
    rest.reserve(rec.packets.size() - k);
    rest.push_back(cut);
    rest.insert(rest.end(), rec.packets.begin() + static_cast<std::ptrdiff_t>(k + 1), rec.packets.end());

    InkDisp::Impl& ink = *rec.owner;
    RecordPtr piece = ink.newRecord(rec.attributes);
    piece->packets = std::move(rest);
    rec.packets.resize(k + 1);
    if (between)
        rec.packets.push_back(cut);
    rec.packets.shrink_to_fit();
    rec.cuspsKnown = false;
    ink.reindexCut(rec);
    ink.insertAfter(rec, piece);
    ink.meetingsSplit(rec, *piece, k, between);
    ink.notifySplit(Access::record(*this), piece, before, cutArea);
    return Access::stroke(piece);
}
