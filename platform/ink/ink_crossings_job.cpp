// Every crossing of a page found on another thread, on a copy of its
// points: a page of tens of thousands of strokes holds millions, and finding
// them takes longer than a window may keep the user waiting.

#include "platform/ink/ink_store.h"

using namespace ink_detail;

struct InkDisp::CrossingsJob::State {
    const InkDisp* ink = nullptr;
    uint64_t revision = 0;
    std::vector<StrokeRecord> records;  // ink order; the copy's slots point at their points
    std::unique_ptr<InkDisp::Impl> copy;
    std::vector<std::vector<float>> crossings;
    std::shared_ptr<const int> token = std::make_shared<const int>(0);
    bool ran = false;
    bool found = false;
    bool kept = false;  // answered by the ink from what it kept already
};

void InkDisp::Impl::copyRecords(std::vector<StrokeRecord>& records) const
{
    // Sized once: a copy's slots point into the records.
    records = std::vector<StrokeRecord>(m_strokes.size());
    size_t i = 0;
    for (const RecordPtr& rec : m_strokes) {
        StrokeRecord& r = records[i++];
        r.slot = rec->slot;
        r.orderKey = rec->orderKey;
        r.packets = rec->packets;
    }
}

std::unique_ptr<InkDisp::Impl> InkDisp::Impl::copyForJob(std::vector<StrokeRecord>& records) const
{
    auto copy = std::make_unique<Impl>(nullptr);
    copyRecords(records);
    copy->m_slots.assign(m_slots.size(), SlotView{});
    for (StrokeRecord& r : records)
        if (r.slot != kNoSlot)
            copy->m_slots[r.slot] = SlotView{&r, r.packets.data(), r.packets.size()};
    copy->m_revision = m_revision;
    copy->m_keptLimit = m_keptLimit;
    copy->m_store.oversizedAt = m_store.oversizedAt;
    return copy;
}

std::vector<std::vector<float>> InkDisp::Impl::allCrossings(const std::vector<StrokeRecord>& records) const
{
    buildMeetings();
    std::vector<std::vector<float>> out(records.size());
    std::vector<KeptAnswer> answers;
    answers.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const StrokeRecord& rec = records[i];
        // A stroke of one point has nothing but its own end.
        if (rec.slot == kNoSlot || rec.packets.size() < 2)
            continue;
        const size_t size = m_meetings.ready ? m_meetings.bySlot[rec.slot].size() : m_store.bySlot[rec.slot].size();
        answers.push_back(KeptAnswer{i, &rec, size});
    }
    answerKept(answers, out);
    return out;
}

void InkDisp::Impl::adoptMeetings(Impl& copy)
{
    m_store = std::move(copy.m_store);
    m_meetings = std::move(copy.m_meetings);
}

InkDisp::CrossingsJob::CrossingsJob(std::unique_ptr<State> state) : m_state(std::move(state)) {}

InkDisp::CrossingsJob::~CrossingsJob() = default;

bool InkDisp::CrossingsJob::run()
{
    State& s = *m_state;
    if (s.ran)
        return s.found;
    s.ran = true;
    try {
        s.crossings = s.copy->allCrossings(s.records);
        s.found = true;
    } catch (...) {
        // Out of memory, say: the ink is offered nothing and goes on asking.
        s.crossings.clear();
        s.copy.reset();
    }
    return s.found;
}

uint64_t InkDisp::CrossingsJob::revision() const
{
    return m_state->revision;
}

size_t InkDisp::CrossingsJob::count() const
{
    return m_state->records.size();
}

std::span<const InkPacket> InkDisp::CrossingsJob::points(size_t i) const
{
    if (i >= m_state->records.size())
        fail(PlatformErrorCode::IndexOutOfRange, "The job holds no such stroke");
    return m_state->records[i].packets;
}

const std::vector<float>& InkDisp::CrossingsJob::crossings(size_t i) const
{
    if (i >= m_state->crossings.size())
        fail(PlatformErrorCode::IndexOutOfRange, "The job has no crossings for such a stroke");
    return m_state->crossings[i];
}

std::unique_ptr<InkDisp::CrossingsJob> InkDisp::crossingsJob(size_t segments) const
{
    size_t held = 0;
    for (const RecordPtr& rec : m_impl->strokes())
        held += rec->packets.empty() ? 0 : rec->packets.size() - 1;
    if (held < segments)
        return nullptr;
    auto state = std::make_unique<CrossingsJob::State>();
    state->ink = this;
    state->revision = m_impl->revision();
    if (m_impl->meetingsKept()) {
        // Copied out here (on several threads): only the work on them is
        // left for the job.
        state->crossings = m_impl->intersectionsOfEach(Strokes());
        m_impl->copyRecords(state->records);
        state->ran = state->found = state->kept = true;
    } else {
        state->copy = m_impl->copyForJob(state->records);
        m_impl->jobOut(state->token);
    }
    return std::unique_ptr<CrossingsJob>(new CrossingsJob(std::move(state)));
}

bool InkDisp::adoptCrossings(CrossingsJob& job)
{
    CrossingsJob::State& s = *job.m_state;
    if (!s.found || s.ink != this || s.revision != m_impl->revision())
        return false;
    if (s.kept)
        return m_impl->meetingsKept();
    if (!s.copy || m_impl->meetingsKept())
        return false;
    m_impl->adoptMeetings(*s.copy);
    s.copy.reset();
    return true;
}
