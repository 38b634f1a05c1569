#include "platform/ink/spatial_grid.h"

#include <algorithm>

SpatialGrid::CellEntry SpatialGrid::clipped(Entry e, const InkRectangle& box, int64_t cx, int64_t cy)
{
    const int64_t cellLeft = cx << kCellShift;
    const int64_t cellTop = cy << kCellShift;
    auto rel = [](int64_t v, int64_t origin) {
        return static_cast<uint16_t>(std::clamp<int64_t>(v - origin, 0, kCellSize - 1));
    };
    CellEntry c{e, rel(box.Left, cellLeft), rel(box.Top, cellTop), rel(box.Right, cellLeft), rel(box.Bottom, cellTop)};
    if (box.Left < cellLeft)
        c.left |= kGoesOn;
    if (box.Top < cellTop)
        c.top |= kGoesOn;
    if (box.Right >= cellLeft + kCellSize)
        c.right |= kGoesOn;
    if (box.Bottom >= cellTop + kCellSize)
        c.bottom |= kGoesOn;
    return c;
}

void SpatialGrid::insert(uint32_t slot, std::span<const InkRectangle> boxes, uint32_t firstChunk)
{
    for (size_t c = 0; c < boxes.size(); ++c) {
        const Entry entry{slot, firstChunk + static_cast<uint32_t>(c)};
        if (boxes[c].isEmpty())
            continue;
        const CellRange range = cellsOf(boxes[c]);
        if (range.count() > kMaxCellsPerBox) {
            m_oversized.push_back(BigEntry{entry, boxes[c]});
            continue;
        }
        for (int64_t cy = range.y0; cy <= range.y1; ++cy)
            for (int64_t cx = range.x0; cx <= range.x1; ++cx)
                m_cells[key(cx, cy)].push_back(clipped(entry, boxes[c], cx, cy));
    }
}

void SpatialGrid::remove(uint32_t slot, std::span<const InkRectangle> boxes, uint32_t firstChunk)
{
    const auto gone = [slot, firstChunk](const Entry& e) { return e.slot == slot && e.chunk >= firstChunk; };
    // Every cell the slot's chunks cover, once: a long stroke crossing
    // itself lists many chunks in one cell, which one pass clears.
    std::vector<uint64_t> keys;
    bool oversized = false;
    for (const InkRectangle& box : boxes) {
        if (box.isEmpty())
            continue;
        const CellRange range = cellsOf(box);
        if (range.count() > kMaxCellsPerBox) {
            oversized = true;
            continue;
        }
        for (int64_t cy = range.y0; cy <= range.y1; ++cy)
            for (int64_t cx = range.x0; cx <= range.x1; ++cx)
                keys.push_back(key(cx, cy));
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (const uint64_t k : keys) {
        const auto it = m_cells.find(k);
        if (it == m_cells.end())
            continue;
        std::erase_if(it->second, [&gone](const CellEntry& e) { return gone(e.entry); });
        if (it->second.empty())
            m_cells.erase(it);
    }
    if (oversized)
        std::erase_if(m_oversized, [&gone](const BigEntry& e) { return gone(e.entry); });
}

void SpatialGrid::clear()
{
    m_cells.clear();
    m_oversized.clear();
    m_oversized.shrink_to_fit();
}

size_t SpatialGrid::entryCount() const
{
    size_t n = m_oversized.size();
    for (const auto& [k, entries] : m_cells)
        n += entries.size();
    return n;
}

size_t SpatialGrid::memoryBytes() const
{
    // A map node holds the key, the vector and a link; allocators round up.
    constexpr size_t nodeBytes = sizeof(void*) + sizeof(uint64_t) + sizeof(std::vector<CellEntry>) + 16;
    size_t bytes = m_cells.bucket_count() * sizeof(void*) + m_oversized.capacity() * sizeof(BigEntry);
    for (const auto& [k, entries] : m_cells)
        bytes += nodeBytes + entries.capacity() * sizeof(CellEntry);
    return bytes;
}
