// All strokes' meetings with each other in one pass, kept for one revision.

#include "platform/ink/ink_geometry.h"
#include "platform/ink/ink_store.h"

using namespace ink_detail;
using ink_geometry::ChunkShape;

const std::vector<float>* InkDisp::Impl::cachedMeetings(const StrokeRecord& rec) const
{
    if (rec.slot == kNoSlot)
        return nullptr;
    if (m_meetings.revision != m_revision) {
        m_meetings = MeetingCache{};
        m_meetings.revision = m_revision;
    }
    // One stroke asking is the eraser's pattern (it changes the ink next);
    // a second at the same revision is a pass over the whole ink.
    if (!m_meetings.ready) {
        if (++m_meetings.asked < 2)
            return nullptr;
        computeAllMeetings();
        m_meetings.ready = true;
    }
    return &m_meetings.bySlot[rec.slot];
}

void InkDisp::Impl::computeAllMeetings() const
{
    std::vector<std::vector<float>>& bySlot = m_meetings.bySlot;
    bySlot.assign(m_slots.size(), {});
    // Shapes of the current cell's entries, worked out when first needed.
    std::vector<ChunkShape> shapes;
    std::vector<bool> shaped;
    ChunkShape loose[2];
    auto shapeOf = [&](const SpatialGrid::Entry& e, size_t place, ChunkShape& spare) -> const ChunkShape& {
        const SlotView& v = m_slots[e.slot];
        ChunkShape& shape = place == SpatialGrid::kNoPlace ? spare : shapes[place];
        if (place == SpatialGrid::kNoPlace || !shaped[place]) {
            ink_geometry::shapeOfChunk({v.points, v.count}, static_cast<int32_t>(e.chunk), shape);
            if (place != SpatialGrid::kNoPlace)
                shaped[place] = true;
        }
        return shape;
    };
    m_grid.forEachPair(
        [&](size_t n) {
            if (shapes.size() < n)
                shapes.resize(n);
            shaped.assign(n, false);
        },
        [&](const SpatialGrid::Entry& p, size_t i, const SpatialGrid::Entry& q, size_t j) {
            if (p.slot == q.slot)
                return;
            const SlotView& a = m_slots[p.slot];
            const SlotView& b = m_slots[q.slot];
            ink_geometry::mutualChunkMeetings({a.points, a.count}, shapeOf(p, i, loose[0]), {b.points, b.count},
                                              shapeOf(q, j, loose[1]), bySlot[p.slot], bySlot[q.slot]);
        });
    for (std::vector<float>& indices : bySlot)
        ink_geometry::normalizeIndices(indices);
}
