// Stroke references, stroke collections and the ink: storage and lifetime.
// Geometry members of InkStrokeDisp are in ink_stroke_geometry.cpp, index
// queries in ink_queries.cpp.

#include "platform/ink/ink_model.h"
#include "platform/ink/ink_geometry.h"
#include "platform/ink/ink_store.h"

#include <algorithm>

using namespace ink_detail;

// ---- InkStrokes ----

InkStrokeDisp InkStrokes::Item(int32_t index) const
{
    if (index < 0 || index >= Count())
        fail(PlatformErrorCode::IndexOutOfRange,
             "Stroke index " + std::to_string(index) + " is outside 0.." + std::to_string(Count() - 1));
    return items()[static_cast<size_t>(index)];
}

const std::vector<InkStrokeDisp>& InkStrokes::items() const
{
    static const std::vector<InkStrokeDisp> none;
    return m_strokes ? *m_strokes : none;
}

void InkStrokes::Add(const InkStrokeDisp& stroke)
{
    if (!m_strokes)
        m_strokes = std::make_shared<std::vector<InkStrokeDisp>>();
    else if (m_strokes.use_count() > 1)
        m_strokes = std::make_shared<std::vector<InkStrokeDisp>>(*m_strokes);
    m_strokes->push_back(stroke);
}

// ---- InkStrokeDisp ----

StrokeRecord& InkStrokeDisp::live() const
{
    if (!m_rec)
        fail(PlatformErrorCode::NullReference, "The stroke reference is empty");
    if (!m_rec->owner)
        fail(PlatformErrorCode::DetachedStroke, "The stroke has been deleted from its ink");
    return *m_rec;
}

bool InkStrokeDisp::isDetached() const { return m_rec && !m_rec->owner; }
bool InkStrokeDisp::isInProgress() const { return m_rec && m_rec->owner && m_rec->inProgress; }
int64_t InkStrokeDisp::ID() const { return live().id; }
InkDisp* InkStrokeDisp::ink() const { return live().owner->facade(); }

int16_t InkStrokeDisp::PacketSize() const
{
    live();
    return 3;
}

int32_t InkStrokeDisp::PacketCount() const { return static_cast<int32_t>(live().packets.size()); }
std::vector<InkPacket> InkStrokeDisp::packets() const { return live().packets; }
std::span<const InkPacket> InkStrokeDisp::heldPackets() const { return live().packets; }

std::vector<InkPoint> InkStrokeDisp::GetPoints(int32_t index, int32_t count) const
{
    const StrokeRecord& rec = live();
    const int64_t n = static_cast<int64_t>(rec.packets.size());
    if (index < 0 || index > n)
        fail(PlatformErrorCode::IndexOutOfRange,
             "Point index " + std::to_string(index) + " is outside 0.." + std::to_string(n - 1));
    int64_t wanted = count;
    if (count == -1)
        wanted = n - index;
    else if (count < 0)
        fail(PlatformErrorCode::InvalidArgument, "A point count cannot be negative");
    else if (index + wanted > n)
        fail(PlatformErrorCode::IndexOutOfRange, "The stroke has only " + std::to_string(n) + " points");
    std::vector<InkPoint> points;
    points.reserve(static_cast<size_t>(wanted));
    for (int64_t i = index; i < index + wanted; ++i) {
        const InkPacket& p = rec.packets[static_cast<size_t>(i)];
        points.push_back(InkPoint{p.x, p.y});
    }
    return points;
}

InkDrawingAttributes InkStrokeDisp::DrawingAttributes() const { return live().attributes; }

void InkStrokeDisp::SetDrawingAttributes(const InkDrawingAttributes& attributes)
{
    StrokeRecord& rec = live();
    if (rec.attributes == attributes)
        return;
    rec.cuspsKnown = false;  // the cusp scale follows the pen's width
    if (rec.inProgress) {
        rec.attributes = attributes;
        return;
    }
    const InkRectangle before = drawnBounds();
    rec.owner->unindex(rec);
    rec.attributes = attributes;
    rec.owner->reindex(rec);
    rec.owner->notifyChanged(ink_geometry::united(before, drawnBounds()));
}

namespace {
// An indexed stroke's bounds from its chunks' (a sixteenth as many to
// look at): the markers ask a long stroke's at every cut near it.
InkRectangle centreBounds(const StrokeRecord& rec)
{
    if (rec.slot == kNoSlot || rec.inProgress || rec.chunkBoxes.empty())
        return ink_geometry::boundsOf(rec.points());
    InkRectangle bounds = rec.chunkBoxes.front();
    for (const InkRectangle& box : rec.chunkBoxes)
        bounds = ink_geometry::united(bounds, box);
    return bounds;
}
}  // namespace

InkRectangle InkStrokeDisp::GetBoundingBox() const { return centreBounds(live()); }

InkRectangle InkStrokeDisp::drawnBounds() const
{
    const StrokeRecord& rec = live();
    return ink_geometry::grown(centreBounds(rec), rec.attributes.maxDrawnWidth() / 2.0);
}

std::vector<InkRectangle> InkStrokeDisp::drawnParts() const
{
    // Runs of four segments: a mouse's moves are a few pixels long, so a
    // part is about as wide as the ink around it.
    const StrokeRecord& rec = live();
    return ink_geometry::runBoxes(rec.points(), 4, rec.attributes.maxDrawnWidth() / 2.0);
}

// ---- InkDisp ----

InkDisp::InkDisp() : m_impl(std::make_unique<Impl>(this)) {}
InkDisp::~InkDisp() { m_impl->detachAll(); }

InkStrokes InkDisp::Strokes() const
{
    if (m_snapshot.wholeInkOf() == this && m_snapshot.revision() == m_impl->revision())
        return m_snapshot;
    std::vector<InkStrokeDisp> items;
    items.reserve(m_impl->strokes().size());
    for (const RecordPtr& rec : m_impl->strokes())
        items.push_back(Access::stroke(rec));
    InkStrokes strokes(std::move(items));
    Access::markWhole(strokes, this, m_impl->revision());
    m_snapshot = strokes;
    return strokes;
}

int32_t InkDisp::strokeCount() const { return static_cast<int32_t>(m_impl->strokes().size()); }
uint64_t InkDisp::revision() const { return m_impl->revision(); }

InkStrokes InkDisp::HitTestCircle(int32_t x, int32_t y, float radius) const
{
    return m_impl->hitTest(x, y, radius);
}

InkStrokes InkDisp::strokesIn(const InkRectangle& area) const { return m_impl->strokesIn(area); }
InkStrokes InkDisp::strokesCentredIn(std::span<const InkRectangle> areas) const
{
    return m_impl->strokesCentredIn(areas);
}

void InkDisp::DeleteStroke(const InkStrokeDisp& stroke)
{
    DeleteStrokes(InkStrokes({stroke}));
}

void InkDisp::DeleteStrokes(const InkStrokes& strokes)
{
    // Every reference is checked before anything is deleted.
    std::vector<StrokeRecord*> records;
    records.reserve(static_cast<size_t>(strokes.Count()));
    for (const InkStrokeDisp& s : strokes) {
        StrokeRecord& rec = m_impl->own(s);
        if (rec.inProgress)
            fail(PlatformErrorCode::InvalidState, "A stroke still being collected cannot be deleted");
        records.push_back(&rec);
    }
    std::sort(records.begin(), records.end());
    records.erase(std::unique(records.begin(), records.end()), records.end());
    if (records.empty())
        return;
    InkRectangle area{0, 0, -1, -1};
    for (const StrokeRecord* rec : records)
        area = ink_geometry::united(area, ink_geometry::grown(ink_geometry::boundsOf(rec->points()),
                                                              rec->attributes.maxDrawnWidth() / 2.0));
    m_impl->removeAll(std::move(records));
    m_impl->notifyChanged(area);
}

void InkDisp::DeleteStrokes() { DeleteStrokes(Strokes()); }

InkStrokeDisp InkDisp::CreateStroke(const std::vector<InkPacket>& packets, const InkDrawingAttributes& attributes)
{
    if (packets.empty())
        fail(PlatformErrorCode::InvalidArgument, "A stroke needs at least one packet");
    RecordPtr rec = m_impl->newRecord(attributes);
    rec->packets = packets;
    m_impl->append(rec);
    m_impl->notifyAdded(rec);
    return Access::stroke(rec);
}

InkStrokeDisp InkDisp::beginStroke(const InkDrawingAttributes& attributes)
{
    RecordPtr rec = m_impl->newRecord(attributes);
    rec->inProgress = true;
    m_impl->addInProgress(rec);
    return Access::stroke(rec);
}

namespace {
StrokeRecord& inProgressOf(const InkDisp::Impl& ink, const InkStrokeDisp& stroke)
{
    StrokeRecord& rec = ink.own(stroke);
    if (!rec.inProgress)
        fail(PlatformErrorCode::InvalidState, "The stroke is not being collected");
    return rec;
}
}  // namespace

void InkDisp::appendPackets(const InkStrokeDisp& inProgress, const InkPacket* packets, size_t count)
{
    StrokeRecord& rec = inProgressOf(*m_impl, inProgress);
    if (count == 0)
        return;
    if (!packets)
        fail(PlatformErrorCode::InvalidArgument, "No packet data given");
    rec.packets.insert(rec.packets.end(), packets, packets + count);
    rec.cuspsKnown = false;
}

void InkDisp::commitStroke(const InkStrokeDisp& inProgress)
{
    StrokeRecord& rec = inProgressOf(*m_impl, inProgress);
    if (rec.packets.empty())
        fail(PlatformErrorCode::InvalidState, "A stroke needs at least one packet to join the ink");
    const RecordPtr keep = Access::record(inProgress);
    rec.inProgress = false;
    rec.packets.shrink_to_fit();
    m_impl->dropInProgress(rec);
    m_impl->append(keep);
    m_impl->notifyAdded(keep);
}

void InkDisp::discardStroke(const InkStrokeDisp& inProgress)
{
    StrokeRecord& rec = inProgressOf(*m_impl, inProgress);
    m_impl->dropInProgress(rec);
    rec.owner = nullptr;
    std::vector<InkPacket>().swap(rec.packets);
}

void InkDisp::addListener(InkChangeListener* listener) { m_impl->addListener(listener); }
void InkDisp::removeListener(InkChangeListener* listener) { m_impl->removeListener(listener); }
InkDisp::MemoryUse InkDisp::memoryUse() const { return m_impl->memoryUse(); }
bool InkDisp::meetingsKept() const { return m_impl->meetingsKept(); }
std::vector<std::vector<float>> InkDisp::intersectionsOfEach(const InkStrokes& strokes) const
{
    return m_impl->intersectionsOfEach(strokes);
}
void InkDisp::setKeptMeetingsLimit(size_t meetings) { m_impl->setKeptMeetingsLimit(meetings); }
