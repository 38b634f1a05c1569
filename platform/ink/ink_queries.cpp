// Queries that go through the spatial index: hit test, strokes in an area,
// intersections. Each asks the grid for the chunks near the place and looks
// only at their segments.

#include "platform/ink/ink_geometry.h"
#include "platform/ink/ink_store.h"

#include <algorithm>
#include <cmath>
#include <utility>

using namespace ink_detail;
using ink_geometry::NearestSearch;

namespace {
// Up to this many strokes in a collection are tested pair by pair; more go
// through the index.
constexpr size_t kDirectLimit = 32;

bool byEntry(const SpatialGrid::Entry& a, const SpatialGrid::Entry& b)
{
    return a.slot != b.slot ? a.slot < b.slot : a.chunk < b.chunk;
}

std::span<const InkRectangle> boxesOf(const StrokeRecord& rec, std::vector<InkRectangle>& scratch)
{
    if (rec.slot != kNoSlot && !rec.inProgress)
        return rec.chunkBoxes;
    scratch = ink_geometry::chunkBoxes(rec.points(), 0.0);
    return scratch;
}

// Every chunk pair of two strokes whose boxes meet.
void meetingsDirect(const StrokeRecord& a, std::span<const InkRectangle> boxesA,
                    std::span<const InkRectangle> segBoxesA, const StrokeRecord& b, std::vector<float>& out)
{
    std::vector<InkRectangle> scratch;
    const std::span<const InkRectangle> boxesB = boxesOf(b, scratch);
    for (size_t i = 0; i < boxesA.size(); ++i)
        for (size_t j = 0; j < boxesB.size(); ++j)
            if (ink_geometry::meets(boxesA[i], boxesB[j]))
                ink_geometry::chunkMeetings(a.points(), static_cast<int32_t>(i),
                                            segBoxesA.subspan(i * ink_geometry::kChunkSegments), boxesA[i],
                                            b.points(), static_cast<int32_t>(j), boxesB[j], out);
}
}  // namespace

template <class Visit>
void InkDisp::Impl::chunksNear(const InkRectangle& area, Visit&& visit) const
{
    auto drawnMeets = [&](const StrokeRecord& rec, uint32_t chunk) {
        return ink_geometry::meets(ink_geometry::grown(rec.chunkBoxes[chunk], double(rec.margin)), area);
    };
    m_grid.query(ink_geometry::grown(area, double(widestMargin())), [&](const SpatialGrid::Entry& e, const InkRectangle&) {
        if (drawnMeets(*m_slots[e.slot].rec, e.chunk))
            visit(e);
    });
    for (const uint32_t slot : m_wideSlots) {
        const StrokeRecord& rec = *m_slots[slot].rec;
        for (uint32_t c = 0; c < rec.chunkBoxes.size(); ++c)
            if (drawnMeets(rec, c))
                visit(SpatialGrid::Entry{slot, c});
    }
}

InkStrokes InkDisp::Impl::inInkOrder(std::vector<const StrokeRecord*> records) const
{
    // Records of indexed strokes, repeats among them. A query that found a
    // good part of the page (a repaint of all that shows) walks the ink's
    // order instead of sorting them all, and one that found every stroke
    // is the ink's own snapshot.
    if (records.size() >= m_strokes.size() / 8 && m_strokes.size() >= 64) {
        std::vector<uint8_t> found(m_slots.size(), 0);
        size_t count = 0;
        for (const StrokeRecord* rec : records)
            if (!std::exchange(found[rec->slot], 1))
                ++count;
        if (count == m_strokes.size())
            return m_facade->Strokes();
        std::vector<InkStrokeDisp> items;
        items.reserve(count);
        for (const RecordPtr& rec : m_strokes)
            if (found[rec->slot])
                items.push_back(Access::stroke(rec));
        return InkStrokes(std::move(items));
    }
    std::sort(records.begin(), records.end(),
              [](const StrokeRecord* a, const StrokeRecord* b) { return a->orderKey < b->orderKey; });
    records.erase(std::unique(records.begin(), records.end()), records.end());
    std::vector<InkStrokeDisp> items;
    items.reserve(records.size());
    for (const StrokeRecord* rec : records)
        items.push_back(Access::stroke(std::const_pointer_cast<StrokeRecord>(rec->shared_from_this())));
    return InkStrokes(std::move(items));
}

InkStrokes InkDisp::Impl::hitTest(int32_t x, int32_t y, float radius) const
{
    if (!std::isfinite(radius) || radius < 0.0f)
        fail(PlatformErrorCode::InvalidArgument, "The hit radius must be a finite number, 0 or more");
    // A little more than the radius, so float rounding of a distance can never
    // hit a chunk the grid did not offer.
    const double reach = std::ceil(static_cast<double>(radius) * (1.0 + 1e-6)) + 2.0;
    const InkRectangle area = ink_geometry::grown(InkRectangle{y, x, y, x}, reach);
    std::vector<SpatialGrid::Entry> near;
    chunksNear(area, [&near](const SpatialGrid::Entry& e) { near.push_back(e); });
    std::sort(near.begin(), near.end(), byEntry);

    // A stroke is hit when its nearest centre-line point, with the width
    // drawn there, is within reach. Its chunks away from the area hold no
    // point nearer than those near it, so they can be left out.
    std::vector<const StrokeRecord*> hits;
    for (size_t i = 0; i < near.size();) {
        const StrokeRecord& rec = *m_slots[near[i].slot].rec;
        NearestSearch search(x, y);
        for (; i < near.size() && m_slots[near[i].slot].rec == &rec; ++i) {
            const ink_geometry::SegmentRange r =
                ink_geometry::chunkSegments(rec.packets.size(), static_cast<int32_t>(near[i].chunk));
            search.addSegments(rec.points(), r.first, r.end);
        }
        if (static_cast<float>(search.edgeDistance(rec.points(), rec.attributes)) <= radius)
            hits.push_back(&rec);
    }
    return inInkOrder(std::move(hits));
}

InkStrokes InkDisp::Impl::strokesIn(const InkRectangle& area) const
{
    std::vector<const StrokeRecord*> found;
    chunksNear(area, [&](const SpatialGrid::Entry& e) { found.push_back(m_slots[e.slot].rec); });
    return inInkOrder(std::move(found));
}

InkStrokes InkDisp::Impl::strokesCentredIn(std::span<const InkRectangle> areas) const
{
    // One snapshot for all the areas: the many small areas of an erase move
    // share most of their strokes.
    std::vector<const StrokeRecord*> found;
    for (const InkRectangle& area : areas)
        m_grid.query(area, [&](const SpatialGrid::Entry& e, const InkRectangle&) { found.push_back(m_slots[e.slot].rec); });
    return inInkOrder(std::move(found));
}

template <class Wanted>
void InkDisp::Impl::meetingsWithIndexed(const StrokeRecord& rec, std::span<const InkRectangle> boxes,
                                        std::span<const InkRectangle> segBoxes, Wanted&& wanted,
                                        std::vector<float>& out) const
{
    for (size_t c = 0; c < boxes.size(); ++c) {
        const int32_t chunk = static_cast<int32_t>(c);
        m_grid.query(boxes[c], [&](const SpatialGrid::Entry& e, const InkRectangle& part) {
            if (!wanted(e.slot))
                return;
            const SlotView& other = m_slots[e.slot];
            ink_geometry::chunkMeetings(rec.points(), chunk, segBoxes.subspan(c * ink_geometry::kChunkSegments),
                                        boxes[c], {other.points, other.count}, static_cast<int32_t>(e.chunk), part,
                                        out);
        });
    }
}

InkStrokeDisp::CrossingsAround InkDisp::Impl::crossingsAround(const StrokeRecord& rec, float index) const
{
    auto from = [index](const std::vector<float>& all) {
        InkStrokeDisp::CrossingsAround around;
        around.any = !all.empty();
        const auto after = std::upper_bound(all.begin(), all.end(), index);
        if (after != all.begin())
            around.atOrBefore = *(after - 1);
        if (after != all.end())
            around.after = *after;
        return around;
    };
    InkStrokeDisp::CrossingsAround around;
    const size_t n = rec.packets.size();
    // Not indexed, or no place on it: from the whole answer.
    if (rec.inProgress || rec.slot == kNoSlot || !std::isfinite(index))
        return from(intersections(rec, InkStrokes()));
    // Alone on the page, or with nothing to meet.
    if (n < 2 || m_strokes.size() < 2)
        return around;
    // Near the place first: the stroke is cut next, so a whole answer
    // merged from what the ink keeps would be thrown away. Far from any
    // crossing, that whole answer comes quicker than going on (it is asked
    // without building what the ink keeps).
    const bool fresh = m_meetings.ready && rec.slot < m_meetings.stale.size() && !m_meetings.stale[rec.slot];
    const bool kept = fresh || m_store.built;
    constexpr size_t kNearChunks = 1;
    // A crossing on segment k lies in [k, k + 1], so those of a chunk lie
    // within its segments' span: going down from index's chunk, the first
    // with one at or before index holds the last of them; going up, the
    // first with one after index holds the first. Chunk by chunk, as a
    // whole stroke is asked: a stroke crossing itself fills its own cells.
    const ink_geometry::Packets points = rec.points();
    const size_t lastChunk = rec.chunkBoxes.size() - 1;
    const double segment = std::clamp(std::floor(static_cast<double>(index)), 0.0, static_cast<double>(n - 2));
    const size_t start = std::min(static_cast<size_t>(segment) / ink_geometry::kChunkSegments, lastChunk);
    std::vector<float> found;
    auto crossingsOn = [&](size_t c) {
        found.clear();
        // The chunk's own segments' bounds: a long stroke's others are not read.
        const ink_geometry::SegmentRange r = ink_geometry::chunkSegments(n, static_cast<int32_t>(c));
        InkRectangle segBoxes[ink_geometry::kChunkSegments];
        for (size_t k = r.first; k < r.end; ++k)
            segBoxes[k - r.first] = ink_geometry::segmentBox(points, k);
        m_grid.query(rec.chunkBoxes[c], [&](const SpatialGrid::Entry& e, const InkRectangle& part) {
            if (e.slot == rec.slot)
                return;  // its crossings with itself do not count
            const SlotView& o = m_slots[e.slot];
            ink_geometry::chunkMeetings(points, static_cast<int32_t>(c), std::span(segBoxes, r.end - r.first),
                                        rec.chunkBoxes[c], {o.points, o.count}, static_cast<int32_t>(e.chunk), part,
                                        found);
        });
    };
    // Out to `reach` chunks either way; false when that was not enough.
    std::vector<float> onStart;
    auto search = [&](size_t reach) {
        around = InkStrokeDisp::CrossingsAround{};
        for (size_t c = start + 1; c-- > 0 && !around.atOrBefore;) {
            if (start - c > reach)
                return false;
            crossingsOn(c);
            if (c == start)
                onStart = found;
            for (const float x : found)
                if (x <= index && (!around.atOrBefore || x > *around.atOrBefore))
                    around.atOrBefore = x;
        }
        for (size_t c = start; c <= lastChunk && !around.after; ++c) {
            if (c - start > reach)
                return false;
            if (c == start)
                found = onStart;
            else
                crossingsOn(c);
            for (const float x : found)
                if (x > index && (!around.after || x < *around.after))
                    around.after = x;
        }
        around.any = around.atOrBefore || around.after;
        return true;
    };
    if (search(kept ? kNearChunks : lastChunk))
        return around;
    std::vector<float> all;
    if (cachedMeetings(rec, all))
        return from(all);
    search(lastChunk);
    return around;
}

std::vector<float> InkDisp::Impl::intersections(const StrokeRecord& rec, const InkStrokes& strokes) const
{
    std::vector<float> out;
    const bool whole = strokes.Count() == 0 || (strokes.wholeInkOf() == m_facade && strokes.revision() == m_revision);
    std::vector<const StrokeRecord*> others;
    if (!whole) {
        // Checked even when this stroke has nothing to cross.
        for (const InkStrokeDisp& s : strokes) {
            const StrokeRecord& other = own(s);
            if (&other != &rec)
                others.push_back(&other);
        }
        std::sort(others.begin(), others.end());
        others.erase(std::unique(others.begin(), others.end()), others.end());
    }
    if (rec.packets.size() < 2)
        return out;

    if (whole && !rec.inProgress && cachedMeetings(rec, out))
        return out;

    std::vector<InkRectangle> scratch;
    const std::span<const InkRectangle> boxes = boxesOf(rec, scratch);
    const std::vector<InkRectangle> segBoxes = ink_geometry::segmentBoxes(rec.points());
    if (whole) {
        meetingsWithIndexed(rec, boxes, segBoxes, [&rec](uint32_t slot) { return slot != rec.slot; }, out);
    } else if (others.size() <= kDirectLimit) {
        for (const StrokeRecord* other : others)
            meetingsDirect(rec, boxes, segBoxes, *other, out);
    } else {
        std::vector<bool> wanted(m_slots.size(), false);
        for (const StrokeRecord* other : others) {
            if (other->inProgress)
                meetingsDirect(rec, boxes, segBoxes, *other, out);
            else
                wanted[other->slot] = true;
        }
        meetingsWithIndexed(rec, boxes, segBoxes, [&wanted](uint32_t slot) { return wanted[slot]; }, out);
    }
    ink_geometry::normalizeIndices(out);
    if (whole && !rec.inProgress)
        keepSwept(rec, out);
    return out;
}
