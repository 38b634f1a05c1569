#include "platform/picture/gdi_device.h"

#include "platform/picture/picture_errors.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr size_t kMaxSavedStates = 1024;  // deeper saves are ignored, not stacked
constexpr uint32_t kMaxObjectIndex = 0xFFFF;

bool finitePoint(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

bool usableExtent(QSizeF extent)
{
    return std::isfinite(extent.width()) && std::isfinite(extent.height()) && extent.width() != 0
           && extent.height() != 0;
}

}  // namespace

GdiDevice::GdiDevice(QPainter& painter, QSizeF frame, double dpi, Mapping mapping)
    : m_painter(painter), m_frame(frame), m_dpi(dpi), m_mapping(mapping)
{
    QRectF device(0, 0, frame.width(), frame.height());
    if (painter.device())
        device = QRectF(0, 0, painter.device()->width(), painter.device()->height());
    m_visible = QRectF(QPointF(0, 0), frame).intersected(device);
    if (mapping == Mapping::WindowToFrame)
        m_state.mapper.windowExt = frame;
    applyClip();
}

void GdiDevice::setDeviceToOutput(const QTransform& transform, QSizeF devicePixelsPerMm)
{
    m_deviceToOutput = transform;
    m_devicePixelsPerMm = devicePixelsPerMm;
}

// ---- the budget ----

namespace {

// Enough for any drawing made to be looked at; a file past it is made to
// hold the window. Measured on this kind of machine: filling costs about
// 0.25 us a point, stroking six times that, and more with the pen's width
// (Qt's stroker makes round joins and a wide outline). The budget is about
// half a second, and one stroke may take half of it (its outline is built
// whole: about 0.6 KB a point for a thin pen). Filled pixels count within
// what shows, so a picture may cover what shows this many times over, and
// never more pixels than about a quarter of a second fills.
constexpr int64_t kMaxRecords = 250000;
constexpr double kMaxWork = 2000000;
constexpr double kMaxStrokeWork = kMaxWork / 2;
constexpr double kStrokePointWork = 6;
constexpr double kPenReachPerWork = 2000;  // pixels of reach that double a stroke's cost
// Qt's rasteriser also takes time for each pixel row an edge crosses (about
// 80 ns filling, more for a stroke's outline): a few hundred points jumping
// across what shows cost as much as a hundred thousand short ones.
constexpr double kRowsPerWork = 2;
// A dash that shows costs about two stroked points: its outline is built
// whole, round caps and all (1.2 KB and 2 us a dash of a thin pen).
constexpr double kDashWork = 12;
constexpr double kMaxCoverings = 256;
constexpr double kMaxFilledPixels = 1 << 28;
constexpr int64_t kMaxCharacters = 20000;

}  // namespace

// ---- curves ----

namespace {

constexpr double kMaxCubicSegments = 512;

double distance(const QPainterPath::Element& a, const QPainterPath::Element& b, const QPainterPath::Element& c)
{
    // |a - 2b + c|, the control polygon's bend
    return std::hypot(a.x - 2 * b.x + c.x, a.y - 2 * b.y + c.y);
}

// Segments for the cubic whose control points start at element i - 1:
// ceil(sqrt(3/4 * bend / tolerance)) keeps every segment within a quarter
// pixel of the curve.
double cubicSegments(const QPainterPath& path, int i)
{
    const QPainterPath::Element &p0 = path.elementAt(i - 1), &p1 = path.elementAt(i),
                                &p2 = path.elementAt(i + 1), &p3 = path.elementAt(i + 2);
    const double bend = std::max(distance(p0, p1, p2), distance(p1, p2, p3));
    const double segments = std::ceil(std::sqrt(3 * bend));
    return std::isfinite(segments) ? std::clamp(segments, 1.0, kMaxCubicSegments) : kMaxCubicSegments;
}

bool isCubic(const QPainterPath& path, int i)
{
    return i > 0 && i + 2 < path.elementCount() && path.elementAt(i).isCurveTo();
}

}  // namespace

double flattenedPoints(const QPainterPath& path)
{
    double points = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        if (isCubic(path, i)) {
            points += cubicSegments(path, i);
            i += 2;
        } else {
            points += 1;
        }
    }
    return points;
}

QPainterPath flattened(const QPainterPath& path, double points)
{
    bool curved = false;
    for (int i = 0; i < path.elementCount() && !curved; ++i)
        curved = path.elementAt(i).isCurveTo();
    if (!curved)
        return path;
    QPainterPath flat;
    flat.setFillRule(path.fillRule());
    flat.reserve(int(std::min(points, double(std::numeric_limits<int>::max()))));
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (e.isMoveTo()) {
            flat.moveTo(e.x, e.y);
        } else if (isCubic(path, i)) {
            const QPointF p0 = path.elementAt(i - 1), p1 = e, p2 = path.elementAt(i + 1),
                          p3 = path.elementAt(i + 2);
            const int segments = int(cubicSegments(path, i));
            for (int k = 1; k < segments; ++k) {
                const double t = double(k) / segments, u = 1 - t;
                flat.lineTo(u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3);
            }
            flat.lineTo(p3);
            i += 2;
        } else {
            flat.lineTo(e.x, e.y);
        }
    }
    return flat;
}

QImage metafileCanvas(QSize frame, QSize shown, double ratio)
{
    QSize size = frame;
    if (shown.isValid())
        size = size.boundedTo(QSize(int(std::ceil(std::max(shown.width(), 1) * ratio)),
                                    int(std::ceil(std::max(shown.height(), 1) * ratio))));
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        throw pictureTooLarge("no memory to play the metafile");
    // What the metafile leaves undrawn shows the paper beneath.
    canvas.fill(Qt::transparent);
    return canvas;
}

void GdiDevice::countRecord()
{
    ++m_spent.records;
    checkBudget();
    // A path grows record by record before anything draws it.
    if (m_path.elementCount() > kMaxStrokeWork)
        throw pictureTooLarge("metafile path past the work a picture may take");
}

void GdiDevice::checkBudget() const
{
    const double area = std::max(m_visible.width() * m_visible.height(), 1.0);
    if (m_spent.records > kMaxRecords || m_spent.work > kMaxWork
        || m_spent.area > std::min(kMaxCoverings * area, kMaxFilledPixels)
        || m_spent.characters > kMaxCharacters)
        throw pictureTooLarge("metafile past the work a picture may take");
}

void GdiDevice::chargeArea(const QRectF& outputBox, double atMost)
{
    const QRectF shown = outputBox.normalized().intersected(m_visible);
    m_spent.area += std::min(shown.width() * shown.height(), atMost);
    checkBudget();
}

QPainterPath GdiDevice::charge(const QPainterPath& path, double reach, double length, double dashPeriod)
{
    const bool stroke = length > 0;
    const double points = flattenedPoints(path);
    const double work = stroke ? points * kStrokePointWork * (1 + reach / kPenReachPerWork) : points;
    if (stroke && work > kMaxStrokeWork)
        throw pictureTooLarge("metafile stroke past the work a picture may take");
    m_spent.work += work;
    checkBudget();  // before flattening and the box, which walk every point
    const QPainterPath flat = flattened(path, points);
    const EdgeCost edges = edgeCost(flat, stroke ? reach : 0);
    // A stroke's outline has two sides to each edge, each a pen wide.
    m_spent.work += (stroke ? 2 : 1) * edges.rows / kRowsPerWork;
    checkBudget();
    if (stroke && dashPeriod > 0) {
        // Qt builds the outline of every dash that can show, caps and all.
        const double dashes = edges.length / dashPeriod * kDashWork;
        if (dashes > kMaxStrokeWork)
            throw pictureTooLarge("metafile dashed stroke past the work a picture may take");
        m_spent.work += dashes;
        checkBudget();
    }
    const QRectF box = path.controlPointRect().adjusted(-reach, -reach, reach, reach);
    chargeArea(box, stroke ? length * std::max(2 * reach, 1.0) : std::numeric_limits<double>::max());
    return flat;
}

GdiDevice::EdgeCost GdiDevice::edgeCost(const QPainterPath& flat, double reach) const
{
    const QRectF shown = m_visible.adjusted(-reach, -reach, reach, reach);
    const double ends = std::min(2 * reach, shown.height());
    EdgeCost cost;
    auto edge = [&](QPointF from, QPointF to, bool closing) {
        const double top = std::max(std::min(from.y(), to.y()), shown.top());
        const double bottom = std::min(std::max(from.y(), to.y()), shown.bottom());
        if (top <= bottom)
            cost.rows += bottom - top + ends;
        if (closing)
            return;  // a stroke has no closing edge to dash
        // The part inside: the segment's parameters on entering and leaving.
        const QPointF d = to - from;
        double enter = 0, leave = 1;
        auto side = [&](double p, double q) {
            if (p == 0)
                return q >= 0;
            const double t = q / p;
            if (p < 0)
                enter = std::max(enter, t);
            else
                leave = std::min(leave, t);
            return enter <= leave;
        };
        if (side(-d.x(), from.x() - shown.left()) && side(d.x(), shown.right() - from.x())
            && side(-d.y(), from.y() - shown.top()) && side(d.y(), shown.bottom() - from.y()))
            cost.length += (leave - enter) * std::hypot(d.x(), d.y());
    };
    QPointF start, last;
    for (int i = 0; i < flat.elementCount(); ++i) {
        const QPainterPath::Element& e = flat.elementAt(i);
        if (e.isMoveTo()) {
            edge(last, start, true);  // a fill closes each figure
            start = last = e;
        } else {
            edge(last, e, false);
            last = e;
        }
    }
    edge(last, start, true);
    return cost;
}

// ---- mapping ----

QTransform GdiDevice::pageToDevice() const
{
    const Mapper& m = m_state.mapper;
    double sx = 1, sy = 1;
    auto metric = [&](double mmPerUnit) {
        sx = m_devicePixelsPerMm.width() * mmPerUnit;
        sy = -m_devicePixelsPerMm.height() * mmPerUnit;  // y grows upwards
    };
    switch (m.mode) {
    case 2: metric(0.1); break;            // MM_LOMETRIC
    case 3: metric(0.01); break;           // MM_HIMETRIC
    case 4: metric(0.254); break;          // MM_LOENGLISH
    case 5: metric(0.0254); break;         // MM_HIENGLISH
    case 6: metric(25.4 / 1440); break;    // MM_TWIPS
    case 7:                                // MM_ISOTROPIC
    case 8:                                // MM_ANISOTROPIC
        sx = m.viewportExt.width() / m.windowExt.width();
        sy = m.viewportExt.height() / m.windowExt.height();
        if (m.mode == 7) {
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
        break;
    default: break;  // MM_TEXT
    }
    return QTransform::fromTranslate(-m.windowOrg.x(), -m.windowOrg.y()) * QTransform::fromScale(sx, sy)
           * QTransform::fromTranslate(m.viewportOrg.x(), m.viewportOrg.y());
}

QTransform GdiDevice::toOutput() const
{
    const Mapper& m = m_state.mapper;
    if (m_mapping == Mapping::WindowToFrame) {
        return m.world * QTransform::fromTranslate(-m.windowOrg.x(), -m.windowOrg.y())
               * QTransform::fromScale(m_frame.width() / m.windowExt.width(),
                                       m_frame.height() / m.windowExt.height());
    }
    return m.world * pageToDevice() * m_deviceToOutput;
}

void GdiDevice::setMapMode(uint32_t mode)
{
    if (mode >= 1 && mode <= 8)
        m_state.mapper.mode = mode;
}

void GdiDevice::setWindowOrg(QPointF origin)
{
    if (finitePoint(origin))
        m_state.mapper.windowOrg = origin;
}

void GdiDevice::setWindowExt(QSizeF extent)
{
    if (usableExtent(extent))
        m_state.mapper.windowExt = extent;
}

void GdiDevice::setViewportOrg(QPointF origin)
{
    if (finitePoint(origin))
        m_state.mapper.viewportOrg = origin;
}

void GdiDevice::setViewportExt(QSizeF extent)
{
    if (usableExtent(extent))
        m_state.mapper.viewportExt = extent;
}

void GdiDevice::offsetWindowOrg(QPointF offset)
{
    setWindowOrg(m_state.mapper.windowOrg + offset);
}

void GdiDevice::offsetViewportOrg(QPointF offset)
{
    setViewportOrg(m_state.mapper.viewportOrg + offset);
}

void GdiDevice::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom != 0 && yDenom != 0) {
        const QSizeF e = m_state.mapper.windowExt;
        setWindowExt(QSizeF(e.width() * xNum / xDenom, e.height() * yNum / yDenom));
    }
}

void GdiDevice::scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom != 0 && yDenom != 0) {
        const QSizeF e = m_state.mapper.viewportExt;
        setViewportExt(QSizeF(e.width() * xNum / xDenom, e.height() * yNum / yDenom));
    }
}

void GdiDevice::setWorldTransform(const QTransform& transform)
{
    m_state.mapper.world = transform;
}

void GdiDevice::modifyWorldTransform(const QTransform& transform, uint32_t mode)
{
    QTransform& world = m_state.mapper.world;
    switch (mode) {
    case 1: world = QTransform(); break;           // MWT_IDENTITY
    case 2: world = transform * world; break;      // MWT_LEFTMULTIPLY: the new one first
    case 3: world = world * transform; break;      // MWT_RIGHTMULTIPLY
    case 4: world = transform; break;              // MWT_SET
    default: break;
    }
}

void GdiDevice::setPolyFillMode(uint32_t mode)
{
    m_state.fillRule = (mode == 2) ? Qt::WindingFill : Qt::OddEvenFill;
}

void GdiDevice::saveDc()
{
    if (m_saved.size() < kMaxSavedStates)
        m_saved.push_back(m_state);
}

void GdiDevice::restoreDc(int32_t which)
{
    const int64_t count = int64_t(m_saved.size());
    const int64_t index = which < 0 ? count + which : int64_t(which) - 1;
    if (which == 0 || index < 0 || index >= count)
        return;
    // Most saves and restores leave the clip as it was; setting it again
    // would cost as much as filling it.
    const bool clipChanges = m_saved[size_t(index)].clip != m_state.clip;
    m_state = m_saved[size_t(index)];
    m_saved.resize(size_t(index));
    if (clipChanges)
        applyClip();
}

// ---- objects ----

void GdiDevice::createObject(uint32_t index, GdiObject object)
{
    if (index != 0 && index <= kMaxObjectIndex)
        m_objects[index] = std::move(object);
}

void GdiDevice::addObject(GdiObject object)
{
    // GDI puts a new object in the lowest free slot of the table, and fails
    // the creation when the table is full.
    uint32_t index;
    if (!m_freed.empty()) {
        index = *m_freed.begin();
        m_freed.erase(m_freed.begin());
    } else if (m_highWater < m_capacity) {
        index = m_highWater++;
    } else {
        return;
    }
    m_objects[index] = std::move(object);
}

void GdiDevice::selectObject(uint32_t index)
{
    if (index & 0x80000000u) {
        selectStockObject(index & 0x7FFFFFFFu);
        return;
    }
    const auto it = m_objects.find(index);
    if (it == m_objects.end())
        return;
    if (const auto* pen = std::get_if<GdiPen>(&it->second))
        m_state.pen = *pen;
    else if (const auto* brush = std::get_if<GdiBrush>(&it->second))
        m_state.brush = *brush;
    else if (const auto* font = std::get_if<GdiFont>(&it->second))
        m_state.font = *font;
}

void GdiDevice::selectStockObject(uint32_t number)
{
    const GdiObject object = gdiStockObject(number);
    if (const auto* pen = std::get_if<GdiPen>(&object))
        m_state.pen = *pen;
    else if (const auto* brush = std::get_if<GdiBrush>(&object))
        m_state.brush = *brush;
    else if (const auto* font = std::get_if<GdiFont>(&object))
        m_state.font = *font;
}

void GdiDevice::deleteObject(uint32_t index)
{
    if (m_objects.erase(index) && index < m_highWater)
        m_freed.insert(index);
}
