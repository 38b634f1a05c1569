#include "app/ink/marker_cache.h"

#include "app/ink/markers.h"
#include "platform/ink/ink_layer.h"
#include "platform/ink/ink_units.h"
#include "platform/ink/parallel_parts.h"

#include <QPainter>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Changes remembered between two uses, at least; a page changed more than
// this since, and more than it has strokes, is read afresh instead. (One
// erase on a dense page cuts a hundred strokes, three changes a cut.)
constexpr size_t kMaxPendingChanges = 1024;

// Markers or points a thread is worth, when a whole page is read: a page of
// millions of crossings takes tens of milliseconds to place and convert.
constexpr size_t kMarkerWorkPerPart = 20000;

// The pixels one marker sets, each with its value, around the circle's
// centre in device pixels, at a whole-number device pixel ratio. An aliased
// outline of the same circle moved by whole device pixels sets the same
// pixels, so a page's hundred thousand circles cost one drawing and copies.
struct MarkerStamp {
    int reach = 0;  // device pixels from the centre to the stamp's edge
    std::vector<QPoint> offsets;
    std::vector<uint32_t> values;
};

// Empty when the circle is not plain opaque pixels (then it must be drawn).
MarkerStamp makeMarkerStamp(int scale)
{
    const int reach = (kMarkerRadius + 1) * scale + 1;
    QImage image(2 * reach + 1, 2 * reach + 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.translate(reach, reach);
        painter.scale(scale, scale);
        const QPoint centre(0, 0);
        drawMarkers(painter, std::span<const QPoint>(&centre, 1));
    }
    MarkerStamp stamp;
    stamp.reach = reach;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == 0)
                continue;
            if (qAlpha(line[x]) != 255)
                return MarkerStamp{};
            stamp.offsets.emplace_back(x - reach, y - reach);
            stamp.values.push_back(line[x]);
        }
    }
    return stamp;
}

constexpr int kMaxStampScale = 4;

const MarkerStamp& markerStamp(int scale)
{
    static MarkerStamp stamps[kMaxStampScale + 1];
    static bool made[kMaxStampScale + 1] = {};
    if (!made[scale]) {
        stamps[scale] = makeMarkerStamp(scale);
        made[scale] = true;
    }
    return stamps[scale];
}

// Sets the pixels of the circles at centres (paper pixels) in layer, which
// holds the paper from origin on at scale device pixels a paper pixel, only
// inside rect (paper pixels): what drawMarkers paints there, without a
// painter's work per circle.
void stampMarkers(QImage& layer, const MarkerStamp& stamp, QPoint origin, int scale, const QRect& rect,
                  const std::vector<QPoint>& centres)
{
    const QRect device = QRect((rect.topLeft() - origin) * scale, rect.size() * scale) & layer.rect();
    if (device.isEmpty())
        return;
    const int reach = stamp.reach;
    uchar* bits = layer.bits();
    const qsizetype stride = layer.bytesPerLine();
    // Compared inline: QRect's own tests are calls, several a circle.
    const int left = device.left();
    const int right = device.right();
    const int top = device.top();
    const int bottom = device.bottom();
    for (const QPoint& centre : centres) {
        const QPoint at = (centre - origin) * scale;
        if (at.x() + reach < left || at.x() - reach > right || at.y() + reach < top || at.y() - reach > bottom)
            continue;
        const bool inside =
            at.x() - reach >= left && at.x() + reach <= right && at.y() - reach >= top && at.y() + reach <= bottom;
        for (size_t i = 0; i < stamp.offsets.size(); ++i) {
            const QPoint p = at + stamp.offsets[i];
            if (!inside && (p.x() < left || p.x() > right || p.y() < top || p.y() > bottom))
                continue;
            auto* line = reinterpret_cast<uint32_t*>(bits + p.y() * stride);
            line[p.x()] = stamp.values[i];
        }
    }
}

// The 32-pixel tiles of area that the circles at these centres reach, as
// bands of rectangles (a region of one rectangle a circle costs more to
// build than painting it, and their common bounds can be most of the page).
QRegion tilesReached(const std::vector<QPoint>& centres, const QRect& area)
{
    constexpr int kTile = 32;
    const int columns = (area.width() + kTile - 1) / kTile;
    const int rows = (area.height() + kTile - 1) / kTile;
    std::vector<uint8_t> tiles(size_t(columns) * size_t(rows), 0);
    auto tile = [&](int tx, int ty) -> uint8_t& { return tiles[size_t(ty) * size_t(columns) + size_t(tx)]; };
    for (const QPoint& p : centres) {
        const QRect b = markerBounds(p) & area;
        if (b.isEmpty())
            continue;
        for (int ty = (b.top() - area.top()) / kTile; ty <= (b.bottom() - area.top()) / kTile; ++ty)
            for (int tx = (b.left() - area.left()) / kTile; tx <= (b.right() - area.left()) / kTile; ++tx)
                tile(tx, ty) = 1;
    }
    std::vector<QRect> bands;
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < columns; ++tx) {
            if (!tile(tx, ty))
                continue;
            const int first = tx;
            while (tx + 1 < columns && tile(tx + 1, ty))
                ++tx;
            bands.push_back(QRect(area.left() + first * kTile, area.top() + ty * kTile, (tx - first + 1) * kTile, kTile) &
                            area);
        }
    QRegion region;
    region.setRects(bands.data(), int(bands.size()));
    return region;
}

}  // namespace

struct MarkerCache::Found {
    std::shared_ptr<InkDisp::CrossingsJob> job;
    std::vector<Entry> entries;  // in the job's order, strokes not set
    int dpiX = 0;
    int dpiY = 0;
    bool found = false;
};

MarkerCache::MarkerCache(Kind kind, size_t backgroundFrom) : m_kind(kind), m_backgroundFrom(backgroundFrom)
{
    QObject::connect(&m_finding, &QFutureWatcherBase::finished, &m_finding, [this] { takeFound(); });
}

MarkerCache::~MarkerCache()
{
    reset();
}

void MarkerCache::reset()
{
    if (m_ink)
        m_ink->removeListener(this);
    m_ink = nullptr;
    forgetPositions();
    m_layer = QImage();
    m_layerRect = QRect();
    m_layerValid = false;
    std::vector<int32_t>().swap(m_centres);
    std::vector<uint8_t>().swap(m_centreSeen);
}

void MarkerCache::follow(InkDisp& ink)
{
    if (m_ink == &ink)
        return;
    reset();
    m_ink = &ink;
    ink.addListener(this);
}

bool MarkerCache::keepsTrack()
{
    if (!m_valid || m_lostTrack)
        return false;
    const size_t limit = std::max(kMaxPendingChanges, m_entries.size());
    if (m_added.size() + m_changedAreas.size() + m_cut.size() >= limit) {
        m_lostTrack = true;
        m_added.clear();
        m_changedAreas.clear();
        m_cut.clear();
        return false;
    }
    return true;
}

void MarkerCache::strokeAdded(const InkStrokeDisp& stroke)
{
    if (keepsTrack())
        m_added.push_back(stroke);
}

void MarkerCache::inkChanged(const InkRectangle& area)
{
    if (keepsTrack())
        m_changedAreas.push_back(area);
}

// A cut moves no crossing or cusp of other strokes but those near it: the
// two pieces hold the points the stroke held. The pieces themselves are
// asked again (a stroke's crossings with itself do not count, those between
// its pieces do; a cusp list is the piece's own).
void MarkerCache::strokeSplit(const InkStrokeDisp& stroke, const InkStrokeDisp& piece, const InkRectangle&,
                              const InkRectangle& cutArea)
{
    if (!keepsTrack())
        return;
    m_cut.push_back(stroke);
    m_cut.push_back(piece);
    if (m_kind == Kind::Intersections) {
        // Crossings changed only where the cut segment lay and its two
        // halves lie now: on the centre line from the point before the cut
        // to the one after.
        InkRectangle line{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        auto take = [&line](const std::vector<InkPoint>& points) {
            for (const InkPoint& p : points)
                line = InkRectangle{std::min(line.Top, p.y), std::min(line.Left, p.x), std::max(line.Bottom, p.y),
                                    std::max(line.Right, p.x)};
        };
        take(stroke.GetPoints(std::max(0, stroke.PacketCount() - 2), -1));
        take(piece.GetPoints(0, std::min(2, piece.PacketCount())));
        m_changedAreas.push_back(line);
    } else {
        m_changedAreas.push_back(cutArea);
    }
}

std::vector<float> MarkerCache::crossingsOf(const InkStrokeDisp& stroke) const
{
    // The ink that keeps its crossings answers for the whole page at once.
    // Otherwise: every stroke that can cross this one has ink within its
    // bounds, so asking about those alone finds the same crossings as
    // asking about the whole page, at a fraction of the cost.
    if (m_ink->meetingsKept())
        return stroke.FindIntersections(m_ink->Strokes());
    return stroke.FindIntersections(m_ink->strokesIn(stroke.GetBoundingBox()));
}

std::optional<std::vector<InkPoint>> MarkerCache::findPoints(Entry& entry, bool reshaped) const
{
    const InkStrokeDisp& stroke = entry.stroke;
    if (m_kind == Kind::Cusps)
        return cuspMarkerPoints(stroke);
    std::vector<float> crossings = crossingsOf(stroke);
    const std::vector<float>& old = entry.crossings;
    // A marker depends on its crossing's index and the two points around
    // it; a dense stroke has tens of thousands, and a cut changes a few.
    const size_t both = std::min(old.size(), crossings.size());
    const float lastKept = static_cast<float>(stroke.PacketCount() - 2);
    size_t head = 0;
    while (head < both && old[head] == crossings[head] && (!reshaped || crossings[head] < lastKept))
        ++head;
    size_t tail = 0;
    while (!reshaped && tail < both - head && old[old.size() - 1 - tail] == crossings[crossings.size() - 1 - tail])
        ++tail;
    std::optional<std::vector<InkPoint>> points;
    if (head == 0 && tail == 0) {
        points = markerPointsAt(stroke, crossings);
    } else if (head + tail < old.size() || head + tail < crossings.size()) {
        points.emplace(entry.points.begin(), entry.points.begin() + std::ptrdiff_t(head));
        points->reserve(crossings.size());
        const std::vector<InkPoint> middle =
            markerPointsAt(stroke, std::span(crossings).subspan(head, crossings.size() - head - tail));
        points->insert(points->end(), middle.begin(), middle.end());
        points->insert(points->end(), entry.points.end() - std::ptrdiff_t(tail), entry.points.end());
    }
    entry.crossings = std::move(crossings);
    return points;
}

void MarkerCache::updatePositions(Changes& changed)
{
    if (m_valid && !m_lostTrack && m_revision == m_ink->revision())
        return;
    if (!m_valid || m_lostTrack)
        rebuildAll();
    else
        applyChanges(changed);
}

void MarkerCache::forgetPositions()
{
    m_valid = false;
    m_entries.clear();
    m_changedAreas.clear();
    m_added.clear();
    m_cut.clear();
    m_lostTrack = false;
    m_pixelsValid = false;
}

void MarkerCache::rebuildAll()
{
    // The old positions go before the new are found (a dense page's take
    // tens of megabytes).
    forgetPositions();
    // One snapshot of the whole page for every stroke: the platform answers
    // that from one pass over its index. The markers along each stroke,
    // read from its points alone, are then found in parts on several
    // threads.
    const InkStrokes strokes = m_ink->Strokes();
    std::vector<Entry> built(strokes.items().size());
    std::vector<std::vector<float>> crossings;
    if (m_kind == Kind::Intersections)
        crossings = m_ink->intersectionsOfEach(strokes);
    size_t work = 0;
    for (size_t i = 0; i < built.size(); ++i) {
        Entry& entry = built[i];
        entry.stroke = strokes.items()[i];
        if (m_kind == Kind::Intersections)
            entry.crossings = std::move(crossings[i]);
        work += 1 + (m_kind == Kind::Intersections ? entry.crossings.size() : size_t(entry.stroke.PacketCount()));
    }
    placeInParts(built, work, m_dpiX, m_dpiY, [this](Entry& entry, size_t) {
        entry.points =
            m_kind == Kind::Cusps ? cuspMarkerPoints(entry.stroke) : markerPointsAt(entry.stroke, entry.crossings);
    });
    keepAll(built, m_ink->revision(), m_dpiX > 0 && m_dpiY > 0);
}

template <class Place>
void MarkerCache::placeInParts(std::vector<Entry>& entries, size_t work, int dpiX, int dpiY, Place&& place)
{
    const bool withPixels = dpiX > 0 && dpiY > 0;
    const int parts = ink_parallel::partsFor(work, kMarkerWorkPerPart);
    ink_parallel::runInParts(parts, [&](int part) {
        const ink_parallel::Share share = ink_parallel::shareOf(entries.size(), part, parts);
        for (size_t i = share.first; i < share.last; ++i) {
            place(entries[i], i);
            if (withPixels)
                setPixels(entries[i], dpiX, dpiY);
        }
    });
}

void MarkerCache::keepAll(std::vector<Entry>& built, uint64_t revision, bool withPixels)
{
    forgetPositions();
    m_layerValid = false;
    m_entries.reserve(built.size());
    for (Entry& entry : built) {
        const int64_t id = entry.stroke.ID();
        m_entries.emplace(id, std::move(entry));
    }
    m_stats.strokesAsked += built.size();
    ++m_stats.fullRebuilds;
    m_revision = revision;
    m_valid = true;
    m_pixelsValid = withPixels;
}

bool MarkerCache::foundElsewhere(QWidget& paper)
{
    if (m_findingOut)
        return true;
    if (m_kind != Kind::Intersections || (m_valid && !m_lostTrack))
        return false;
    std::shared_ptr<InkDisp::CrossingsJob> job = m_ink->crossingsJob(m_backgroundFrom);
    if (!job)
        return false;
    m_findingStrokes = m_ink->Strokes();
    m_findingFor = &paper;
    m_findingOut = true;
    m_finding.setFuture(QtConcurrent::run([job, dpiX = m_dpiX, dpiY = m_dpiY] {
        auto found = std::make_shared<Found>();
        found->job = job;
        found->dpiX = dpiX;
        found->dpiY = dpiY;
        try {
            if (!job->run())
                return found;
            found->entries.resize(job->count());
            size_t work = 0;
            for (size_t i = 0; i < job->count(); ++i)
                work += 1 + job->crossings(i).size();
            placeInParts(found->entries, work, dpiX, dpiY, [&job](Entry& entry, size_t i) {
                entry.crossings = job->crossings(i);
                entry.points = markerPointsAt(job->points(i), entry.crossings);
            });
            found->found = true;
        } catch (...) {
            // Out of memory, say: the window finds them itself.
            found->entries.clear();
        }
        return found;
    }));
    return true;
}

void MarkerCache::takeFound()
{
    m_findingOut = false;
    QFuture<std::shared_ptr<Found>> future = m_finding.future();
    const std::shared_ptr<Found> found = future.resultCount() > 0 ? future.takeResult() : nullptr;
    const InkStrokes strokes = std::move(m_findingStrokes);
    m_findingStrokes = InkStrokes();
    if (!found || !found->found)
        m_backgroundFrom = SIZE_MAX;
    else if (m_ink && m_ink->adoptCrossings(*found->job) && (!m_valid || m_lostTrack)) {
        for (size_t i = 0; i < found->entries.size(); ++i)
            found->entries[i].stroke = strokes.items()[i];
        keepAll(found->entries, found->job->revision(),
                found->dpiX == m_dpiX && found->dpiY == m_dpiY && m_dpiX > 0 && m_dpiY > 0);
    }
    // Shown at the next paint; looked for again there, should the ink have
    // changed meanwhile.
    if (m_findingFor)
        m_findingFor->update();
}

void MarkerCache::applyChanges(Changes& changed)
{
    m_valid = false;  // until done: a failure on the way means starting afresh
    std::vector<InkStrokeDisp> ask;
    if (m_kind == Kind::Intersections) {
        // What changed lies inside the areas, so a stroke whose centre line
        // stays out of them kept its crossings (its ink may still reach in).
        const InkStrokes near = m_ink->strokesCentredIn(m_changedAreas);
        ask.assign(near.begin(), near.end());
    } else {
        for (const InkRectangle& area : m_changedAreas) {
            const InkStrokes near = m_ink->strokesIn(area);
            ask.insert(ask.end(), near.begin(), near.end());
        }
    }
    for (const InkStrokeDisp& stroke : m_added) {
        if (stroke.isDetached() || stroke.isInProgress())
            continue;
        ask.push_back(stroke);
        if (m_kind == Kind::Intersections) {
            // A new stroke brings crossings to the strokes it runs over.
            const InkStrokes near = m_ink->strokesIn(stroke.GetBoundingBox());
            ask.insert(ask.end(), near.begin(), near.end());
        }
    }
    std::vector<int64_t> reshaped;
    for (const InkStrokeDisp& stroke : m_cut) {
        if (!stroke.isDetached()) {
            ask.push_back(stroke);
            reshaped.push_back(stroke.ID());
        }
    }
    std::sort(reshaped.begin(), reshaped.end());
    m_changedAreas.clear();
    m_added.clear();
    m_cut.clear();

    std::vector<std::pair<int64_t, InkStrokeDisp>> byId;
    byId.reserve(ask.size());
    for (const InkStrokeDisp& stroke : ask)
        byId.emplace_back(stroke.ID(), stroke);
    std::sort(byId.begin(), byId.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    byId.erase(std::unique(byId.begin(), byId.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
               byId.end());
    // What differs, in pixels (until the raster's first paint there is
    // nothing to compare); markers that only pass from a stroke to a piece
    // cut from it cancel out on their pixel when the raster counts them.
    const bool compare = m_pixelsValid;
    for (const auto& [id, stroke] : byId) {
        Entry& entry = m_entries[id];
        entry.stroke = stroke;
        std::optional<std::vector<InkPoint>> found =
            findPoints(entry, std::binary_search(reshaped.begin(), reshaped.end(), id));
        if (!found)
            continue;
        std::vector<InkPoint>& points = *found;
        const std::vector<InkPoint>& old = entry.points;
        if (!compare || old == points) {
            entry.points = std::move(points);
            continue;
        }
        // Markers both had at the same place along the stroke stay: only the
        // stretch between the first and the last that differ is compared (a
        // stroke near a cut changes near it alone), and converted.
        const auto [oldEnd, newEnd] = std::mismatch(old.rbegin(), old.rend(), points.rbegin(), points.rend());
        const auto [oldStart, newStart] = std::mismatch(old.begin(), oldEnd.base(), points.begin(), newEnd.base());
        const auto head = oldStart - old.begin();
        const auto tail = old.end() - oldEnd.base();
        std::vector<QPoint> pixels(entry.pixels.begin(), entry.pixels.begin() + head);
        pixels.reserve(points.size());
        for (auto p = newStart; p != newEnd.base(); ++p)
            pixels.push_back(toPixels(*p));
        pixels.insert(pixels.end(), entry.pixels.end() - tail, entry.pixels.end());
        changed.gone.insert(changed.gone.end(), entry.pixels.begin() + head, entry.pixels.end() - tail);
        changed.came.insert(changed.came.end(), pixels.begin() + head, pixels.end() - tail);
        entry.pixels = std::move(pixels);
        entry.pixelReach = reachOf(entry.pixels);
        entry.points = std::move(points);
    }
    m_stats.strokesAsked += byId.size();

    // Every stroke of the ink has its entry now; any more are of strokes
    // that are gone.
    if (m_entries.size() != static_cast<size_t>(m_ink->strokeCount())) {
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->second.stroke.isDetached()) {
                if (compare)
                    changed.gone.insert(changed.gone.end(), it->second.pixels.begin(), it->second.pixels.end());
                it = m_entries.erase(it);
            } else {
                ++it;
            }
        }
    }
    m_revision = m_ink->revision();
    m_valid = true;
}

template <class Prepare, class Visit>
int MarkerCache::inParts(Prepare&& prepare, Visit&& visit)
{
    std::vector<Entry*> entries;
    entries.reserve(m_entries.size());
    size_t work = 0;
    for (auto& [id, entry] : m_entries) {
        entries.push_back(&entry);
        work += 1 + entry.points.size();
    }
    const int parts = ink_parallel::partsFor(work, kMarkerWorkPerPart);
    prepare(parts);
    ink_parallel::runInParts(parts, [&](int part) {
        const ink_parallel::Share share = ink_parallel::shareOf(entries.size(), part, parts);
        for (size_t i = share.first; i < share.last; ++i)
            visit(*entries[i], part);
    });
    return parts;
}

QPoint MarkerCache::toPixels(InkPoint point, int dpiX, int dpiY)
{
    // As the renderer's InkSpaceToPixel, with the paper's resolution read
    // once a pass rather than twice a marker.
    return QPoint(ink_units::inkToPixels(point.x, dpiX), ink_units::inkToPixels(point.y, dpiY));
}

void MarkerCache::setPixels(Entry& entry, int dpiX, int dpiY)
{
    entry.pixels.clear();
    entry.pixels.reserve(entry.points.size());
    for (const InkPoint& p : entry.points)
        entry.pixels.push_back(toPixels(p, dpiX, dpiY));
    entry.pixelReach = reachOf(entry.pixels);
}

QRect MarkerCache::reachOf(const std::vector<QPoint>& pixels)
{
    if (pixels.empty())
        return QRect();
    int left = pixels.front().x();
    int right = left;
    int top = pixels.front().y();
    int bottom = top;
    for (const QPoint& p : pixels) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return markerBounds(QPoint(left, top)) | markerBounds(QPoint(right, bottom));
}

QRegion MarkerCache::updateLayer(const Changes& changed, const QWidget& paper)
{
    if (!m_pixelsValid) {
        m_layerValid = false;
        inParts([](int) {}, [this](Entry& entry, int) { setPixels(entry); });
        m_pixelsValid = true;
    }

    const QRect rect = visibleAreaOf(paper);
    const qreal ratio = paper.devicePixelRatioF();
    if (!m_layerValid || rect != m_layerRect || ratio != m_layerRatio) {
        m_layerValid = false;
        m_layerRect = rect;
        m_layerRatio = ratio;
        const QSize size = (QSizeF(rect.size()) * ratio).toSize();
        if (rect.isEmpty() || size.isEmpty())
            m_layer = QImage();
        else if (m_layer.size() != size)
            m_layer = QImage(size, QImage::Format_ARGB32_Premultiplied);
        countCentres();
        paintLayer(QRegion(rect));
        ++m_stats.layerRepaints;
        m_layerValid = true;
        return QRegion(rect);
    }
    if (changed.empty())
        return QRegion();
    // The kept counts follow the markers that came and went; a pixel changes
    // only where it gains its first circle or loses its last (a marker moved
    // by an ink unit or two, as the pieces of a cut stroke count their
    // crossings from other points, mostly stays on its pixel).
    m_layerValid = false;  // until the counts and the raster agree again
    std::vector<std::pair<size_t, int32_t>> touched;  // each pixel once, with its count before
    auto tally = [&](const std::vector<QPoint>& pixels, int32_t step) {
        for (const QPoint& pixel : pixels) {
            if (!inCentres(pixel))
                continue;
            const size_t at = centreIndex(pixel);
            if (!m_centreSeen[at]) {
                m_centreSeen[at] = 1;
                touched.emplace_back(at, m_centres[at]);
            }
            m_centres[at] += step;
        }
    };
    tally(changed.gone, -1);
    tally(changed.came, 1);
    std::vector<QPoint> moved;
    for (const auto& [at, before] : touched) {
        m_centreSeen[at] = 0;
        if ((before > 0) != (m_centres[at] > 0))
            moved.emplace_back(m_centresRect.left() + int(at % size_t(m_centresRect.width())),
                               m_centresRect.top() + int(at / size_t(m_centresRect.width())));
    }
    // Many at once (a stroke's cusps all moved, a cut through a scribble)
    // take the tiles of the raster they fall in.
    constexpr size_t kMaxDirtyRects = 64;
    QRegion dirty;
    if (moved.size() > kMaxDirtyRects) {
        dirty = tilesReached(moved, m_layerRect);
    } else {
        for (const QPoint& p : moved)
            dirty += markerBounds(p);
    }
    dirty &= m_layerRect;
    if (!dirty.isEmpty())
        paintLayer(dirty);
    m_layerValid = true;
    return dirty;
}

void MarkerCache::countCentres()
{
    const int reach = kMarkerRadius + 1;
    m_centresRect = m_layerRect.isEmpty() ? QRect() : m_layerRect.marginsAdded(QMargins(reach, reach, reach, reach));
    const size_t cells = m_centresRect.isEmpty() ? 0 : size_t(m_centresRect.width()) * size_t(m_centresRect.height());
    m_centres.assign(cells, 0);
    m_centreSeen.assign(cells, 0);
    // Each part counts its share of the strokes on counts of its own, added
    // up after.
    std::vector<std::vector<int32_t>> partCounts;
    const int parts = inParts(
        [&](int parts) { partCounts.assign(size_t(parts - 1), std::vector<int32_t>(cells, 0)); },
        [&](const Entry& entry, int part) {
            if (!entry.pixelReach.intersects(m_centresRect))
                return;
            std::vector<int32_t>& counts = part == 0 ? m_centres : partCounts[size_t(part) - 1];
            for (const QPoint& centre : entry.pixels)
                if (inCentres(centre))
                    ++counts[centreIndex(centre)];
        });
    if (parts > 1) {
        ink_parallel::runInParts(parts, [&](int part) {
            const ink_parallel::Share share = ink_parallel::shareOf(cells, part, parts);
            for (const std::vector<int32_t>& counts : partCounts)
                for (size_t i = share.first; i < share.last; ++i)
                    m_centres[i] += counts[i];
        });
    }
}

void MarkerCache::paintLayer(const QRegion& area)
{
    if (m_layer.isNull() || area.isEmpty())
        return;
    QPainter painter(&m_layer);
    painter.scale(m_layerRatio, m_layerRatio);
    painter.translate(-m_layerRect.topLeft());
    painter.setClipRegion(area);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(area.boundingRect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    // One circle a pixel that holds a marker (a crossing marked from both
    // strokes, the ends of strokes that meet: the same circle); centres that
    // can reach a rectangle lie within it grown by a marker.
    const int reach = kMarkerRadius + 1;
    auto centresNear = [&](const QRect& rect, std::vector<QPoint>& centres) {
        const QRect near = rect.marginsAdded(QMargins(reach, reach, reach, reach)) & m_centresRect;
        for (int y = near.top(); y <= near.bottom(); ++y)
            for (int x = near.left(); x <= near.right(); ++x)
                if (m_centres[centreIndex(QPoint(x, y))] > 0)
                    centres.emplace_back(x, y);
    };
    // At a whole-number pixel ratio every circle is the same pixels shifted,
    // set rectangle by rectangle; at others a circle's pixels depend on where
    // it falls, so each is drawn once, clipped to the area.
    const MarkerStamp* stamp = nullptr;
    if (m_layerRatio >= 1 && m_layerRatio <= kMaxStampScale && m_layerRatio == std::floor(m_layerRatio) &&
        m_layer.format() == QImage::Format_ARGB32_Premultiplied)
        stamp = &markerStamp(static_cast<int>(m_layerRatio));
    std::vector<QPoint> centres;
    if (stamp && !stamp->offsets.empty()) {
        painter.end();
        for (const QRect& rect : area) {
            centres.clear();
            centresNear(rect, centres);
            stampMarkers(m_layer, *stamp, m_layerRect.topLeft(), static_cast<int>(m_layerRatio), rect, centres);
            m_stats.markersRepainted += centres.size();
        }
        return;
    }
    for (const QRect& rect : area)
        centresNear(rect, centres);
    std::sort(centres.begin(), centres.end(),
              [](QPoint a, QPoint b) { return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x(); });
    centres.erase(std::unique(centres.begin(), centres.end()), centres.end());
    drawMarkers(painter, centres);
    m_stats.markersRepainted += centres.size();
}

void MarkerCache::draw(QPainter& painter, const QRect& exposed, InkDisp& ink, QWidget& paper)
{
    follow(ink);
    // The paper's resolution first: a page read afresh gets its markers'
    // pixels in the same pass.
    if (paper.logicalDpiX() != m_dpiX || paper.logicalDpiY() != m_dpiY) {
        m_dpiX = paper.logicalDpiX();
        m_dpiY = paper.logicalDpiY();
        m_pixelsValid = false;
    }
    QRegion repainted;
    try {
        if (foundElsewhere(paper))
            return;  // the markers come when found
        Changes changed;
        updatePositions(changed);
        repainted = updateLayer(changed, paper);
    } catch (...) {
        reset();
        throw;
    }
    // A change painted for a part of the paper (what an eraser took away)
    // can move markers elsewhere too.
    if (const QRegion missed = repainted - exposed; !missed.isEmpty())
        paper.update(missed);

    const ink_units::PainterStateGuard keep(painter);
    const QRect part = exposed & m_layerRect;
    if (!part.isEmpty() && !m_layer.isNull()) {
        const QRectF source(QPointF(part.topLeft() - m_layerRect.topLeft()) * m_layerRatio,
                            QSizeF(part.size()) * m_layerRatio);
        painter.drawImage(QRectF(part), m_layer, source);
    }
    // A paint reaching past what shows (a grab of the whole paper) gets the
    // rest drawn circle by circle.
    const QRegion beyond = QRegion(exposed) - m_layerRect;
    if (beyond.isEmpty())
        return;
    const QRect bounds = beyond.boundingRect();
    std::vector<QPoint> centres;
    for (const auto& [id, entry] : m_entries) {
        if (!entry.pixelReach.intersects(bounds))
            continue;
        for (const QPoint& centre : entry.pixels)
            if (markerBounds(centre).intersects(bounds))
                centres.push_back(centre);
    }
    painter.setClipRegion(beyond, Qt::IntersectClip);
    drawMarkers(painter, centres);
}

std::vector<std::vector<InkPoint>> MarkerCache::positions(InkDisp& ink)
{
    follow(ink);
    Changes changed;
    try {
        updatePositions(changed);
    } catch (...) {
        reset();
        throw;
    }
    // The raster has not seen these changes.
    if (!changed.empty())
        m_layerValid = false;
    std::vector<std::vector<InkPoint>> result;
    for (const InkStrokeDisp& stroke : ink.Strokes())
        result.push_back(m_entries.at(stroke.ID()).points);
    return result;
}
