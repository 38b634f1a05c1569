#pragma once
// The markers of one erase mode kept between repaints. Finding every crossing
// on a page at each repaint grows with the square of its strokes, and even
// the cusps take tens of milliseconds on a full page, so the positions are
// kept per stroke and brought up to date from what the ink reports as
// changed: only strokes near a changed area are asked again. The circles are
// kept painted in a raster of the paper's visible part, so a repaint of an
// unchanged page blits the exposed part and a change repaints only the
// pixels of markers that came or went. The result is the same, pixel for
// pixel, as asking every stroke and drawing every circle anew.
//
// A page whose crossings the ink has not found yet takes a pass over all of
// it, which on tens of thousands of strokes outlasts a repaint: a big one
// has them found on another thread, the paper showing its ink meanwhile and
// the markers once they are found (unless the ink changed in between: then
// they are looked for again).

#include "platform/ink/ink_model.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QPainter;
class QWidget;

class MarkerCache : private InkChangeListener {
public:
    enum class Kind { Cusps, Intersections };

    // Pages of at least this many segments have their crossings found on
    // another thread, once the ink has none at hand.
    static constexpr size_t kBackgroundFrom = 40000;

    explicit MarkerCache(Kind kind, size_t backgroundFrom = kBackgroundFrom);
    ~MarkerCache() override;
    MarkerCache(const MarkerCache&) = delete;
    MarkerCache& operator=(const MarkerCache&) = delete;

    // Draws the markers of ink's strokes that fall in exposed (pixels of
    // paper, which shows ink at its logical resolution). Markers that came
    // or went outside exposed get a repaint of their own. A failing platform
    // call ends the drawing; the cache then starts afresh at its next use.
    void draw(QPainter& painter, const QRect& exposed, InkDisp& ink, QWidget& paper);

    // The markers of ink in ink space, stroke by stroke in ink order.
    std::vector<std::vector<InkPoint>> positions(InkDisp& ink);

    // Forgets everything and stops following the ink.
    void reset();

    // True while crossings are being found on another thread.
    bool finding() const { return m_findingOut; }

    struct Stats {
        uint64_t fullRebuilds = 0;      // every stroke asked
        uint64_t strokesAsked = 0;      // strokes asked in all, full rebuilds included
        uint64_t layerRepaints = 0;     // whole-raster repaints
        uint64_t markersRepainted = 0;  // circles drawn into the raster
    };
    Stats stats() const { return m_stats; }

private:
    struct Entry {
        InkStrokeDisp stroke;
        std::vector<float> crossings;  // the float indices of points, crossing markers only
        std::vector<InkPoint> points;
        std::vector<QPoint> pixels;  // at m_dpi
        QRect pixelReach;            // what its markers can touch
    };
    static void setPixels(Entry& entry, int dpiX, int dpiY);
    void setPixels(Entry& entry) const { setPixels(entry, m_dpiX, m_dpiY); }
    // What the circles at these pixels can touch.
    static QRect reachOf(const std::vector<QPoint>& pixels);
    // The pixels of markers that went and of markers that came.
    struct Changes {
        std::vector<QPoint> gone;
        std::vector<QPoint> came;
        bool empty() const { return gone.empty() && came.empty(); }
    };

    void follow(InkDisp& ink);
    // Brings the positions up to the ink's revision; markers that came or
    // went go to changed.
    void updatePositions(Changes& changed);
    void rebuildAll();
    // Takes built, an entry for each stroke of the ink, as the positions at revision.
    void keepAll(std::vector<Entry>& built, uint64_t revision, bool withPixels);
    // place(entry, i) for each of entries, then its pixels at dpiX, dpiY
    // (none without them), in parts for work markers or points in all.
    template <class Place>
    static void placeInParts(std::vector<Entry>& entries, size_t work, int dpiX, int dpiY, Place&& place);

    // A job finding the crossings on another thread: its entries, with
    // their crossings, markers and pixels, made there.
    struct Found;
    // True while the markers are to come from another thread: one is out,
    // or the page is big and the ink has not found its crossings (then one
    // is started).
    bool foundElsewhere(QWidget& paper);
    // Back on the window's thread.
    void takeFound();
    void applyChanges(Changes& changed);
    std::vector<float> crossingsOf(const InkStrokeDisp& stroke) const;
    // The entry's markers anew, none when they are those it has; a stroke
    // whose points did not change (`reshaped` false) keeps those at the
    // crossings it still has first and last, a shortened stroke those before
    // its last segment. Keeps the crossings in the entry.
    std::optional<std::vector<InkPoint>> findPoints(Entry& entry, bool reshaped) const;

    // Calls visit(entry, part) for every entry, shared among parts that run
    // at once on a page of many markers, after prepare(parts); returns parts.
    template <class Prepare, class Visit>
    int inParts(Prepare&& prepare, Visit&& visit);

    static QPoint toPixels(InkPoint point, int dpiX, int dpiY);
    QPoint toPixels(InkPoint point) const { return toPixels(point, m_dpiX, m_dpiY); }
    // Returns the pixels of the paper whose markers were painted anew.
    QRegion updateLayer(const Changes& changed, const QWidget& paper);
    void paintLayer(const QRegion& area);
    // Counts afresh the markers on each pixel whose circle can reach the raster.
    void countCentres();
    // Millions of markers are counted a pass: both inline (QRect's own
    // contains is not).
    bool inCentres(QPoint pixel) const
    {
        return pixel.x() >= m_centresRect.left() && pixel.x() <= m_centresRect.right() &&
               pixel.y() >= m_centresRect.top() && pixel.y() <= m_centresRect.bottom();
    }
    size_t centreIndex(QPoint pixel) const  // a pixel inside m_centresRect
    {
        return size_t(pixel.y() - m_centresRect.top()) * size_t(m_centresRect.width()) +
               size_t(pixel.x() - m_centresRect.left());
    }

    // Drops every position and pending change; the next use reads afresh.
    void forgetPositions();
    // Whether one more change can be remembered; past the limit, forgets them
    // all so the next use starts afresh.
    bool keepsTrack();

    // InkChangeListener
    void strokeAdded(const InkStrokeDisp& stroke) override;
    void inkChanged(const InkRectangle& area) override;
    void strokeSplit(const InkStrokeDisp& stroke, const InkStrokeDisp& piece, const InkRectangle& strokeArea,
                     const InkRectangle& cutArea) override;

    Kind m_kind;
    InkDisp* m_ink = nullptr;  // followed while set
    bool m_valid = false;      // positions hold for m_revision
    uint64_t m_revision = 0;
    std::unordered_map<int64_t, Entry> m_entries;  // by stroke ID

    // Changes since m_revision; too many of them and the next use starts afresh.
    std::vector<InkRectangle> m_changedAreas;
    std::vector<InkStrokeDisp> m_added;
    // Strokes cut in two: asked again themselves, while others change only
    // near the cut.
    std::vector<InkStrokeDisp> m_cut;
    bool m_lostTrack = false;

    // Pixels: positions at one resolution, and the raster of the visible part.
    bool m_pixelsValid = false;
    int m_dpiX = 0;
    int m_dpiY = 0;
    QImage m_layer;
    QRect m_layerRect;  // paper pixels
    qreal m_layerRatio = 0.0;
    bool m_layerValid = false;
    // Markers centred on each pixel of the raster grown by a circle's reach,
    // kept with the raster: a repaint finds its circles by pixel, not by
    // going through every stroke's markers.
    QRect m_centresRect;
    std::vector<int32_t> m_centres;
    std::vector<uint8_t> m_centreSeen;  // scratch of one update, clear between

    size_t m_backgroundFrom;
    QFutureWatcher<std::shared_ptr<Found>> m_finding;
    bool m_findingOut = false;
    InkStrokes m_findingStrokes;  // as the job copied them
    QPointer<QWidget> m_findingFor;

    Stats m_stats;
};
