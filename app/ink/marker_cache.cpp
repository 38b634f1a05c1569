#include "app/ink/marker_cache.h"

#include "app/ink/markers.h"
#include "platform/ink/ink_layer.h"
#include "platform/ink/ink_renderer.h"
#include "platform/ink/ink_units.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <iterator>

namespace {

// Changes remembered between two uses; a page changed more than this since
// (a long session in another mode) is read afresh instead.
constexpr size_t kMaxPendingChanges = 1024;

bool inkPointLess(InkPoint a, InkPoint b)
{
    return a.x != b.x ? a.x < b.x : a.y < b.y;
}

// Markers in one list and not in the other, counted as multisets.
void addDifference(std::vector<InkPoint> before, std::vector<InkPoint> after, std::vector<InkPoint>& out)
{
    if (before == after)
        return;
    std::sort(before.begin(), before.end(), inkPointLess);
    std::sort(after.begin(), after.end(), inkPointLess);
    std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(out),
                                  inkPointLess);
}

}  // namespace

MarkerCache::MarkerCache(Kind kind) : m_kind(kind) {}

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
    if (m_added.size() + m_changedAreas.size() >= kMaxPendingChanges) {
        m_lostTrack = true;
        m_added.clear();
        m_changedAreas.clear();
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

std::vector<InkPoint> MarkerCache::pointsOf(const InkStrokeDisp& stroke) const
{
    if (m_kind == Kind::Cusps)
        return cuspMarkerPoints(stroke);
    // Every stroke that can cross this one has ink within its bounds, so
    // asking about those alone finds the same crossings as asking about the
    // whole page, at a fraction of the cost.
    return intersectionMarkerPoints(stroke, m_ink->strokesIn(stroke.GetBoundingBox()));
}

void MarkerCache::updatePositions(std::vector<InkPoint>& changed)
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
    m_lostTrack = false;
    m_stalePixels.clear();
    m_pixelsValid = false;
}

void MarkerCache::rebuildAll()
{
    forgetPositions();
    m_layerValid = false;
    // One snapshot of the whole page for every stroke: the platform answers
    // that from one pass over its index.
    const InkStrokes strokes = m_ink->Strokes();
    m_entries.reserve(static_cast<size_t>(strokes.Count()));
    for (const InkStrokeDisp& stroke : strokes) {
        Entry entry;
        entry.stroke = stroke;
        entry.points = m_kind == Kind::Cusps ? cuspMarkerPoints(stroke) : intersectionMarkerPoints(stroke, strokes);
        m_entries.emplace(stroke.ID(), std::move(entry));
    }
    m_stats.strokesAsked += static_cast<uint64_t>(strokes.Count());
    ++m_stats.fullRebuilds;
    m_revision = m_ink->revision();
    m_valid = true;
}

void MarkerCache::applyChanges(std::vector<InkPoint>& changed)
{
    m_valid = false;  // until done: a failure on the way means starting afresh
    std::vector<InkStrokeDisp> ask;
    for (const InkRectangle& area : m_changedAreas) {
        const InkStrokes near = m_ink->strokesIn(area);
        ask.insert(ask.end(), near.begin(), near.end());
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
    m_changedAreas.clear();
    m_added.clear();

    std::vector<std::pair<int64_t, InkStrokeDisp>> byId;
    byId.reserve(ask.size());
    for (const InkStrokeDisp& stroke : ask)
        byId.emplace_back(stroke.ID(), stroke);
    std::sort(byId.begin(), byId.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    byId.erase(std::unique(byId.begin(), byId.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
               byId.end());
    for (const auto& [id, stroke] : byId) {
        std::vector<InkPoint> points = pointsOf(stroke);
        auto [it, isNew] = m_entries.try_emplace(id);
        addDifference(isNew ? std::vector<InkPoint>() : it->second.points, points, changed);
        if (isNew || it->second.points != points)
            m_stalePixels.push_back(id);
        it->second.stroke = stroke;
        it->second.points = std::move(points);
    }
    m_stats.strokesAsked += byId.size();

    // Every stroke of the ink has its entry now; any more are of strokes
    // that are gone.
    if (m_entries.size() != static_cast<size_t>(m_ink->strokeCount())) {
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->second.stroke.isDetached()) {
                changed.insert(changed.end(), it->second.points.begin(), it->second.points.end());
                it = m_entries.erase(it);
            } else {
                ++it;
            }
        }
    }
    m_revision = m_ink->revision();
    m_valid = true;
}

QPoint MarkerCache::toPixels(InkPoint point, const InkRenderer& renderer, const QWidget& paper) const
{
    int32_t x = point.x;
    int32_t y = point.y;
    renderer.InkSpaceToPixel(&paper, x, y);
    return QPoint(x, y);
}

void MarkerCache::setPixels(Entry& entry, const InkRenderer& renderer, const QWidget& paper) const
{
    entry.pixels.clear();
    entry.pixels.reserve(entry.points.size());
    entry.pixelReach = QRect();
    for (const InkPoint& p : entry.points) {
        entry.pixels.push_back(toPixels(p, renderer, paper));
        entry.pixelReach |= markerBounds(entry.pixels.back());
    }
}

void MarkerCache::updateLayer(const std::vector<InkPoint>& changed, const InkRenderer& renderer, const QWidget& paper)
{
    const int dpiX = paper.logicalDpiX();
    const int dpiY = paper.logicalDpiY();
    if (!m_pixelsValid || dpiX != m_dpiX || dpiY != m_dpiY) {
        m_pixelsValid = false;
        m_layerValid = false;
        for (auto& [id, entry] : m_entries)
            setPixels(entry, renderer, paper);
        m_dpiX = dpiX;
        m_dpiY = dpiY;
        m_stalePixels.clear();
        m_pixelsValid = true;
    } else {
        for (const int64_t id : m_stalePixels) {
            const auto it = m_entries.find(id);
            if (it == m_entries.end())
                continue;
            setPixels(it->second, renderer, paper);
        }
        m_stalePixels.clear();
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
        paintLayer(QRegion(rect));
        ++m_stats.layerRepaints;
        m_layerValid = true;
        return;
    }
    if (changed.empty())
        return;
    QRegion dirty;
    for (const InkPoint& p : changed)
        dirty += markerBounds(toPixels(p, renderer, paper));
    dirty &= m_layerRect;
    if (!dirty.isEmpty()) {
        m_layerValid = false;
        paintLayer(dirty);
        m_layerValid = true;
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

    const QRect bounds = area.boundingRect();
    const bool oneRect = area.rectCount() == 1;
    std::vector<QPoint> centres;
    for (const auto& [id, entry] : m_entries) {
        if (!entry.pixelReach.intersects(bounds))
            continue;
        for (const QPoint& centre : entry.pixels) {
            const QRect reach = markerBounds(centre);
            if (reach.intersects(bounds) && (oneRect || area.intersects(reach)))
                centres.push_back(centre);
        }
    }
    drawMarkers(painter, centres);
    m_stats.markersRepainted += centres.size();
}

void MarkerCache::draw(QPainter& painter, const QRect& exposed, InkDisp& ink, const InkRenderer& renderer,
                       const QWidget& paper)
{
    follow(ink);
    try {
        std::vector<InkPoint> changed;
        updatePositions(changed);
        updateLayer(changed, renderer, paper);
    } catch (...) {
        reset();
        throw;
    }

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
    std::vector<InkPoint> changed;
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
