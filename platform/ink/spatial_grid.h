#pragma once
// A uniform grid over ink space that finds the stroke chunks near an area.
//
// An entry stands for one chunk (a run of a few segments) of one stroke. It
// is listed in every cell its box covers, together with the part of the box
// inside that cell, so a query scans each cell's entries in one pass over
// contiguous memory. Cells live in a hash map, so ink may lie anywhere in the
// int32 plane; a box spanning too many cells (a very long segment, a huge
// pen width) goes to a short list that every query scans instead.

#include "platform/ink/ink_model.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

class SpatialGrid {
public:
    struct Entry {
        uint32_t slot;   // the stroke, as the ink numbers it
        uint32_t chunk;  // the chunk within the stroke
    };

    // The boxes are the slot's chunks from firstChunk on.
    void insert(uint32_t slot, std::span<const InkRectangle> boxes, uint32_t firstChunk = 0);
    // Drops the slot's entries of the chunks from firstChunk on; boxes must
    // be the ones they were inserted with.
    void remove(uint32_t slot, std::span<const InkRectangle> boxes, uint32_t firstChunk = 0);
    void clear();

    // Calls visit(entry, part) once for every entry whose box meets area;
    // part lies within area and holds the entry box's overlap with it.
    template <class Visit>
    void query(const InkRectangle& area, Visit&& visit) const;

    // Calls visit(a, b) once for every two entries whose boxes meet, until it
    // returns false. Pairs come cell by cell, the cells in no particular
    // order; wantCell() is asked before each, and false skips that cell. The
    // pairs with entries too big for cells come last, asked for as one more.
    template <class WantCell, class Visit>
    void forEachPair(WantCell&& wantCell, Visit&& visit) const;

    size_t entryCount() const;
    size_t cellCount() const { return m_cells.size(); }
    size_t memoryBytes() const;

private:
    static constexpr int kCellShift = 9;  // 512 ink units, about 19 pixels
    static constexpr int64_t kCellSize = int64_t{1} << kCellShift;
    static constexpr int64_t kMaxCellsPerBox = 64;
    static constexpr uint16_t kGoesOn = 0x8000;  // the box continues past this side of the cell
    static constexpr uint16_t kOffset = 0x7FFF;

    // The box's part inside the cell, relative to the cell's corner.
    struct CellEntry {
        Entry entry;
        uint16_t left, top, right, bottom;
    };
    struct BigEntry {
        Entry entry;
        InkRectangle box;
    };
    struct CellRange {
        int64_t x0, y0, x1, y1;
        int64_t count() const { return (x1 - x0 + 1) * (y1 - y0 + 1); }
        bool contains(int64_t x, int64_t y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
    };
    struct KeyHash {
        size_t operator()(uint64_t k) const { return static_cast<size_t>((k * 0x9E3779B97F4A7C15ull) >> 17); }
    };
    static int64_t cellOf(int32_t v) { return int64_t{v} >> kCellShift; }
    static CellRange cellsOf(const InkRectangle& r) { return {cellOf(r.Left), cellOf(r.Top), cellOf(r.Right), cellOf(r.Bottom)}; }
    static uint64_t key(int64_t cx, int64_t cy)
    {
        return (static_cast<uint64_t>(static_cast<uint32_t>(cx)) << 32) | static_cast<uint32_t>(cy);
    }
    static int64_t keyX(uint64_t k) { return static_cast<int32_t>(static_cast<uint32_t>(k >> 32)); }
    static int64_t keyY(uint64_t k) { return static_cast<int32_t>(static_cast<uint32_t>(k)); }
    static CellEntry clipped(Entry e, const InkRectangle& box, int64_t cx, int64_t cy);

    template <class Visit>
    static void visitCell(int64_t cx, int64_t cy, const std::vector<CellEntry>& entries, const InkRectangle& area,
                          Visit& visit);

    std::unordered_map<uint64_t, std::vector<CellEntry>, KeyHash> m_cells;
    std::vector<BigEntry> m_oversized;
};

template <class Visit>
void SpatialGrid::visitCell(int64_t cx, int64_t cy, const std::vector<CellEntry>& entries, const InkRectangle& area,
                            Visit& visit)
{
    const int64_t cellLeft = cx << kCellShift;
    const int64_t cellTop = cy << kCellShift;
    const int64_t left = area.Left - cellLeft;
    const int64_t top = area.Top - cellTop;
    const int64_t right = area.Right - cellLeft;
    const int64_t bottom = area.Bottom - cellTop;
    // An entry shows in every cell its box covers: report it only from the
    // cell that holds the top-left corner of its overlap with the area.
    const bool areaGoesLeft = left < 0;
    const bool areaGoesUp = top < 0;
    for (const CellEntry& e : entries) {
        if ((e.left & kOffset) > right || left > (e.right & kOffset) || (e.top & kOffset) > bottom ||
            top > (e.bottom & kOffset))
            continue;
        if ((areaGoesLeft && (e.left & kGoesOn)) || (areaGoesUp && (e.top & kGoesOn)))
            continue;
        // Where the box goes on past the cell, the area bounds the overlap.
        const InkRectangle part{
            (e.top & kGoesOn) ? area.Top : static_cast<int32_t>(std::max<int64_t>(cellTop + (e.top & kOffset), area.Top)),
            (e.left & kGoesOn) ? area.Left : static_cast<int32_t>(std::max<int64_t>(cellLeft + (e.left & kOffset), area.Left)),
            (e.bottom & kGoesOn) ? area.Bottom
                                 : static_cast<int32_t>(std::min<int64_t>(cellTop + (e.bottom & kOffset), area.Bottom)),
            (e.right & kGoesOn) ? area.Right
                                : static_cast<int32_t>(std::min<int64_t>(cellLeft + (e.right & kOffset), area.Right))};
        visit(e.entry, part);
    }
}

template <class Visit>
void SpatialGrid::query(const InkRectangle& area, Visit&& visit) const
{
    if (area.isEmpty())
        return;
    const CellRange range = cellsOf(area);
    if (range.count() <= static_cast<int64_t>(m_cells.size())) {
        for (int64_t cy = range.y0; cy <= range.y1; ++cy)
            for (int64_t cx = range.x0; cx <= range.x1; ++cx) {
                const auto it = m_cells.find(key(cx, cy));
                if (it != m_cells.end())
                    visitCell(cx, cy, it->second, area, visit);
            }
    } else {
        for (const auto& [k, entries] : m_cells)
            if (range.contains(keyX(k), keyY(k)))
                visitCell(keyX(k), keyY(k), entries, area, visit);
    }
    for (const BigEntry& e : m_oversized)
        if (e.box.Left <= area.Right && area.Left <= e.box.Right && e.box.Top <= area.Bottom && area.Top <= e.box.Bottom)
            visit(e.entry, InkRectangle{std::max(e.box.Top, area.Top), std::max(e.box.Left, area.Left),
                                        std::min(e.box.Bottom, area.Bottom), std::min(e.box.Right, area.Right)});
}

template <class WantCell, class Visit>
void SpatialGrid::forEachPair(WantCell&& wantCell, Visit&& visit) const
{
    // Within a cell, entries sorted by their top: each is tested only with
    // those that begin above its bottom, not with the whole cell (a cell of
    // many short parallel strokes holds thousands).
    struct Span {
        uint16_t top, bottom;
        uint32_t place;
    };
    std::vector<Span> order;
    for (const auto& [k, entries] : m_cells) {
        const size_t n = entries.size();
        if (!wantCell())
            continue;
        order.resize(n);
        for (size_t i = 0; i < n; ++i)
            order[i] = Span{uint16_t(entries[i].top & kOffset), uint16_t(entries[i].bottom & kOffset), uint32_t(i)};
        std::sort(order.begin(), order.end(), [](const Span& a, const Span& b) { return a.top < b.top; });
        for (size_t a = 0; a < n; ++a) {
            const CellEntry& p = entries[order[a].place];
            for (size_t b = a + 1; b < n && order[b].top <= order[a].bottom; ++b) {
                const CellEntry& q = entries[order[b].place];
                if ((p.left & kOffset) > (q.right & kOffset) || (q.left & kOffset) > (p.right & kOffset))
                    continue;
                // Both go on past the same left or top edge: their overlap
                // begins in another cell, which reports them.
                if ((p.left & q.left & kGoesOn) || (p.top & q.top & kGoesOn))
                    continue;
                if (!visit(p.entry, q.entry))
                    return;
            }
        }
    }
    if (!m_oversized.empty() && !wantCell())
        return;
    for (size_t i = 0; i < m_oversized.size(); ++i) {
        const BigEntry& big = m_oversized[i];
        const CellRange range = cellsOf(big.box);
        bool going = true;
        auto withBig = [&](const Entry& e, const InkRectangle&) {
            going = going && visit(big.entry, e);
        };
        auto inCell = [&](int64_t cx, int64_t cy, const std::vector<CellEntry>& entries) {
            visitCell(cx, cy, entries, big.box, withBig);
        };
        if (range.count() <= static_cast<int64_t>(m_cells.size())) {
            for (int64_t cy = range.y0; cy <= range.y1; ++cy)
                for (int64_t cx = range.x0; cx <= range.x1; ++cx)
                    if (const auto it = m_cells.find(key(cx, cy)); it != m_cells.end())
                        inCell(cx, cy, it->second);
        } else {
            for (const auto& [k, entries] : m_cells)
                if (range.contains(keyX(k), keyY(k)))
                    inCell(keyX(k), keyY(k), entries);
        }
        for (size_t j = i + 1; j < m_oversized.size(); ++j) {
            const InkRectangle& b = m_oversized[j].box;
            if (big.box.Left <= b.Right && b.Left <= big.box.Right && big.box.Top <= b.Bottom && b.Top <= big.box.Bottom)
                going = going && visit(big.entry, m_oversized[j].entry);
        }
        if (!going)
            return;
    }
}
