// Drives the ink model with random strokes and operations and checks the
// geometry's invariants after each step. Any broken invariant aborts, and the
// sanitizers catch undefined behaviour on the way.
//
// Input: a header byte (bits 0-6 the stroke count, bit 7 set: the ink keeps
// each stroke's crossings alone, as on a page too dense to keep every
// meeting); per stroke a mode byte (bits 0-1 the
// coordinate kind, 2-3 the width, 4 pressure ignored), a point count byte and
// the points (x, y as the kind says, a pressure byte); then operations (an
// operation byte, a stroke byte and the operation's arguments) until the data
// runs out (an added stroke reads as those at the start). make_seeds.py
// writes examples of this layout.

#include "platform/ink/ink_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_pos >= m_size; }
    template <class T>
    T next()
    {
        T value{};
        const size_t n = std::min(sizeof(T), m_size - std::min(m_pos, m_size));
        std::memcpy(&value, m_data + m_pos, n);
        m_pos += sizeof(T);
        return value;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}
void check(bool ok, const char* what)
{
    if (!ok)
        broken(what);
}

std::vector<InkPacket> readStroke(Reader& in, uint8_t mode)
{
    const int count = 1 + in.next<uint8_t>() % 40;
    std::vector<InkPacket> packets;
    InkPacket at{};
    for (int i = 0; i < count; ++i) {
        switch (mode & 3) {
        case 0:  // a small grid: many touching, collinear and repeated points
            at.x = in.next<int8_t>() * 16;
            at.y = in.next<int8_t>() * 16;
            break;
        case 1:
            at.x = in.next<int16_t>();
            at.y = in.next<int16_t>();
            break;
        case 2:  // anywhere in int32
            at.x = in.next<int32_t>();
            at.y = in.next<int32_t>();
            break;
        default:  // small steps, as a pen moves
            at.x = int32_t(int64_t(at.x) + in.next<int8_t>() * 4);
            at.y = int32_t(int64_t(at.y) + in.next<int8_t>() * 4);
        }
        at.pressure = in.next<uint8_t>() * 8 - 256;
        packets.push_back(at);
    }
    return packets;
}

InkDrawingAttributes readAttributes(uint8_t mode)
{
    InkDrawingAttributes a;
    const float widths[] = {0.0f, 53.0f, 700.0f, 1e9f};
    a.SetWidth(widths[(mode >> 2) & 3]);
    a.SetIgnorePressure(mode & 16);
    return a;
}

bool ascending(const std::vector<float>& v)
{
    for (size_t i = 1; i < v.size(); ++i)
        if (!(v[i - 1] < v[i]))
            return false;
    return true;
}

std::vector<float> oneByOne(const InkDisp& ink, const InkStrokeDisp& s)
{
    std::vector<float> all;
    for (const InkStrokeDisp& o : ink.Strokes())
        if (!(o == s)) {
            const std::vector<float> part = s.FindIntersections(InkStrokes({o}));
            all.insert(all.end(), part.begin(), part.end());
        }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

void checkStroke(const InkDisp& ink, const InkStrokeDisp& s)
{
    const int32_t n = s.PacketCount();
    check(n >= 1, "a stroke keeps at least one point");
    const float last = float(n - 1);

    const std::vector<float> meets = s.FindIntersections();
    check(ascending(meets), "intersections ascending, no duplicates");
    for (float f : meets)
        check(f > 0.0f && f < last, "intersections inside the stroke, never its end points");
    check(meets == oneByOne(ink, s), "the index finds what a stroke-by-stroke search finds");
    // The crossings either side of a place, found from around it outwards:
    // at the ends, half way along, on and just past a few crossings (each
    // place costs a search: all of a dense page's would take seconds).
    std::vector<float> places{0.0f, last / 2.0f, last};
    for (size_t i = 0; i < meets.size(); i += std::max<size_t>(meets.size() / 4, 1)) {
        places.push_back(meets[i]);
        places.push_back(std::nextafter(meets[i], last));
    }
    for (float f : places) {
        const InkStrokeDisp::CrossingsAround around = s.crossingsAround(f);
        const auto after = std::upper_bound(meets.begin(), meets.end(), f);
        check(around.any == !meets.empty(), "crossings around a place: whether there are any");
        check(around.atOrBefore == (after == meets.begin() ? std::nullopt : std::optional<float>(*(after - 1))),
              "crossings around a place: the last at or before it");
        check(around.after == (after == meets.end() ? std::nullopt : std::optional<float>(*after)),
              "crossings around a place: the first after it");
    }

    const std::vector<int32_t> cusps = s.PolylineCusps();
    check(!cusps.empty() && cusps.front() == 0 && cusps.back() == n - 1, "cusps hold both ends");
    for (size_t i = 1; i < cusps.size(); ++i)
        check(cusps[i - 1] < cusps[i], "cusps ascending");
}

void checkNearest(const InkStrokeDisp& s, int32_t x, int32_t y)
{
    float d = -1.0f;
    const float f = s.NearestPoint(x, y, &d);
    check(f >= 0.0f && f <= float(s.PacketCount() - 1), "nearest index in range");
    check(d >= 0.0f && !std::isnan(d), "edge distance not negative");
}

void checkHitTest(const InkDisp& ink, int32_t x, int32_t y, float r)
{
    const InkStrokes hits = ink.HitTestCircle(x, y, r);
    InkStrokes expected;
    for (const InkStrokeDisp& s : ink.Strokes()) {
        float d = 0.0f;
        s.NearestPoint(x, y, &d);
        if (d <= r)
            expected.Add(s);
    }
    check(hits.items() == expected.items(), "hit test equals every stroke's distance, in ink order");
}

void checkSplit(InkDisp& ink, InkStrokeDisp s, float f)
{
    const std::vector<InkPacket> before = s.packets();
    const float last = float(before.size() - 1);
    if (!std::isfinite(f) || f < 0.0f || f > last) {
        try {
            s.Split(f);
        } catch (const PlatformError&) {
            return;
        }
        broken("a split outside the stroke must fail");
    }
    const InkStrokeDisp piece = s.Split(f);
    const std::vector<InkPacket> kept = s.packets();
    const std::vector<InkPacket> rest = piece.packets();
    const size_t k = size_t(std::floor(double(f)));
    const bool between = double(f) > double(k);
    check(kept.size() == k + 1 + (between ? 1 : 0), "the kept part ends at the cut");
    check(std::equal(before.begin(), before.begin() + long(k) + 1, kept.begin()), "points up to f kept");
    check(kept.back() == rest.front(), "the cut point belongs to both pieces");
    check(std::equal(before.begin() + long(k) + 1, before.end(), rest.begin() + 1, rest.end()),
          "the rest follows the cut");
    const InkStrokes all = ink.Strokes();
    for (int32_t i = 0; i + 1 < all.Count(); ++i)
        if (all.Item(i) == s)
            check(all.Item(i + 1) == piece, "the new piece comes right after");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in(data, size);
    InkDisp ink;
    const uint8_t header = in.next<uint8_t>();
    const int strokes = 1 + (header & 0x7f) % 6;
    // A small limit: the page's meetings overflow the store, at once or
    // part way through the pass that finds them.
    if (header & 0x80)
        ink.setKeptMeetingsLimit(in.next<uint8_t>() % 8);
    for (int i = 0; i < strokes; ++i) {
        const uint8_t mode = in.next<uint8_t>();
        ink.CreateStroke(readStroke(in, mode), readAttributes(mode));
    }

    for (int step = 0; step < 12 && !in.done() && ink.strokeCount() > 0; ++step) {
        const uint8_t op = in.next<uint8_t>();
        const InkStrokes all = ink.Strokes();
        InkStrokeDisp s = all.Item(in.next<uint8_t>() % all.Count());
        switch (op % 8) {
        case 0:
            checkHitTest(ink, in.next<int16_t>() * 4, in.next<int16_t>() * 4, float(in.next<uint16_t>() % 2000));
            break;
        case 1: {
            const int32_t x = in.next<int32_t>();
            const int32_t y = in.next<int32_t>();
            const float r = in.next<float>();
            if (std::isfinite(r) && r >= 0.0f) {
                checkHitTest(ink, x, y, r);
                break;
            }
            try {
                ink.HitTestCircle(x, y, r);
            } catch (const PlatformError&) {
                break;
            }
            broken("a NaN, infinite or negative radius must fail");
        }
        case 2:
            checkNearest(s, in.next<int32_t>(), in.next<int32_t>());
            break;
        case 3:
            if (ink.strokeCount() < 24)
                checkSplit(ink, s, float(s.PacketCount() - 1) * float(in.next<uint16_t>()) / 65535.0f);
            break;
        case 4:
            if (ink.strokeCount() < 24)
                checkSplit(ink, s, in.next<float>());
            break;
        case 6:
            // A stroke joining an ink whose meetings are already kept.
            if (ink.strokeCount() < 24) {
                const uint8_t mode = in.next<uint8_t>();
                ink.CreateStroke(readStroke(in, mode), readAttributes(mode));
            }
            break;
        case 7:
            // The page's crossings found on a copy, as on another thread, and
            // then kept by the ink: the steps after follow what the copy built.
            if (const std::unique_ptr<InkDisp::CrossingsJob> job = ink.crossingsJob(0)) {
                check(job->run(), "a job on a small page finds its crossings");
                for (size_t i = 0; i < job->count(); ++i)
                    check(job->crossings(i) == oneByOne(ink, all.Item(int32_t(i))),
                          "a job agrees with stroke-by-stroke search");
                check(ink.adoptCrossings(*job) && ink.meetingsKept(), "an unchanged ink takes what its job found");
            }
            break;
        default:
            ink.DeleteStroke(s);
        }
        for (const InkStrokeDisp& t : ink.Strokes())
            checkStroke(ink, t);
    }

    // A pass over the whole ink, served by one sweep, agrees stroke by stroke.
    const InkStrokes all = ink.Strokes();
    for (const InkStrokeDisp& s : all)
        check(s.FindIntersections(all) == oneByOne(ink, s), "the sweep agrees with stroke-by-stroke search");
    return 0;
}
