// The meeting store: every meeting of the indexed strokes, followed through
// the changes of the ink so that a cut costs the cut segment, not the page.

#include "platform/ink/ink_geometry.h"
#include "platform/ink/ink_store.h"
#include "platform/ink/parallel_parts.h"

#include <algorithm>
#include <atomic>

using namespace ink_detail;

using Meeting = InkDisp::Impl::Meeting;
// The float index takes the room the long double's alignment leaves.
static_assert(sizeof(Meeting) <= 32);

namespace {

// The segment pairs of every parts-th cell of the grid from the part-th
// on: the cells dealt out among parts (a pass over the page's pairs is
// shared this way among threads, or sampled).
template <class Visit>
void forEachPairOfPart(const SpatialGrid& segments, int part, int parts, Visit&& visit)
{
    size_t cell = 0;
    segments.forEachPair([&] { return cell++ % size_t(parts) == size_t(part); }, visit);
}

// Parts worth a pass over the page's pairs: a thread from some tens of cells.
int cellParts(const SpatialGrid& segments)
{
    constexpr size_t kCellsPerPart = 32;
    return ink_parallel::partsFor(segments.cellCount(), kCellsPerPart);
}

// A stroke's meetings are kept by the other stroke in ink order (a piece
// cut off comes right after its stroke, so the meetings passed to it stay
// where they are), and with one stroke along this one: their indices come
// out ascending. keyOf(slot) gives a stroke's place in ink order.
template <class KeyOf>
auto meetingOrder(KeyOf keyOf)
{
    return [keyOf](const Meeting& a, const Meeting& b) {
        if (a.other != b.other)
            return keyOf(a.other) < keyOf(b.other);
        if (a.k != b.k)
            return a.k < b.k;
        return a.fraction < b.fraction;
    };
}

// A whole list in meeting order: a radix sort by (the other stroke's place
// in ink order, segment), a few passes over the list where comparing sorts
// take seconds on a page of a million meetings; then the few meetings of one
// segment with one stroke by fraction.
void sortByRank(std::vector<Meeting>& list, const std::vector<uint32_t>& rank)
{
    struct Tagged {
        uint64_t key;
        uint32_t at;
    };
    const size_t n = list.size();
    if (n < 2)
        return;
    uint64_t segments = 1;
    for (const Meeting& m : list)
        segments = std::max<uint64_t>(segments, uint64_t{m.k} + 1);
    std::vector<Tagged> from(n), to(n);
    uint64_t largest = 0;
    for (size_t i = 0; i < n; ++i) {
        from[i] = Tagged{uint64_t{rank[list[i].other]} * segments + list[i].k, uint32_t(i)};
        largest = std::max(largest, from[i].key);
    }
    constexpr int kDigitBits = 11;
    constexpr size_t kDigits = size_t{1} << kDigitBits;
    for (int shift = 0; shift < 64 && (largest >> shift) != 0; shift += kDigitBits) {
        size_t start[kDigits + 1] = {};
        for (const Tagged& t : from)
            ++start[((t.key >> shift) & (kDigits - 1)) + 1];
        for (size_t d = 1; d <= kDigits; ++d)
            start[d] += start[d - 1];
        for (const Tagged& t : from)
            to[start[(t.key >> shift) & (kDigits - 1)]++] = t;
        from.swap(to);
    }
    for (size_t i = 0, j = 0; i < n; i = j) {
        for (j = i + 1; j < n && from[j].key == from[i].key; ++j) {
        }
        if (j - i > 1)
            std::sort(from.begin() + std::ptrdiff_t(i), from.begin() + std::ptrdiff_t(j),
                      [&list](const Tagged& a, const Tagged& b) { return list[a.at].fraction < list[b.at].fraction; });
    }
    std::vector<Meeting> sorted;
    sorted.reserve(n);
    for (const Tagged& t : from)
        sorted.push_back(list[t.at]);
    list.swap(sorted);
}

// Merges a list's unsorted tail into its sorted head. With no gap, from the
// back: each of the few meetings a cut adds is placed by a search and the
// entries past it move up once, with no buffer the size of the list. With a
// gap in the head ([gapFirst, gapFirst + gapCount), entries that left but
// keep the head in order), only the stretch from the first place that
// changes to the last is written again, and what follows it moves only when
// the list's size changes: a cut through a stroke mostly finds as many
// meetings on the halves of the cut segment as it took from the segment, in
// the same stretch of the others' lists.
template <class T, class Less = std::less<T>>
void mergeTail(std::vector<T>& list, size_t sortedCount, Less less = {}, size_t gapFirst = 0, size_t gapCount = 0)
{
    std::vector<T> tail(list.begin() + std::ptrdiff_t(sortedCount), list.end());
    std::sort(tail.begin(), tail.end(), less);
    const auto at = [&list](size_t i) { return list.begin() + std::ptrdiff_t(i); };
    if (gapCount == 0) {
        auto head = at(sortedCount);
        auto write = list.end();
        for (auto t = tail.rbegin(); t != tail.rend(); ++t) {
            const auto place = std::upper_bound(list.begin(), head, *t, less);
            write = std::move_backward(place, head, write);
            head = place;
            *--write = *t;
        }
        return;
    }
    list.resize(sortedCount);
    const size_t gapEnd = gapFirst + gapCount;
    size_t from = gapFirst;
    size_t to = gapEnd;
    if (!tail.empty()) {
        from = std::min(from, size_t(std::upper_bound(list.begin(), list.end(), tail.front(), less) - list.begin()));
        to = std::max(to, size_t(std::upper_bound(list.begin(), list.end(), tail.back(), less) - list.begin()));
    }
    std::vector<T> kept(at(from), at(gapFirst));
    kept.insert(kept.end(), at(gapEnd), at(to));
    std::vector<T> stretch;
    stretch.reserve(kept.size() + tail.size());
    std::merge(kept.begin(), kept.end(), tail.begin(), tail.end(), std::back_inserter(stretch), less);
    const size_t size = sortedCount - (to - from) + stretch.size();
    if (size > sortedCount) {
        list.resize(size);
        std::move_backward(at(to), at(sortedCount), list.end());
    } else if (size < sortedCount) {
        std::move(at(to), at(sortedCount), at(from + stretch.size()));
        list.resize(size);
    }
    std::copy(stretch.begin(), stretch.end(), at(from));
}

// Takes one of each of gone (in any order) out of a sorted list that holds
// values as many times as they count; a value it does not hold is passed.
// What lies before the first of them stays where it is.
void takeOut(std::vector<float>& list, std::vector<float> gone)
{
    std::sort(gone.begin(), gone.end());
    auto read = list.begin();
    auto write = read;
    for (const float g : gone) {
        const auto found = std::lower_bound(read, list.end(), g);
        if (found == list.end() || *found != g)
            continue;
        write = read == write ? found : std::move(read, found, write);
        read = found + 1;
    }
    list.erase(std::move(read, list.end(), write), list.end());
}

// The end of the run of meetings with one stroke that starts at first: a
// stroke's meetings with another are one run of its list.
size_t runEnd(const std::vector<Meeting>& list, size_t first)
{
    const uint32_t other = list[first].other;
    size_t inRun = first;
    size_t step = 1;
    size_t probe = first + 1;
    while (probe < list.size() && list[probe].other == other) {
        inRun = probe;
        step *= 2;
        probe = inRun + step;
    }
    const auto end = std::partition_point(list.begin() + std::ptrdiff_t(inRun + 1),
                                          list.begin() + std::ptrdiff_t(std::min(probe, list.size())),
                                          [other](const Meeting& m) { return m.other == other; });
    return size_t(end - list.begin());
}

}  // namespace

bool InkDisp::Impl::otherBefore(const Meeting& a, const Meeting& b) const
{
    return a.other != b.other && m_slots[a.other].rec->orderKey < m_slots[b.other].rec->orderKey;
}

std::pair<size_t, size_t> InkDisp::Impl::runWith(const std::vector<Meeting>& list, uint32_t slot) const
{
    // Its start by the stroke's place in ink order; its end from there, as a
    // second search over the whole list would touch as many far entries
    // again (a cut asks this of every stroke the cut one meets).
    const uint64_t key = m_slots[slot].rec->orderKey;
    const auto first = std::partition_point(list.begin(), list.end(), [&](const Meeting& m) {
        return m.other != slot && m_slots[m.other].rec->orderKey < key;
    });
    const size_t at = size_t(first - list.begin());
    if (first == list.end() || first->other != slot)
        return {at, at};
    return {at, runEnd(list, at)};
}

// A change half followed would leave wrong answers: then none are kept.
template <class Change>
void InkDisp::Impl::followed(Change&& change) const
{
    try {
        change();
    } catch (...) {
        dropMeetings();
        throw;
    }
}

void InkDisp::Impl::dropMeetings() const
{
    m_store.built = false;
    m_store.stored = 0;
    std::vector<std::vector<Meeting>>().swap(m_store.bySlot);
    std::vector<size_t>().swap(m_store.sorted);
    std::vector<std::vector<float>>().swap(m_store.merged);
    std::vector<size_t>().swap(m_store.mergedFor);
    m_store.touched.clear();
    m_store.gaps.clear();
    m_meetings = MeetingCache{};
}

size_t InkDisp::Impl::pairMeetings(std::vector<std::vector<Meeting>>& lists, uint32_t a, size_t k, uint32_t b,
                                   size_t j) const
{
    const SlotView& va = m_slots[a];
    const SlotView& vb = m_slots[b];
    const ink_geometry::MeetingFractions m =
        ink_geometry::mutualMeetingFractions({va.points, va.count}, k, {vb.points, vb.count}, j);
    auto add = [&lists](uint32_t slot, uint32_t own, uint32_t theirs, uint32_t other, const long double* found, int n) {
        std::vector<Meeting>& list = lists[slot];
        for (int i = 0; i < n; ++i)
            list.push_back(Meeting{found[i], own, theirs, other, ink_geometry::meetingIndex(own, found[i])});
        return size_t(n);
    };
    size_t added = 0;
    if (va.count >= 2)
        added += add(a, uint32_t(k), uint32_t(j), b, m.onA, m.countA);
    if (vb.count >= 2)
        added += add(b, uint32_t(j), uint32_t(k), a, m.onB, m.countB);
    return added;
}

void InkDisp::Impl::storeMeetings(uint32_t a, size_t k, uint32_t b, size_t j) const
{
    const size_t sizeA = m_store.bySlot[a].size();
    const size_t sizeB = m_store.bySlot[b].size();
    if (pairMeetings(m_store.bySlot, a, k, b, j) == 0)
        return;
    auto grew = [this](uint32_t slot, size_t before) {
        const size_t now = m_store.bySlot[slot].size();
        if (now == before)
            return;
        if (before == m_store.sorted[slot])
            m_store.touched.push_back(slot);  // its merged crossings follow in finishMeetings()
        m_store.stored += now - before;
    };
    grew(a, sizeA);
    if (b != a)  // a stroke meeting itself grew one list
        grew(b, sizeB);
}

bool InkDisp::Impl::storeAllMeetings(const SpatialGrid& segments) const
{
    // Each part takes every parts-th cell; the first stores into the
    // store's own lists, the others into lists of their own joined to them
    // after (the lists are put in order next, so where a part's meetings
    // fall in them does not matter). The parts count what they stored
    // together, now and then, and all stop soon after the store is full.
    constexpr size_t kCountEvery = 4096;
    const int parts = cellParts(segments);
    std::vector<std::vector<std::vector<Meeting>>> more(size_t(parts - 1),
                                                        std::vector<std::vector<Meeting>>(m_slots.size()));
    std::atomic<size_t> stored{0};
    ink_parallel::runInParts(parts, [&](int part) {
        std::vector<std::vector<Meeting>>& lists = part == 0 ? m_store.bySlot : more[size_t(part) - 1];
        size_t uncounted = 0;
        forEachPairOfPart(segments, part, parts, [&](const SpatialGrid::Entry& p, const SpatialGrid::Entry& q) {
            uncounted += pairMeetings(lists, p.slot, size_t(p.chunk), q.slot, size_t(q.chunk));
            if (uncounted < kCountEvery)
                return true;
            const size_t all = stored.fetch_add(uncounted, std::memory_order_relaxed) + uncounted;
            uncounted = 0;
            return all <= m_keptLimit;
        });
        stored.fetch_add(uncounted, std::memory_order_relaxed);
    });
    if (stored.load() > m_keptLimit)
        return false;
    for (uint32_t slot = 0; slot < m_slots.size(); ++slot) {
        std::vector<Meeting>& list = m_store.bySlot[slot];
        for (std::vector<std::vector<Meeting>>& lists : more) {
            std::vector<Meeting>& theirs = lists[slot];
            if (list.empty())
                list.swap(theirs);
            else
                list.insert(list.end(), theirs.begin(), theirs.end());
            std::vector<Meeting>().swap(theirs);
        }
        if (!list.empty()) {
            m_store.touched.push_back(slot);
            meetingsChanged(slot);
        }
    }
    m_store.stored = stored.load();
    return true;
}

void InkDisp::Impl::finishMeetings() const
{
    // A list a cut left a gap in is finished too, should nothing have come.
    for (const MeetingStore::Gap& gap : m_store.gaps)
        if (m_store.bySlot[gap.slot].size() == m_store.sorted[gap.slot])
            m_store.touched.push_back(gap.slot);
    // A whole page's meetings are put in order with the strokes' places in
    // ink order worked out once (a new list by radix sort); the few of a cut
    // look the keys up.
    size_t added = 0;
    for (const uint32_t slot : m_store.touched)
        added += m_store.bySlot[slot].size() - m_store.sorted[slot];
    auto finish = [this, added](auto keyOf, const std::vector<uint32_t>* rank) {
        const auto inOrder = meetingOrder(keyOf);
        // Each stroke's list on its own, the longest first, on threads when
        // a whole page's are many.
        constexpr size_t kMeetingsPerPart = 100000;
        std::vector<uint32_t>& touched = m_store.touched;
        std::sort(touched.begin(), touched.end(),
                  [this](uint32_t a, uint32_t b) { return m_store.bySlot[a].size() > m_store.bySlot[b].size(); });
        ink_parallel::forEachInParts(ink_parallel::partsFor(added, kMeetingsPerPart), touched.size(), [&](size_t i) {
            const uint32_t slot = touched[i];
            std::vector<Meeting>& list = m_store.bySlot[slot];
            if (merging(slot)) {
                std::vector<float>& merged = m_store.merged[slot];
                const size_t had = merged.size();
                for (auto m = list.begin() + std::ptrdiff_t(m_store.sorted[slot]); m != list.end(); ++m)
                    if (m->other != slot && inside(slot, m->index))
                        merged.push_back(m->index);
                mergeTail(merged, had);
            }
            if (rank && m_store.sorted[slot] == 0) {
                sortByRank(list, *rank);
            } else if (m_store.sorted[slot] == 0) {
                std::sort(list.begin(), list.end(), inOrder);
            } else {
                const auto gap = std::find_if(m_store.gaps.begin(), m_store.gaps.end(),
                                              [slot](const MeetingStore::Gap& g) { return g.slot == slot; });
                if (gap == m_store.gaps.end())
                    mergeTail(list, m_store.sorted[slot], inOrder);
                else
                    mergeTail(list, m_store.sorted[slot], inOrder, gap->first, gap->count);
            }
            m_store.sorted[slot] = list.size();
        });
    };
    if (added <= m_slots.size()) {
        finish([this](uint32_t slot) { return m_slots[slot].rec->orderKey; }, nullptr);
    } else {
        std::vector<std::pair<uint64_t, uint32_t>> order;
        order.reserve(m_slots.size());
        for (uint32_t i = 0; i < m_slots.size(); ++i)
            if (m_slots[i].rec)
                order.emplace_back(m_slots[i].rec->orderKey, i);
        std::sort(order.begin(), order.end());
        std::vector<uint32_t> rank(m_slots.size());
        for (uint32_t r = 0; r < order.size(); ++r)
            rank[order[r].second] = r;
        finish([&rank](uint32_t slot) { return rank[slot]; }, &rank);
    }
    m_store.touched.clear();
    m_store.gaps.clear();
}

void InkDisp::Impl::growMeetings() const
{
    if (m_store.bySlot.size() < m_slots.size()) {
        m_store.bySlot.resize(m_slots.size());
        m_store.sorted.resize(m_slots.size(), 0);
        m_store.merged.resize(m_slots.size());
        m_store.mergedFor.resize(m_slots.size(), MeetingStore::kNotMerged);
    }
}

template <class Skip>
void InkDisp::Impl::storeSegmentMeetings(uint32_t slot, size_t k, Skip&& skip) const
{
    const SlotView& v = m_slots[slot];
    const InkRectangle box = ink_geometry::segmentBox({v.points, v.count}, k);
    m_grid.query(box, [&](const SpatialGrid::Entry& e, const InkRectangle&) {
        const SlotView& o = m_slots[e.slot];
        const ink_geometry::SegmentRange r = ink_geometry::chunkSegments(o.count, static_cast<int32_t>(e.chunk));
        for (size_t t = r.first; t < r.end; ++t) {
            if ((e.slot == slot && t == k) || skip(e.slot, t))
                continue;
            if (ink_geometry::meets(ink_geometry::segmentBox({o.points, o.count}, t), box))
                storeMeetings(slot, k, e.slot, t);
        }
    });
}

SpatialGrid InkDisp::Impl::segmentGrid() const
{
    // A grid of the segments themselves, made for one pass: in dense ink a
    // chunk's bounds span many cells and meet many chunks whose segments
    // never come near each other.
    SpatialGrid segments;
    for (uint32_t slot = 0; slot < m_slots.size(); ++slot)
        if (const SlotView& v = m_slots[slot]; v.rec)
            segments.insert(slot, ink_geometry::segmentBoxes({v.points, v.count}));
    return segments;
}

std::vector<std::vector<float>> InkDisp::Impl::sweepCrossings(const SpatialGrid& segments) const
{
    // Each part takes every parts-th cell into lists of its own; then each
    // takes a share of the strokes, joins their lists and puts them in
    // order. The parts read the page and the grid alone.
    const int parts = cellParts(segments);
    std::vector<std::vector<std::vector<float>>> found(static_cast<size_t>(parts),
                                                       std::vector<std::vector<float>>(m_slots.size()));
    ink_parallel::runInParts(parts, [&](int part) {
        std::vector<std::vector<float>>& out = found[size_t(part)];
        forEachPairOfPart(segments, part, parts, [&](const SpatialGrid::Entry& p, const SpatialGrid::Entry& q) {
            if (p.slot != q.slot) {
                const SlotView& va = m_slots[p.slot];
                const SlotView& vb = m_slots[q.slot];
                ink_geometry::mutualSegmentMeetings({va.points, va.count}, size_t(p.chunk), {vb.points, vb.count},
                                                    size_t(q.chunk), out[p.slot], out[q.slot]);
            }
            return true;
        });
    });
    std::vector<std::vector<float>>& crossings = found[0];
    const size_t slots = crossings.size();
    ink_parallel::runInParts(parts, [&](int part) {
        const ink_parallel::Share share = ink_parallel::shareOf(slots, part, parts);
        for (size_t slot = share.first; slot < share.last; ++slot) {
            for (size_t other = 1; other < found.size(); ++other) {
                std::vector<float>& more = found[other][slot];
                crossings[slot].insert(crossings[slot].end(), more.begin(), more.end());
                std::vector<float>().swap(more);
            }
            ink_geometry::normalizeIndices(crossings[slot]);
        }
    });
    return std::move(crossings);
}

bool InkDisp::Impl::findAllMeetings(bool store) const
{
    dropMeetings();
    const SpatialGrid segments = segmentGrid();
    // Each pair of segments whose bounds meet once, a stroke's own
    // included. Whether the page's meetings fit the store is judged first
    // from every sixteenth cell, counted and not stored: the 50,000
    // overlapping strokes hold about 7 million, and storing even a sixteenth
    // of them costs more than the count.
    std::vector<size_t> sampledOn;  // meetings sampled on each stroke
    double scale = 0.0;                // from the sample to the page
    if (store) {
        constexpr int kSampleEvery = 16;
        size_t found = 0;
        sampledOn.assign(m_slots.size(), 0);
        forEachPairOfPart(segments, 0, kSampleEvery, [&](const SpatialGrid::Entry& p, const SpatialGrid::Entry& q) {
            const SlotView& va = m_slots[p.slot];
            const SlotView& vb = m_slots[q.slot];
            const ink_geometry::MeetingFractions m = ink_geometry::mutualMeetingFractions(
                {va.points, va.count}, size_t(p.chunk), {vb.points, vb.count}, size_t(q.chunk));
            found += size_t(m.countA + m.countB);
            sampledOn[p.slot] += size_t(m.countA);
            sampledOn[q.slot] += size_t(m.countB);
            return true;
        });
        const size_t cells = segments.cellCount();
        scale = double(cells) / double(std::max<size_t>((cells + kSampleEvery - 1) / kSampleEvery, 1));
        store = double(found) * scale <= 2.0 * double(m_keptLimit);
    }
    if (store) {
        growMeetings();
        // A long stroke's list, sampled over many cells, is made its size
        // at once: grown by doubling, the scribble's million meetings were
        // copied and their pages first touched twice over.
        constexpr double kReserveFrom = 4096.0;
        for (size_t slot = 0; slot < sampledOn.size(); ++slot)
            if (const double expected = double(sampledOn[slot]) * scale; expected >= kReserveFrom)
                m_store.bySlot[slot].reserve(size_t(std::min(expected * 1.25, double(m_keptLimit) + 1.0)));
        if (storeAllMeetings(segments)) {
            finishMeetings();
            m_store.built = true;
            return true;
        }
        // Past the limit all the same (the sample missed it): crossings
        // alone, swept anew.
        dropMeetings();
    }
    m_meetings.bySlot = sweepCrossings(segments);
    m_meetings.stale.assign(m_slots.size(), 0);
    m_meetings.ready = true;
    return false;
}

void InkDisp::Impl::buildMeetings() const
{
    // A page with more meetings than the store keeps (first seen at
    // oversizedAt points, and as long as it holds half as many) keeps its
    // crossings alone.
    size_t points = 0;
    for (const SlotView& v : m_slots)
        points += v.count;
    const bool store = m_store.oversizedAt == 0 || points <= m_store.oversizedAt / 2;
    bool built = false;
    try {
        built = findAllMeetings(store);
    } catch (...) {
        dropMeetings();
        throw;
    }
    m_store.oversizedAt = built ? 0 : store ? std::max<size_t>(points, 1) : m_store.oversizedAt;
}

bool InkDisp::Impl::cachedMeetings(const StrokeRecord& rec, std::vector<float>& out) const
{
    if (rec.slot == kNoSlot)
        return false;
    if (m_meetings.ready) {
        if (rec.slot >= m_meetings.stale.size() || m_meetings.stale[rec.slot])
            return false;  // the caller asks afresh and hands the answer to keepSwept
        out = m_meetings.bySlot[rec.slot];
        return true;
    }
    if (!m_store.built) {
        // One stroke asking is the eraser's pattern (it changes the ink
        // next); a second at the same revision is a pass over the whole ink.
        // A job out on another thread makes that pass.
        if (!m_job.expired())
            return false;
        if (m_store.askedRevision != m_revision) {
            m_store.askedRevision = m_revision;
            m_store.asked = 0;
        }
        if (++m_store.asked < 2)
            return false;
        buildMeetings();
        return cachedMeetings(rec, out);
    }
    const auto answer = [&out](const std::vector<float>& merged) {
        out.clear();
        out.reserve(merged.size());
        std::unique_copy(merged.begin(), merged.end(), std::back_inserter(out));
    };
    if (merging(rec.slot)) {
        answer(m_store.merged[rec.slot]);
        return true;
    }
    // The meetings come in runs, one a stroke met, each along this stroke:
    // placed by their segment (counted first), then each segment's few put
    // in order. A meeting's index rounds to at most the next segment's
    // first, so the segments' order is the indices' order. Kept as many
    // times as met, so that a meeting that goes later takes out its own.
    const std::vector<Meeting>& own = m_store.bySlot[rec.slot];
    std::vector<std::pair<uint32_t, float>> found;
    found.reserve(own.size());
    for (const Meeting& m : own)
        if (m.other != rec.slot && inside(rec.slot, m.index))
            found.emplace_back(m.k, m.index);
    std::vector<uint32_t> place(rec.packets.size() + 1, 0);
    for (const auto& [k, index] : found)
        ++place[k + 1];
    for (size_t k = 1; k < place.size(); ++k)
        place[k] += place[k - 1];
    std::vector<float>& merged = m_store.merged[rec.slot];
    merged.resize(found.size());
    for (const auto& [k, index] : found)
        merged[place[k]++] = index;
    // place[k] now ends segment k's share.
    for (size_t k = 0, from = 0; k + 1 < place.size(); from = place[k++])
        if (place[k] - from > 1)
            std::sort(merged.begin() + std::ptrdiff_t(from), merged.begin() + std::ptrdiff_t(place[k]));
    m_store.mergedFor[rec.slot] = rec.packets.size();
    answer(merged);
    return true;
}

bool InkDisp::Impl::inside(uint32_t slot, float index) const
{
    // Meetings at, or rounding to, the stroke's own end points are left out.
    const int64_t last = static_cast<int64_t>(m_slots[slot].count) - 1;
    return index > 0.0f && index < static_cast<float>(last);
}

std::vector<std::vector<float>> InkDisp::Impl::intersectionsOfEach(const InkStrokes& strokes) const
{
    // Asked one by one, as FindIntersections would be, until the ink keeps
    // what answers a stroke: then its crossings are copied, or merged from
    // its meetings, in parts afterwards. Each stroke's answer touches its
    // own lists alone, and nothing asked in between moves them (answering
    // a stale stroke keeps its own list, after sizing them all).
    const std::vector<InkStrokeDisp>& items = strokes.items();
    const bool whole = items.empty() || (strokes.wholeInkOf() == m_facade && strokes.revision() == m_revision);
    // Every stroke asked at once is a pass over the whole ink: what the ink
    // keeps is built first, as a second question at one revision builds it.
    if (whole && items.size() >= 2 && !meetingsKept())
        buildMeetings();
    std::vector<std::vector<float>> out(items.size());
    std::vector<KeptAnswer> later;
    for (size_t i = 0; i < items.size(); ++i) {
        const StrokeRecord& rec = own(items[i]);
        const bool kept = whole && rec.slot != kNoSlot && !rec.inProgress && rec.packets.size() >= 2;
        if (kept && m_meetings.ready && rec.slot < m_meetings.stale.size() && !m_meetings.stale[rec.slot])
            later.push_back(KeptAnswer{i, &rec, m_meetings.bySlot[rec.slot].size()});
        else if (kept && m_store.built && rec.slot < m_store.mergedFor.size())
            later.push_back(KeptAnswer{i, &rec, m_store.bySlot[rec.slot].size()});
        else
            out[i] = intersections(rec, strokes);
    }
    answerKept(later, out);
    return out;
}

void InkDisp::Impl::answerKept(std::vector<KeptAnswer>& answers, std::vector<std::vector<float>>& out) const
{
    size_t work = 0;
    for (const KeptAnswer& a : answers)
        work += a.size;
    std::sort(answers.begin(), answers.end(), [](const KeptAnswer& a, const KeptAnswer& b) { return a.size > b.size; });
    constexpr size_t kCrossingsPerPart = 100000;
    ink_parallel::forEachInParts(ink_parallel::partsFor(work, kCrossingsPerPart), answers.size(), [&](size_t i) {
        cachedMeetings(*answers[i].rec, out[answers[i].item]);
    });
}

// A change of the kept crossings, sized for every slot first; should it
// fail, none are kept.
template <class Change>
void InkDisp::Impl::sweptFollowed(Change&& change) const
{
    if (!m_meetings.ready)
        return;
    try {
        if (m_meetings.stale.size() < m_slots.size()) {
            m_meetings.bySlot.resize(m_slots.size());
            m_meetings.stale.resize(m_slots.size(), 1);
        }
        change();
    } catch (...) {
        m_meetings = MeetingCache{};
        throw;
    }
}

void InkDisp::Impl::keepSwept(const StrokeRecord& rec, const std::vector<float>& meetings) const
{
    if (rec.slot == kNoSlot)
        return;
    sweptFollowed([&] {
        m_meetings.bySlot[rec.slot] = meetings;
        m_meetings.stale[rec.slot] = 0;
    });
}

void InkDisp::Impl::sweptChanged(uint32_t slot, std::span<const InkRectangle> boxes) const
{
    sweptFollowed([&] {
        m_meetings.stale[slot] = 1;
        // Grown a little: a cut point is rounded to whole units, so what met
        // the cut segment may lie just outside both pieces' bounds.
        for (const InkRectangle& box : boxes)
            m_grid.query(ink_geometry::grown(box, 2.0),
                         [&](const SpatialGrid::Entry& e, const InkRectangle&) { m_meetings.stale[e.slot] = 1; });
    });
}

std::vector<uint32_t> InkDisp::Impl::partners(const StrokeRecord& rec) const
{
    std::vector<uint32_t> slots;
    const std::vector<Meeting>& own = m_store.bySlot[rec.slot];
    if (!own.empty()) {
        // Two segments of two or more points meet both ways or neither.
        for (const Meeting& m : own)
            if (m.other != rec.slot && (slots.empty() || slots.back() != m.other))
                slots.push_back(m.other);
        return slots;
    }
    // A single point holds no meetings of its own; those that meet it do.
    for (const InkRectangle& box : rec.chunkBoxes)
        m_grid.query(box, [&](const SpatialGrid::Entry& e, const InkRectangle&) {
            if (e.slot != rec.slot)
                slots.push_back(e.slot);
        });
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    return slots;
}

void InkDisp::Impl::meetingsAdded(const StrokeRecord& rec)
{
    if (!m_store.built) {
        sweptChanged(rec.slot, rec.chunkBoxes);
        return;
    }
    followed([&] {
        const uint32_t slot = rec.slot;
        growMeetings();
        m_store.bySlot[slot].clear();
        m_store.sorted[slot] = 0;
        meetingsChanged(slot);
        // Each of its own segment pairs once, every other stroke's in full.
        const size_t segments = rec.packets.size() < 2 ? 1 : rec.packets.size() - 1;
        for (size_t k = 0; k < segments; ++k)
            storeSegmentMeetings(slot, k, [&](uint32_t other, size_t t) { return other == slot && t < k; });
        finishMeetings();
        // Strokes added since the store was built may have taken it past
        // what is kept: counted again now and then, and dropped then.
        if (m_store.stored > 2 * m_keptLimit) {
            size_t count = 0;
            size_t points = 0;
            for (uint32_t i = 0; i < m_store.bySlot.size(); ++i) {
                count += m_store.bySlot[i].size();
                points += m_slots[i].count;
            }
            m_store.stored = count;
            if (count > m_keptLimit) {
                dropMeetings();
                m_store.oversizedAt = std::max<size_t>(points, 1);
            }
        }
    });
}

void InkDisp::Impl::meetingsSplit(const StrokeRecord& rec, const StrokeRecord& piece, size_t k, bool between)
{
    if (!m_store.built) {
        sweptChanged(rec.slot, rec.chunkBoxes);
        sweptChanged(piece.slot, piece.chunkBoxes);
        return;
    }
    followed([&] {
        const uint32_t a = rec.slot;
        const uint32_t b = piece.slot;
        const auto byOther = [this](const Meeting& x, const Meeting& y) { return otherBefore(x, y); };
        growMeetings();
        std::vector<std::vector<Meeting>>& bySlot = m_store.bySlot;
        // Where segment s of the stroke before the cut went: the kept part holds
        // the segments before k, the piece the rest from k on (counted from k);
        // a segment cut inside is gone.
        auto place = [&](uint32_t s, uint32_t& slot, uint32_t& seg) {
            if (s < k) {
                slot = a;
                seg = s;
                return true;
            }
            if (s == k && between)
                return false;
            slot = b;
            seg = static_cast<uint32_t>(s - k);
            return true;
        };
        const std::vector<uint32_t> near = partners(rec);
        // The stroke's meetings with another stroke are a run along it: the
        // head of each run (before segment k) stays, moved up in place over
        // what left; its tail passes to the piece, renumbered, in the same
        // order. Those with itself change their other stroke too, and are
        // put in place below.
        std::vector<Meeting>& own = bySlot[a];
        std::vector<Meeting>& pieceList = bySlot[b];
        struct Run {
            size_t first, middle, end;
        };
        std::vector<Run> runs;
        size_t passed = 0;
        for (size_t first = 0; first < own.size();) {
            const size_t end = runEnd(own, first);
            const auto middle = std::partition_point(own.begin() + std::ptrdiff_t(first),
                                                     own.begin() + std::ptrdiff_t(end),
                                                     [k](const Meeting& m) { return m.k < k; });
            runs.push_back(Run{first, size_t(middle - own.begin()), end});
            passed += end - runs.back().middle;
            first = end;
        }
        // With room for what the cut segment's halves meet, found below.
        constexpr size_t kRoom = 64;
        pieceList.clear();
        pieceList.reserve(passed + kRoom);
        std::vector<Meeting> self[2];  // held by a, by b: those with a first, then those with b
        std::vector<Meeting> withB[2];
        size_t kept = 0;
        for (const Run& run : runs) {
            if (own[run.first].other == a) {
                for (size_t i = run.first; i < run.end; ++i) {
                    Meeting m = own[i];
                    uint32_t slot;
                    if (!place(m.k, slot, m.k))
                        continue;
                    if (slot == b)
                        m.index = ink_geometry::meetingIndex(m.k, m.fraction);
                    if (place(m.j, m.other, m.j))
                        (m.other == b ? withB : self)[slot == b].push_back(m);
                }
                continue;
            }
            for (size_t i = run.middle; i < run.end; ++i) {
                Meeting m = own[i];
                if (between && m.k == k)
                    continue;  // on the segment cut inside: found anew below
                m.k = static_cast<uint32_t>(m.k - k);
                m.index = ink_geometry::meetingIndex(m.k, m.fraction);
                pieceList.push_back(m);
            }
            if (kept != run.first)
                std::copy(own.begin() + std::ptrdiff_t(run.first), own.begin() + std::ptrdiff_t(run.middle),
                          own.begin() + std::ptrdiff_t(kept));
            kept += run.middle - run.first;
        }
        own.erase(own.begin() + std::ptrdiff_t(kept), own.end());
        if (own.capacity() > 2 * (own.size() + kRoom))
            own.shrink_to_fit();
        // No stroke comes between the stroke and its piece in ink order: the
        // meetings of a part with both parts are one run, put in at once.
        for (const uint32_t slot : {a, b}) {
            std::vector<Meeting>& partList = bySlot[slot];
            std::vector<Meeting>& run = self[slot == b];
            run.insert(run.end(), withB[slot == b].begin(), withB[slot == b].end());
            if (!run.empty())
                partList.insert(std::lower_bound(partList.begin(), partList.end(), run.front(), byOther), run.begin(),
                                run.end());
            m_store.sorted[slot] = partList.size();
            meetingsChanged(slot);
        }
        // The others' meetings with the stroke pass to the piece that holds
        // the segment they lie on, in the same order; the piece's come right
        // after the stroke's.
        std::vector<Meeting> toPiece;
        for (const uint32_t q : near) {
            if (q == a || q == b)
                continue;
            std::vector<Meeting>& list = bySlot[q];
            const auto [from, to] = runWith(list, a);
            const auto first = list.begin() + std::ptrdiff_t(from);
            const auto end = list.begin() + std::ptrdiff_t(to);
            toPiece.clear();
            auto kept = first;
            std::vector<float> dropped;
            for (auto it = first; it != end; ++it) {
                Meeting m = *it;
                if (!place(m.j, m.other, m.j)) {
                    dropped.push_back(m.index);
                    continue;
                }
                if (m.other == a)
                    *kept++ = m;
                else
                    toPiece.push_back(m);
            }
            // What the cut took is left as a gap, taken out as the halves'
            // meetings are put in (below): filled with the last entry kept,
            // or left as it was, so that the list stays in order.
            const auto written = std::copy(toPiece.begin(), toPiece.end(), kept);
            if (written != end) {
                if (written != first)
                    std::fill(written, end, *(written - 1));
                m_store.gaps.push_back(
                    MeetingStore::Gap{q, size_t(written - list.begin()), size_t(end - written)});
            }
            // Meetings passed from the stroke to its piece keep their place
            // along q: only those lost with a cut segment change its answer.
            if (!dropped.empty() && merging(q))
                takeOut(m_store.merged[q], std::move(dropped));
        }
        // What is new: the two halves of a segment cut inside, or a piece of a
        // single point.
        auto none = [](uint32_t, size_t) { return false; };
        if (between) {
            storeSegmentMeetings(a, k, none);
            storeSegmentMeetings(b, 0, [&](uint32_t other, size_t t) { return other == a && t == k; });
        } else if (rec.packets.size() == 1) {
            storeSegmentMeetings(a, 0, none);
        } else if (piece.packets.size() == 1) {
            storeSegmentMeetings(b, 0, none);
        }
        finishMeetings();
    });
}

void InkDisp::Impl::meetingsRemoved(const StrokeRecord& rec)
{
    if (!m_store.built) {
        sweptChanged(rec.slot, rec.chunkBoxes);
        if (rec.slot < m_meetings.bySlot.size())
            std::vector<float>().swap(m_meetings.bySlot[rec.slot]);
        return;
    }
    followed([&] {
        growMeetings();
        const uint32_t a = rec.slot;
        for (const uint32_t q : partners(rec)) {
            std::vector<Meeting>& list = m_store.bySlot[q];
            const auto [from, to] = runWith(list, a);
            const auto first = list.begin() + std::ptrdiff_t(from);
            const auto end = list.begin() + std::ptrdiff_t(to);
            if (merging(q)) {
                std::vector<float> gone;
                for (auto m = first; m != end; ++m)
                    gone.push_back(m->index);
                takeOut(m_store.merged[q], std::move(gone));
            }
            list.erase(first, end);
            m_store.sorted[q] = list.size();
        }
        std::vector<Meeting>().swap(m_store.bySlot[a]);
        m_store.sorted[a] = 0;
        meetingsChanged(a);
        std::vector<float>().swap(m_store.merged[a]);
    });
}
