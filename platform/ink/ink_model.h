#pragma once
// The ink objects the window drives: drawing attributes, strokes, stroke
// collections and the ink that owns them. Plain C++ on purpose (no Qt), so the
// model and its geometry can be tested, fuzzed and benchmarked alone.
//
// Ink space is HIMETRIC: 2540 units per inch. Points are 32-bit integers.
// Every failure throws PlatformError (platform/platform_error.h).
// One thread (the window's) uses an ink and its strokes.

#include "platform/platform_error.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// Pen pressure as stored in a packet. A pen maps its 0..1 pressure onto
// 0..kInkMaxPressure; the mouse always sends kInkMousePressure, which draws at
// exactly the nominal width.
constexpr int32_t kInkMaxPressure = 1024;
constexpr int32_t kInkMousePressure = kInkMaxPressure / 2;

struct InkPacket {
    int32_t x = 0;
    int32_t y = 0;
    int32_t pressure = kInkMousePressure;
    friend bool operator==(const InkPacket&, const InkPacket&) = default;
};

struct InkPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const InkPoint&, const InkPoint&) = default;
};

// Inclusive rectangle in ink space (or pixels, where a caller says so).
struct InkRectangle {
    int32_t Top = 0;
    int32_t Left = 0;
    int32_t Bottom = 0;
    int32_t Right = 0;
    bool isEmpty() const { return Right < Left || Bottom < Top; }
    friend bool operator==(const InkRectangle&, const InkRectangle&) = default;
};

// The pointing device behind a stroke. Inverted is true for the pen's eraser end.
struct InkCursor {
    enum class Kind { Mouse, Pen, Eraser };
    Kind kind = Kind::Mouse;
    bool Inverted = false;
    int64_t deviceId = 0;
};

class InkDrawingAttributes {
public:
    // Packed red + 256 * green + 65536 * blue; 0 .. 0xFFFFFF.
    int32_t Color() const { return m_color; }
    void SetColor(int32_t color);
    // Nominal width in ink units; finite and >= 0.
    float Width() const { return m_width; }
    void SetWidth(float width);
    // 0 opaque .. 255 invisible.
    int32_t Transparency() const { return m_transparency; }
    void SetTransparency(int32_t transparency);
    // False: the drawn width follows pen pressure from 50% to 150% of Width.
    bool IgnorePressure() const { return m_ignorePressure; }
    void SetIgnorePressure(bool ignore) { m_ignorePressure = ignore; }
    bool AntiAliased() const { return m_antiAliased; }
    void SetAntiAliased(bool on) { m_antiAliased = on; }

    // The width actually drawn at a packet of this pressure.
    float drawnWidth(int32_t pressure) const;
    // The widest the stroke can be drawn, whatever its pressures.
    float maxDrawnWidth() const;
    // The drawn width at a pressure between two packets' (interpolated).
    double drawnWidthAt(double pressure) const;

    friend bool operator==(const InkDrawingAttributes&, const InkDrawingAttributes&) = default;

private:
    int32_t m_color = 0;
    float m_width = 53.0f;
    int32_t m_transparency = 0;
    bool m_ignorePressure = false;
    bool m_antiAliased = true;
};

class InkDisp;
class InkStrokes;
namespace ink_detail {
struct StrokeRecord;
struct Access;
}

// A reference to one stroke. Cheap to copy; two references to the same stroke
// compare equal. A default-constructed reference is empty. Once the stroke is
// deleted from its ink (or its ink is destroyed) the stroke is detached and
// every call on it throws.
class InkStrokeDisp {
public:
    InkStrokeDisp() = default;

    bool isNull() const { return !m_rec; }
    bool isDetached() const;
    // True while the collector is still collecting the stroke: it belongs to
    // an ink but is not yet one of its Strokes.
    bool isInProgress() const;
    // Unique within its ink, never reused.
    int64_t ID() const;

    // Values per packet: x, y, pressure.
    int16_t PacketSize() const;
    int32_t PacketCount() const;
    std::vector<InkPacket> packets() const;
    // The packets as the stroke holds them, without a copy: valid until the
    // stroke or its ink next changes (a repaint reads millions a pass).
    std::span<const InkPacket> heldPackets() const;
    // Points index .. index + count - 1. count == -1 means "to the end".
    std::vector<InkPoint> GetPoints(int32_t index, int32_t count) const;
    std::vector<InkPoint> GetPoints() const { return GetPoints(0, -1); }

    InkDrawingAttributes DrawingAttributes() const;
    void SetDrawingAttributes(const InkDrawingAttributes& attributes);

    // Bounds of the centre line, and of the drawn ink (half the widest drawn
    // width around it, rounded outwards).
    InkRectangle GetBoundingBox() const;
    InkRectangle drawnBounds() const;
    // The drawn bounds of each run of four segments: together they hold the
    // drawn ink, and a long wandering stroke far less than its bounds.
    std::vector<InkRectangle> drawnParts() const;

    // Ascending point indices where the stroke turns sharply; the first and
    // last point always included.
    std::vector<int32_t> PolylineCusps() const;
    // Float index of the centre-line point nearest (x, y); equal distances go to
    // the lower index. distance: from (x, y) to the stroke's edge, >= 0.
    float NearestPoint(int32_t x, int32_t y, float* distance = nullptr) const;
    // Ascending float indices where this stroke meets the given strokes (all
    // strokes of its ink when the collection is empty or not given); never its
    // own end points, never its crossings with itself. Throws when the
    // collection holds an empty, detached or foreign reference.
    std::vector<float> FindIntersections(const InkStrokes& strokes) const;
    std::vector<float> FindIntersections() const;
    // Of what FindIntersections() answers, the last at or before index and
    // the first after it, found from the segments around index outwards: an
    // eraser needs no more of a stroke that crosses ink thousands of times.
    struct CrossingsAround {
        bool any = false;  // whether there is any crossing at all
        std::optional<float> atOrBefore;
        std::optional<float> after;
    };
    CrossingsAround crossingsAround(float index) const;
    // Cuts at index (0 <= index <= last): this stroke keeps the part up to the
    // cut, the returned new stroke (placed right after it in the ink) the rest.
    InkStrokeDisp Split(float index);

    InkDisp* ink() const;

    friend bool operator==(const InkStrokeDisp& a, const InkStrokeDisp& b) { return a.m_rec == b.m_rec; }

private:
    friend class InkDisp;
    friend class InkStrokes;
    friend struct ink_detail::Access;
    explicit InkStrokeDisp(std::shared_ptr<ink_detail::StrokeRecord> rec) : m_rec(std::move(rec)) {}
    ink_detail::StrokeRecord& live() const;  // throws unless attached
    std::shared_ptr<ink_detail::StrokeRecord> m_rec;
};

// An ordered collection of stroke references: a snapshot, not a live view.
class InkStrokes {
public:
    InkStrokes() = default;
    explicit InkStrokes(std::vector<InkStrokeDisp> strokes)
        : m_strokes(std::make_shared<std::vector<InkStrokeDisp>>(std::move(strokes))) {}

    int32_t Count() const { return static_cast<int32_t>(items().size()); }
    InkStrokeDisp Item(int32_t index) const;  // from 0; throws when out of range
    void Add(const InkStrokeDisp& stroke);

    auto begin() const { return items().begin(); }
    auto end() const { return items().end(); }
    const std::vector<InkStrokeDisp>& items() const;

    // Set when this is an ink's complete Strokes at a given revision: lets the
    // renderer serve it from its cache.
    const InkDisp* wholeInkOf() const { return m_wholeInk; }
    uint64_t revision() const { return m_revision; }

private:
    friend class InkDisp;
    friend struct ink_detail::Access;
    // Copies share one list (an ink hands out the same list until it
    // changes, so a repaint copies nothing); Add copies before it writes.
    std::shared_ptr<std::vector<InkStrokeDisp>> m_strokes;
    const InkDisp* m_wholeInk = nullptr;
    uint64_t m_revision = 0;
};

// What changed in an ink, for those that draw it.
class InkChangeListener {
public:
    virtual ~InkChangeListener() = default;
    // A stroke joined the ink at its end (drawn on top of everything).
    virtual void strokeAdded(const InkStrokeDisp& stroke) = 0;
    // Ink inside this ink-space area changed (strokes deleted, split, restyled).
    virtual void inkChanged(const InkRectangle& area) = 0;
    // The stroke was cut in two: it keeps the part up to the cut and piece,
    // right after it in the ink, the rest. The points stayed where they were
    // but on the segment that was cut, whose drawn area is cutArea; the
    // stroke's whole drawn area was strokeArea. Where two pieces overlap
    // they now blend as two strokes, so by default strokeArea changed.
    virtual void strokeSplit(const InkStrokeDisp& stroke, const InkStrokeDisp& piece, const InkRectangle& strokeArea,
                             const InkRectangle& cutArea)
    {
        static_cast<void>(stroke);
        static_cast<void>(piece);
        static_cast<void>(cutArea);
        inkChanged(strokeArea);
    }
};

class InkDisp {
public:
    InkDisp();
    ~InkDisp();  // detaches every stroke still referenced
    InkDisp(const InkDisp&) = delete;
    InkDisp& operator=(const InkDisp&) = delete;

    InkStrokes Strokes() const;
    int32_t strokeCount() const;
    // Every stroke whose drawn edge comes within radius of (x, y), in ink order.
    InkStrokes HitTestCircle(int32_t x, int32_t y, float radius) const;
    // Strokes whose drawn ink may reach into the area, in ink order: those
    // with a stretch of at most a few segments whose drawn bounds meet it
    // (every stroke that paints there is included).
    InkStrokes strokesIn(const InkRectangle& area) const;
    // Strokes whose centre line has a stretch of a few segments whose bounds
    // meet one of the areas, each once, in ink order.
    InkStrokes strokesCentredIn(std::span<const InkRectangle> areas) const;
    void DeleteStroke(const InkStrokeDisp& stroke);
    void DeleteStrokes(const InkStrokes& strokes);
    void DeleteStrokes();  // all

    // A finished stroke added at the end of the ink.
    InkStrokeDisp CreateStroke(const std::vector<InkPacket>& packets, const InkDrawingAttributes& attributes);

    // The collector's side: a stroke in progress that belongs to this ink but
    // is not one of its Strokes until it is committed.
    InkStrokeDisp beginStroke(const InkDrawingAttributes& attributes);
    void appendPackets(const InkStrokeDisp& inProgress, const InkPacket* packets, size_t count);
    void commitStroke(const InkStrokeDisp& inProgress);   // joins the ink at its end; needs a packet
    void discardStroke(const InkStrokeDisp& inProgress);  // becomes detached

    // Bumped by every change; a Strokes snapshot carries it.
    uint64_t revision() const;
    // True while the ink keeps every crossing of its strokes at hand (from
    // the first pass over all of them on, while the page is not too dense):
    // a stroke's FindIntersections() with the whole ink is then a look-up.
    bool meetingsKept() const;
    // What each of strokes' FindIntersections(strokes) answers, in their
    // order: the same lists, those the ink keeps at hand copied out on
    // several threads (a dense page holds millions).
    std::vector<std::vector<float>> intersectionsOfEach(const InkStrokes& strokes) const;
    // Every stroke's crossings found away from the window's thread: made
    // from the ink as it stands (its points copied), run on any thread,
    // then offered back to the ink, which keeps what the run built when it
    // has not changed since. While a job is out, strokes asked one after
    // another at one revision are answered one by one: the pass over the
    // whole page is the job's. An ink that keeps its crossings already
    // copies them into the job, which then has nothing left to find.
    class CrossingsJob {
    public:
        ~CrossingsJob();
        CrossingsJob(const CrossingsJob&) = delete;
        CrossingsJob& operator=(const CrossingsJob&) = delete;
        // Finds them; once, on any one thread. False when that failed.
        bool run();
        uint64_t revision() const;
        // The strokes as copied, in ink order: the i-th one's points, and
        // after run() its crossings, what its FindIntersections() answered.
        size_t count() const;
        std::span<const InkPacket> points(size_t i) const;
        const std::vector<float>& crossings(size_t i) const;

        struct State;

    private:
        friend class InkDisp;
        explicit CrossingsJob(std::unique_ptr<State> state);
        std::unique_ptr<State> m_state;
    };
    // Null when the strokes hold fewer than `segments` segments (asking
    // them is then quick).
    std::unique_ptr<CrossingsJob> crossingsJob(size_t segments) const;
    // True when the job's crossings are the ink's as it stands: it did not
    // change since, and it keeps what the job built (or kept them already).
    bool adoptCrossings(CrossingsJob& job);

    // How many meetings, with where they lie on both strokes, the ink keeps
    // at most; a denser page keeps each stroke's crossings alone. Lowered by
    // the fuzzer to reach that path on small pages.
    void setKeptMeetingsLimit(size_t meetings);

    void addListener(InkChangeListener* listener);
    void removeListener(InkChangeListener* listener);

    struct MemoryUse {
        size_t strokes = 0;
        size_t packets = 0;
        size_t bytes = 0;  // heap bytes held by strokes and the spatial index
    };
    MemoryUse memoryUse() const;

    class Impl;

private:
    friend class InkStrokeDisp;
    std::unique_ptr<Impl> m_impl;
    mutable InkStrokes m_snapshot;  // the last Strokes(), while the ink is unchanged
};
