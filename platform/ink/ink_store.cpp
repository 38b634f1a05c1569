// The ink's bookkeeping: stroke order, index slots, detaching, notifications.

#include "platform/ink/ink_store.h"
#include "platform/ink/ink_geometry.h"

#include <algorithm>
#include <cmath>

namespace ink_detail {
void fail(int32_t code, const std::string& message) { throw PlatformError(code, message); }
}  // namespace ink_detail

using namespace ink_detail;

namespace {
// Room between neighbours' order keys, so a split can slot a stroke in
// between without renumbering the ink.
constexpr uint64_t kOrderGap = uint64_t{1} << 32;
// A shared record sits in its control block next to two counters.
constexpr size_t kControlBlockBytes = 16;
// Pens drawing wider than this (about 300 pixels) are kept out of the margin
// that every query is grown by, and looked at one by one instead.
constexpr int64_t kWideMargin = 4096;

int64_t drawnMargin(const InkDrawingAttributes& a)
{
    return static_cast<int64_t>(std::min(std::ceil(a.maxDrawnWidth() / 2.0), 4294967296.0));
}

void release(StrokeRecord& rec)
{
    rec.owner = nullptr;
    rec.slot = kNoSlot;
    std::vector<InkPacket>().swap(rec.packets);
    std::vector<InkRectangle>().swap(rec.chunkBoxes);
    std::vector<int32_t>().swap(rec.cusps);
    rec.cuspsKnown = false;
}
}  // namespace

StrokeRecord& InkDisp::Impl::own(const InkStrokeDisp& stroke) const
{
    const RecordPtr& rec = Access::record(stroke);
    if (!rec)
        fail(PlatformErrorCode::NullReference, "The stroke reference is empty");
    if (!rec->owner)
        fail(PlatformErrorCode::DetachedStroke, "The stroke has been deleted from its ink");
    if (rec->owner != this)
        fail(PlatformErrorCode::ForeignStroke, "The stroke belongs to another ink");
    return *rec;
}

InkDisp::Impl::RecordPtr InkDisp::Impl::newRecord(const InkDrawingAttributes& attributes)
{
    auto rec = std::make_shared<StrokeRecord>();
    rec->owner = this;
    rec->id = m_nextId++;
    rec->attributes = attributes;
    return rec;
}

StrokeOrder::Place StrokeOrder::find(const StrokeRecord& rec) const
{
    // The first block whose last key is not below rec's, then within it.
    const auto block = std::lower_bound(m_blocks.begin(), m_blocks.end(), rec.orderKey,
                                        [](const std::vector<RecordPtr>& b, uint64_t key) { return b.back()->orderKey < key; });
    if (block == m_blocks.end())
        return {};
    const auto it = std::lower_bound(block->begin(), block->end(), rec.orderKey,
                                     [](const RecordPtr& r, uint64_t key) { return r->orderKey < key; });
    if (it == block->end() || it->get() != &rec)
        return {};
    return {size_t(block - m_blocks.begin()), size_t(it - block->begin()), true};
}

StrokeOrder::Place StrokeOrder::held(const StrokeRecord& rec) const
{
    const Place place = find(rec);
    if (!place.found)
        fail(PlatformErrorCode::InvalidState, "The stroke is not one of the ink's strokes");
    return place;
}

size_t StrokeOrder::capacity() const
{
    size_t entries = 0;
    for (const std::vector<RecordPtr>& block : m_blocks)
        entries += block.capacity();
    return entries + m_blocks.capacity() * sizeof(std::vector<RecordPtr>) / sizeof(RecordPtr);
}

void StrokeOrder::push_back(RecordPtr rec)
{
    if (m_blocks.empty() || m_blocks.back().size() >= kMaxBlock)
        m_blocks.emplace_back().reserve(kMaxBlock);
    m_blocks.back().push_back(std::move(rec));
    ++m_size;
}

const StrokeRecord* StrokeOrder::after(const StrokeRecord& rec) const
{
    const Place place = held(rec);
    if (place.index + 1 < m_blocks[place.block].size())
        return m_blocks[place.block][place.index + 1].get();
    return place.block + 1 < m_blocks.size() ? m_blocks[place.block + 1].front().get() : nullptr;
}

void StrokeOrder::insertAfter(const StrokeRecord& before, RecordPtr rec)
{
    const Place place = held(before);
    std::vector<RecordPtr>& block = m_blocks[place.block];
    block.insert(block.begin() + std::ptrdiff_t(place.index + 1), std::move(rec));
    ++m_size;
    if (block.size() > kMaxBlock) {
        // Split in halves, each with room to grow.
        std::vector<RecordPtr> upper(std::make_move_iterator(block.begin() + std::ptrdiff_t(block.size() / 2)),
                                     std::make_move_iterator(block.end()));
        block.resize(block.size() / 2);
        m_blocks.insert(m_blocks.begin() + std::ptrdiff_t(place.block + 1), std::move(upper));
    }
}

void StrokeOrder::erase(const StrokeRecord& rec)
{
    const Place place = held(rec);
    std::vector<RecordPtr>& block = m_blocks[place.block];
    block.erase(block.begin() + std::ptrdiff_t(place.index));
    --m_size;
    if (block.empty())
        m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(place.block));
}

void StrokeOrder::clear()
{
    m_blocks.clear();
    m_size = 0;
}

void InkDisp::Impl::renumber()
{
    uint64_t key = 0;
    for (const RecordPtr& r : m_strokes)
        r->orderKey = (key += kOrderGap);
}

void InkDisp::Impl::append(const RecordPtr& rec)
{
    if (!m_strokes.empty() && m_strokes.back()->orderKey > UINT64_MAX - kOrderGap)
        renumber();
    rec->orderKey = (m_strokes.empty() ? 0 : m_strokes.back()->orderKey) + kOrderGap;
    m_strokes.push_back(rec);
    reindex(*rec);
    meetingsAdded(*rec);
}

void InkDisp::Impl::insertAfter(const StrokeRecord& before, const RecordPtr& rec)
{
    const StrokeRecord* next = m_strokes.after(before);
    auto nextKey = [&] { return next ? next->orderKey : before.orderKey + 2 * kOrderGap; };
    if (before.orderKey > UINT64_MAX - 2 * kOrderGap || nextKey() - before.orderKey < 2)
        renumber();
    rec->orderKey = before.orderKey + (nextKey() - before.orderKey) / 2;
    m_strokes.insertAfter(before, rec);
    reindex(*rec);
}

uint32_t InkDisp::Impl::takeSlot(StrokeRecord* rec)
{
    if (!m_freeSlots.empty()) {
        const uint32_t slot = m_freeSlots.back();
        m_freeSlots.pop_back();
        m_slots[slot] = SlotView{rec};
        return slot;
    }
    if (m_slots.size() >= kNoSlot)
        fail(PlatformErrorCode::InvalidState, "The ink holds too many strokes");
    m_slots.push_back(SlotView{rec});
    return static_cast<uint32_t>(m_slots.size() - 1);
}

void InkDisp::Impl::reindex(StrokeRecord& rec)
{
    rec.chunkBoxes = ink_geometry::chunkBoxes(rec.points(), 0.0);
    rec.chunkBoxes.shrink_to_fit();
    if (rec.slot == kNoSlot)
        rec.slot = takeSlot(&rec);
    m_grid.insert(rec.slot, rec.chunkBoxes);
    m_slots[rec.slot] = SlotView{&rec, rec.packets.data(), rec.packets.size()};
    rec.margin = drawnMargin(rec.attributes);
    if (rec.margin > kWideMargin)
        m_wideSlots.push_back(rec.slot);
    else
        ++m_margins[rec.margin];
}

void InkDisp::Impl::reindexCut(StrokeRecord& rec)
{
    std::vector<InkRectangle> boxes = ink_geometry::chunkBoxes(rec.points(), 0.0);
    boxes.shrink_to_fit();
    const std::span<const InkRectangle> old(rec.chunkBoxes);
    const std::span<const InkRectangle> now(boxes);
    const size_t same = static_cast<size_t>(std::mismatch(old.begin(), old.end(), now.begin(), now.end()).first - old.begin());
    m_grid.remove(rec.slot, old.subspan(same), static_cast<uint32_t>(same));
    m_grid.insert(rec.slot, now.subspan(same), static_cast<uint32_t>(same));
    rec.chunkBoxes = std::move(boxes);
    m_slots[rec.slot] = SlotView{&rec, rec.packets.data(), rec.packets.size()};
}

void InkDisp::Impl::unindex(StrokeRecord& rec)
{
    if (rec.slot == kNoSlot)
        return;
    m_grid.remove(rec.slot, rec.chunkBoxes);
    rec.chunkBoxes.clear();
    if (rec.margin > kWideMargin) {
        std::erase(m_wideSlots, rec.slot);
    } else if (const auto it = m_margins.find(rec.margin); it != m_margins.end() && --it->second == 0) {
        m_margins.erase(it);
    }
}

void InkDisp::Impl::removeAll(std::vector<StrokeRecord*> records)
{
    if (records.size() == m_strokes.size()) {
        dropMeetings();
        m_grid.clear();
        m_margins.clear();
        m_wideSlots.clear();
        m_slots.clear();
        m_freeSlots.clear();
        for (const RecordPtr& r : m_strokes)
            release(*r);
        m_strokes.clear();
        return;
    }
    // A few strokes are found by their order keys; sweeping a page of tens
    // of thousands for each (an eraser deletes one at a time) cost more than
    // the rest of the erase.
    const bool few = records.size() <= 16;
    for (StrokeRecord* rec : records) {
        if (few && !m_strokes.holds(*rec))
            fail(PlatformErrorCode::InvalidState, "The stroke is not one of the ink's strokes");
        meetingsRemoved(*rec);
        unindex(*rec);
        m_slots[rec->slot] = SlotView{};
        m_freeSlots.push_back(rec->slot);
        release(*rec);
        if (few)
            m_strokes.erase(*rec);  // its key stays: found by it
    }
    if (!few)
        m_strokes.eraseIf([](const RecordPtr& r) { return r->owner == nullptr; });
}

void InkDisp::Impl::detachAll()
{
    for (const RecordPtr& r : m_strokes)
        release(*r);
    for (const RecordPtr& r : m_inProgress)
        release(*r);
    m_strokes.clear();
    m_inProgress.clear();
    dropMeetings();
    m_grid.clear();
    m_margins.clear();
    m_wideSlots.clear();
    m_slots.clear();
    m_freeSlots.clear();
}

void InkDisp::Impl::dropInProgress(const StrokeRecord& rec)
{
    std::erase_if(m_inProgress, [&](const RecordPtr& r) { return r.get() == &rec; });
}

void InkDisp::Impl::notifyAdded(const RecordPtr& rec)
{
    ++m_revision;
    const InkStrokeDisp stroke = Access::stroke(rec);
    for (InkChangeListener* l : std::vector<InkChangeListener*>(m_listeners))
        l->strokeAdded(stroke);
}

void InkDisp::Impl::notifyChanged(const InkRectangle& area)
{
    ++m_revision;
    for (InkChangeListener* l : std::vector<InkChangeListener*>(m_listeners))
        l->inkChanged(area);
}

void InkDisp::Impl::notifySplit(const RecordPtr& rec, const RecordPtr& piece, const InkRectangle& strokeArea,
                                const InkRectangle& cutArea)
{
    ++m_revision;
    const InkStrokeDisp stroke = Access::stroke(rec);
    const InkStrokeDisp rest = Access::stroke(piece);
    for (InkChangeListener* l : std::vector<InkChangeListener*>(m_listeners))
        l->strokeSplit(stroke, rest, strokeArea, cutArea);
}

void InkDisp::Impl::addListener(InkChangeListener* l)
{
    if (l && std::find(m_listeners.begin(), m_listeners.end(), l) == m_listeners.end())
        m_listeners.push_back(l);
}

void InkDisp::Impl::removeListener(InkChangeListener* l) { std::erase(m_listeners, l); }

InkDisp::MemoryUse InkDisp::Impl::memoryUse() const
{
    MemoryUse use;
    auto recordBytes = [](const StrokeRecord& r) {
        return kControlBlockBytes + sizeof(StrokeRecord) + r.packets.capacity() * sizeof(InkPacket) +
               r.chunkBoxes.capacity() * sizeof(InkRectangle) + r.cusps.capacity() * sizeof(int32_t);
    };
    for (const RecordPtr& r : m_strokes) {
        ++use.strokes;
        use.packets += r->packets.size();
        use.bytes += recordBytes(*r);
    }
    for (const RecordPtr& r : m_inProgress)
        use.bytes += recordBytes(*r);
    use.bytes += (m_strokes.capacity() + m_inProgress.capacity()) * sizeof(RecordPtr) +
                 m_slots.capacity() * sizeof(SlotView) + m_freeSlots.capacity() * sizeof(uint32_t) +
                 m_wideSlots.capacity() * sizeof(uint32_t) + m_margins.size() * 48 +
                 m_grid.memoryBytes() + m_store.bySlot.capacity() * sizeof(std::vector<Meeting>);
    for (const std::vector<Meeting>& v : m_store.bySlot)
        use.bytes += v.capacity() * sizeof(Meeting);
    use.bytes += m_store.sorted.capacity() * sizeof(size_t) +
                 m_meetings.bySlot.capacity() * sizeof(std::vector<float>) + m_meetings.stale.capacity();
    for (const std::vector<float>& v : m_meetings.bySlot)
        use.bytes += v.capacity() * sizeof(float);
    return use;
}
