#pragma once
// Inside the ink: the shared record behind every stroke reference, and the
// ink's own state (strokes in order, strokes in progress, the spatial index).
// Only the model's own sources include this.

#include "platform/ink/ink_model.h"
#include "platform/ink/spatial_grid.h"

#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ink_detail {

constexpr uint32_t kNoSlot = UINT32_MAX;

struct StrokeRecord : std::enable_shared_from_this<StrokeRecord> {
    InkDisp::Impl* owner = nullptr;  // null once detached
    int64_t id = 0;
    uint64_t orderKey = 0;  // ascending in ink order
    uint32_t slot = kNoSlot;
    bool inProgress = false;
    InkDrawingAttributes attributes;
    std::vector<InkPacket> packets;
    std::vector<InkRectangle> chunkBoxes;  // centre-line bounds of each chunk, while indexed
    int64_t margin = 0;                    // half the widest drawn width, rounded up, while indexed
    // The cusps once asked for, until the points change: the eraser and the
    // markers ask for the same stroke's move after move.
    mutable std::vector<int32_t> cusps;
    mutable bool cuspsKnown = false;

    std::span<const InkPacket> points() const { return packets; }
};

using RecordPtr = std::shared_ptr<StrokeRecord>;

// Reaches the private parts of references and collections.
struct Access {
    static const RecordPtr& record(const InkStrokeDisp& s) { return s.m_rec; }
    static InkStrokeDisp stroke(RecordPtr rec) { return InkStrokeDisp(std::move(rec)); }
    static void markWhole(InkStrokes& s, const InkDisp* ink, uint64_t revision)
    {
        s.m_wholeInk = ink;
        s.m_revision = revision;
    }
};

[[noreturn]] void fail(int32_t code, const std::string& message);

// The ink's strokes in ink order (ascending order keys), in blocks of at
// most kMaxBlock: a stroke cut in two or deleted in the middle of a page of
// 50,000 moves one block's entries, not half the page's (an eraser cuts
// dozens of strokes a move there).
class StrokeOrder {
public:
    class const_iterator {
    public:
        const RecordPtr& operator*() const { return (*m_blocks)[m_block][m_index]; }
        const_iterator& operator++()
        {
            if (++m_index == (*m_blocks)[m_block].size()) {
                ++m_block;
                m_index = 0;
            }
            return *this;
        }
        bool operator==(const const_iterator& o) const { return m_block == o.m_block && m_index == o.m_index; }

    private:
        friend class StrokeOrder;
        const_iterator(const std::vector<std::vector<RecordPtr>>* blocks, size_t block) : m_blocks(blocks), m_block(block) {}
        const std::vector<std::vector<RecordPtr>>* m_blocks;
        size_t m_block;
        size_t m_index = 0;
    };
    const_iterator begin() const { return const_iterator(&m_blocks, 0); }
    const_iterator end() const { return const_iterator(&m_blocks, m_blocks.size()); }
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const RecordPtr& back() const { return m_blocks.back().back(); }
    size_t capacity() const;

    void push_back(RecordPtr rec);
    bool holds(const StrokeRecord& rec) const { return find(rec).found; }
    // The record right after rec (which must be held), or null.
    const StrokeRecord* after(const StrokeRecord& rec) const;
    // rec, its order key between before's and the next one's, right after before.
    void insertAfter(const StrokeRecord& before, RecordPtr rec);
    void erase(const StrokeRecord& rec);
    template <class Pred>
    void eraseIf(Pred pred)
    {
        m_size = 0;
        for (std::vector<RecordPtr>& block : m_blocks) {
            std::erase_if(block, pred);
            m_size += block.size();
        }
        std::erase_if(m_blocks, [](const std::vector<RecordPtr>& block) { return block.empty(); });
    }
    void clear();

private:
    static constexpr size_t kMaxBlock = 512;
    struct Place {
        size_t block = 0;
        size_t index = 0;
        bool found = false;
    };
    Place find(const StrokeRecord& rec) const;
    Place held(const StrokeRecord& rec) const;  // fails when not held

    std::vector<std::vector<RecordPtr>> m_blocks;  // none empty
    size_t m_size = 0;
};

}  // namespace ink_detail

class InkDisp::Impl {
public:
    using StrokeRecord = ink_detail::StrokeRecord;
    using RecordPtr = ink_detail::RecordPtr;

    explicit Impl(InkDisp* facade) : m_facade(facade) {}

    InkDisp* facade() const { return m_facade; }
    uint64_t revision() const { return m_revision; }
    const ink_detail::StrokeOrder& strokes() const { return m_strokes; }

    // The record behind a reference, checked: not empty, attached, this ink's.
    StrokeRecord& own(const InkStrokeDisp& stroke) const;

    RecordPtr newRecord(const InkDrawingAttributes& attributes);
    void append(const RecordPtr& rec);                                 // at the end, indexed
    void insertAfter(const StrokeRecord& before, const RecordPtr& rec);  // indexed; its meetings come with the split
    void removeAll(std::vector<StrokeRecord*> records);                // detaches them
    void detachAll();

    // Drops the stroke's index entries before its points or width change, and
    // puts them back after.
    void unindex(StrokeRecord& rec);
    void reindex(StrokeRecord& rec);
    // Follows an indexed stroke cut short (its points up to the cut and its
    // attributes kept): only the chunks from the first whose bounds changed
    // are taken out and put back.
    void reindexCut(StrokeRecord& rec);

    void addInProgress(const RecordPtr& rec) { m_inProgress.push_back(rec); }
    void dropInProgress(const StrokeRecord& rec);

    // Bumps the revision, then tells the listeners.
    void notifyAdded(const RecordPtr& rec);
    void notifyChanged(const InkRectangle& area);
    void notifySplit(const RecordPtr& rec, const RecordPtr& piece, const InkRectangle& strokeArea,
                     const InkRectangle& cutArea);

    void addListener(InkChangeListener* l);
    void removeListener(InkChangeListener* l);

    // Queries on the spatial index (ink_queries.cpp).
    InkStrokes hitTest(int32_t x, int32_t y, float radius) const;
    InkStrokes strokesIn(const InkRectangle& area) const;
    InkStrokes strokesCentredIn(std::span<const InkRectangle> areas) const;
    // Meetings of rec with the indexed strokes that `wanted` accepts by slot.
    template <class Wanted>
    void meetingsWithIndexed(const StrokeRecord& rec, std::span<const InkRectangle> boxes,
                             std::span<const InkRectangle> segBoxes, Wanted&& wanted, std::vector<float>& out) const;
    std::vector<float> intersections(const StrokeRecord& rec, const InkStrokes& strokes) const;
    InkStrokeDisp::CrossingsAround crossingsAround(const StrokeRecord& rec, float index) const;
    std::vector<std::vector<float>> intersectionsOfEach(const InkStrokes& strokes) const;
    // Answers from what the ink keeps: out[item] for each, largest first,
    // on threads when they are many.
    struct KeptAnswer {
        size_t item;
        const StrokeRecord* rec;
        size_t size;
    };
    void answerKept(std::vector<KeptAnswer>& answers, std::vector<std::vector<float>>& out) const;
    // The meetings of an indexed stroke with all others, from the meeting
    // store, which a second stroke asking at one revision builds
    // (ink_meeting_cache.cpp). False when the caller is to find them itself.
    bool cachedMeetings(const StrokeRecord& rec, std::vector<float>& out) const;
    bool meetingsKept() const { return m_store.built || m_meetings.ready; }
    // A crossings job's side (ink_crossings_job.cpp): the copy it runs on,
    // with these slots and this order, its records' points its own; every
    // crossing of the copy, by records in ink order; the ink taking over
    // what the copy built.
    void copyRecords(std::vector<StrokeRecord>& records) const;  // slots, order and points
    std::unique_ptr<Impl> copyForJob(std::vector<StrokeRecord>& records) const;
    std::vector<std::vector<float>> allCrossings(const std::vector<StrokeRecord>& records) const;
    void adoptMeetings(Impl& copy);
    // While the token lives, a second stroke asking does not build the store.
    void jobOut(const std::shared_ptr<const int>& token) const { m_job = token; }
    void setKeptMeetingsLimit(size_t meetings) { m_keptLimit = meetings; }

    // The meeting store follows the index: a stroke added, a stroke cut in
    // two at segment k (between: inside it), a stroke about to go.
    void meetingsAdded(const StrokeRecord& rec);
    void meetingsSplit(const StrokeRecord& rec, const StrokeRecord& piece, size_t k, bool between);
    void meetingsRemoved(const StrokeRecord& rec);

    InkDisp::MemoryUse memoryUse() const;

private:
    void renumber();
    uint32_t takeSlot(StrokeRecord* rec);
    int64_t widestMargin() const { return m_margins.empty() ? 0 : m_margins.rbegin()->first; }
    // Chunks near area (their drawn bounds meeting it), from the grid and
    // from the strokes too wide for it.
    template <class Visit>
    void chunksNear(const InkRectangle& area, Visit&& visit) const;
    // Indexed strokes, each once, in ink order.
    InkStrokes inInkOrder(std::vector<const StrokeRecord*> records) const;

    InkDisp* m_facade;
    uint64_t m_revision = 1;
    int64_t m_nextId = 1;
    ink_detail::StrokeOrder m_strokes;    // ink order
    std::vector<RecordPtr> m_inProgress;  // begun, neither committed nor discarded
    // Index slot -> stroke, with its points at hand: a query visiting many
    // strokes' chunks then reads one compact array, not every record.
    struct SlotView {
        StrokeRecord* rec = nullptr;
        const InkPacket* points = nullptr;
        size_t count = 0;
    };
    std::vector<SlotView> m_slots;
    std::vector<uint32_t> m_freeSlots;
    SpatialGrid m_grid;                      // chunks by their centre-line bounds
    std::map<int64_t, uint32_t> m_margins;  // drawn margins of indexed strokes, with counts
    std::vector<uint32_t> m_wideSlots;      // strokes whose margin is too wide to add to every query
    std::vector<InkChangeListener*> m_listeners;

    // Every meeting of the indexed strokes, a stroke's meetings with itself
    // included, each with where it lies on both strokes. Asking every stroke
    // for its meetings (as the intersection markers do) would find each
    // twice; asking again after every cut would find the cut stroke's all
    // over again. Kept from its first full pass on: a cut moves the cut
    // stroke's meetings to the pieces and finds only the cut segment's
    // anew, a deleted stroke takes its own away.
public:
    struct Meeting {
        long double fraction;  // along segment k, as the index is made of it
        uint32_t k;            // this stroke's segment
        uint32_t j;            // the other stroke's segment
        uint32_t other;        // the other stroke's slot; this one's own for a crossing with itself
        float index;           // k + fraction as a float index on this stroke
    };

private:
    struct MeetingStore {
        bool built = false;
        uint64_t askedRevision = 0;
        int asked = 0;
        // Each stroke's meetings in the ink order of the other stroke, so
        // those with one stroke are found at once; the first sorted[slot]
        // are in order, meetings stored since follow until finish().
        std::vector<std::vector<Meeting>> bySlot;
        std::vector<size_t> sorted;
        std::vector<uint32_t> touched;
        // Stretches of the head of a list that a cut took meetings from, to
        // be taken out by finishMeetings(): one a list at most.
        struct Gap {
            uint32_t slot;
            size_t first;
            size_t count;
        };
        std::vector<Gap> gaps;
        // Each stroke's crossings with the others, merged from its meetings
        // once asked (a marker pass asks many strokes a cut left alone), in
        // order and as many times as met; then meetings that come and go
        // are put in and taken out, until the stroke itself is cut.
        std::vector<std::vector<float>> merged;
        std::vector<size_t> mergedFor;  // packets of the stroke merged for, or kNotMerged
        static constexpr size_t kNotMerged = SIZE_MAX;
        size_t stored = 0;       // meetings stored since the build, counted afresh now and then
        size_t oversizedAt = 0;  // points of the ink when a build gave up
    };
    mutable MeetingStore m_store;
    // Past this many meetings (32 bytes each) the store is not built.
    size_t m_keptLimit = size_t{1} << 21;
    // Such a page keeps each stroke's crossings alone, merged (a float
    // each), from one sweep that finds each crossing once for both strokes.
    // A change marks the strokes near it stale, and a stale stroke is asked
    // afresh when next wanted: a cut costs its neighbours, not the page.
    struct MeetingCache {
        bool ready = false;
        std::vector<std::vector<float>> bySlot;
        std::vector<uint8_t> stale;
    };
    mutable MeetingCache m_meetings;
    mutable std::weak_ptr<const int> m_job;
    // Finds every meeting of the page once: into the store (if store, and
    // while they number at most m_keptLimit; then true) or as crossings
    // alone, ready in m_meetings.
    bool findAllMeetings(bool store) const;
    // findAllMeetings, storing unless the page held too many before.
    void buildMeetings() const;
    // Every crossing of the page, each stroke's sorted and unique, the
    // grid's cells shared among threads.
    std::vector<std::vector<float>> sweepCrossings(const SpatialGrid& segments) const;
    // A grid of every segment of the page (entries' chunk: the segment).
    SpatialGrid segmentGrid() const;
    // A stale stroke's crossings, asked afresh, kept again.
    void keepSwept(const StrokeRecord& rec, const std::vector<float>& meetings) const;
    template <class Change>
    void sweptFollowed(Change&& change) const;
    // Marks stale the slot and every stroke with a chunk near boxes.
    void sweptChanged(uint32_t slot, std::span<const InkRectangle> boxes) const;
    void dropMeetings() const;
    // Runs a change of the store; should it fail, the store is dropped.
    template <class Change>
    void followed(Change&& change) const;
    // Meetings of segment k of slot a with segment j of slot b, on both.
    void storeMeetings(uint32_t a, size_t k, uint32_t b, size_t j) const;
    // The same onto lists by slot, nothing else touched; returns how many.
    size_t pairMeetings(std::vector<std::vector<Meeting>>& lists, uint32_t a, size_t k, uint32_t b, size_t j) const;
    // Every meeting of the page from segments, in parts on threads; false
    // (nothing kept) once they number more than the store keeps.
    bool storeAllMeetings(const SpatialGrid& segments) const;
    // Meetings of one segment with every indexed segment but itself and
    // those skip() rejects.
    template <class Skip>
    void storeSegmentMeetings(uint32_t slot, size_t k, Skip&& skip) const;
    // Puts the meetings stored since into order.
    void finishMeetings() const;
    void growMeetings() const;
    void meetingsChanged(uint32_t slot) const { m_store.mergedFor[slot] = MeetingStore::kNotMerged; }
    // Whether the stroke's merged crossings are kept, to follow its meetings.
    bool merging(uint32_t slot) const { return m_store.mergedFor[slot] == m_slots[slot].count; }
    // Whether a meeting at index counts as a crossing of the stroke.
    bool inside(uint32_t slot, float index) const;
    // Meetings with a stroke earlier in ink order come first.
    bool otherBefore(const Meeting& a, const Meeting& b) const;
    // Where a list's meetings with the stroke in slot lie, [first, end).
    std::pair<size_t, size_t> runWith(const std::vector<Meeting>& list, uint32_t slot) const;
    // The strokes holding meetings with rec (before any change to rec).
    std::vector<uint32_t> partners(const StrokeRecord& rec) const;
};
