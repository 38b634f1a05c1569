// GdiDevice: pens, brushes, shapes and bitmaps.

#include "platform/picture/gdi_device.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

Qt::BrushStyle hatchStyle(uint32_t hatch)
{
    switch (hatch) {
    case 0: return Qt::HorPattern;         // HS_HORIZONTAL
    case 1: return Qt::VerPattern;         // HS_VERTICAL
    case 2: return Qt::FDiagPattern;       // HS_FDIAGONAL, "\\\\"
    case 3: return Qt::BDiagPattern;       // HS_BDIAGONAL, "////"
    case 4: return Qt::CrossPattern;       // HS_CROSS
    default: return Qt::DiagCrossPattern;  // HS_DIAGCROSS
    }
}

// Degrees, counter-clockwise from three o'clock, of p seen from the centre
// of the ellipse in box.
double ellipseAngle(const QRectF& box, QPointF p)
{
    const QPointF c = box.center();
    const double dx = (p.x() - c.x()) / (box.width() / 2);
    const double dy = (p.y() - c.y()) / (box.height() / 2);
    if (dx == 0 && dy == 0)
        return 0;
    return std::atan2(-dy, dx) * 180.0 / M_PI;
}

// The length of the path's control polygon: what a pen would stroke.
double strokedLength(const QPainterPath& path)
{
    double length = 0;
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (!e.isMoveTo()) {
            const QPainterPath::Element& before = path.elementAt(i - 1);
            length += std::hypot(e.x - before.x, e.y - before.y);
        }
    }
    return length;
}

// Pixels from one dash to the next: Qt's patterns, in pen widths.
double dashPeriod(const QPen& pen)
{
    const double width = std::max(pen.widthF(), 1.0);
    switch (pen.style()) {
    case Qt::DashLine: return 6 * width;
    case Qt::DotLine: return 3 * width;
    case Qt::DashDotLine: return 9 * width;
    case Qt::DashDotDotLine: return 12 * width;
    default: return 0;
    }
}

double scaleOf(const QTransform& t)
{
    return std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
}

}  // namespace

// ---- pens and brushes ----

double GdiDevice::penWidth(const QTransform& toOut) const
{
    // GDI never draws thinner than one pixel; wider than the frame twice
    // over covers it all the same (and Qt takes no pen of 64K pixels).
    const double limit = std::min(2 * std::max(m_frame.width(), m_frame.height()) + 1, 32767.0);
    const double width = m_state.pen.width * scaleOf(toOut);
    return std::clamp(std::isfinite(width) ? width : 1.0, 1.0, limit);
}

QPen GdiDevice::qtPen(const QTransform& toOut) const
{
    const uint32_t style = m_state.pen.style;
    if ((style & 0xF) == 5)  // PS_NULL
        return QPen(Qt::NoPen);
    QPen pen(m_state.pen.color);
    pen.setWidthF(penWidth(toOut));
    switch (style & 0xF) {
    case 1: pen.setStyle(Qt::DashLine); break;
    case 2: case 8: pen.setStyle(Qt::DotLine); break;  // PS_DOT, PS_ALTERNATE
    case 3: pen.setStyle(Qt::DashDotLine); break;
    case 4: pen.setStyle(Qt::DashDotDotLine); break;
    default: pen.setStyle(Qt::SolidLine); break;
    }
    switch (style & 0xF00) {
    case 0x100: pen.setCapStyle(Qt::SquareCap); break;
    case 0x200: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(Qt::RoundCap); break;
    }
    switch (style & 0xF000) {
    case 0x1000: pen.setJoinStyle(Qt::BevelJoin); break;
    case 0x2000: pen.setJoinStyle(Qt::MiterJoin); break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
    }
    return pen;
}

void GdiDevice::fillWith(const QPainterPath& shape)
{
    const GdiBrush& brush = m_state.brush;
    const bool fills = brush.style == 0 || brush.style == 2 || brush.style == 3 || brush.style == 5 || brush.style == 6;
    if (!fills)
        return;  // BS_NULL and what we cannot draw
    const QPainterPath path = charge(shape, 0, 0);
    switch (brush.style) {
    case 0:  // BS_SOLID
        m_painter.fillPath(path, brush.color);
        break;
    case 2:  // BS_HATCHED: the background shows between the lines when opaque
        if (m_state.opaqueBackground)
            m_painter.fillPath(path, m_state.bkColor);
        m_painter.fillPath(path, QBrush(brush.color, hatchStyle(brush.hatch)));
        break;
    case 3: case 5: case 6:  // pattern brushes
        if (!brush.pattern.isNull())
            m_painter.fillPath(path, QBrush(brush.pattern));
        break;
    default:
        break;
    }
}

void GdiDevice::strokeOutput(const QPainterPath& path)
{
    const QPen pen = qtPen(toOutput());
    if (pen.style() == Qt::NoPen)
        return;
    m_painter.strokePath(charge(path, pen.widthF() / 2 + 1, strokedLength(path), dashPeriod(pen)), pen);
}

void GdiDevice::emitShape(const QPainterPath& logical, bool closed)
{
    QPainterPath out = toOutput().map(logical);
    if (m_inPath) {
        m_path.addPath(out);
        m_figureOpen = false;
        return;
    }
    out.setFillRule(m_state.fillRule);
    if (closed)
        fillWith(out);
    strokeOutput(out);
}

void GdiDevice::emitOpen(const QPainterPath& logical)
{
    emitShape(logical, false);
}

// ---- lines and shapes ----

void GdiDevice::continueFigure()
{
    if (!m_figureOpen) {
        m_path.moveTo(toOutput().map(m_state.current));
        m_figureOpen = true;
    }
}

void GdiDevice::moveTo(QPointF point)
{
    m_state.current = point;
    if (m_inPath) {
        m_path.moveTo(toOutput().map(point));
        m_figureOpen = true;
    }
}

void GdiDevice::lineTo(QPointF point)
{
    polylineTo(QPolygonF{point});
}

void GdiDevice::polylineTo(const QPolygonF& points)
{
    if (points.isEmpty())
        return;
    if (m_inPath) {
        continueFigure();
        const QTransform t = toOutput();
        for (const QPointF& p : points)
            m_path.lineTo(t.map(p));
    } else {
        QPainterPath line(m_state.current);
        for (const QPointF& p : points)
            line.lineTo(p);
        strokeOutput(toOutput().map(line));
    }
    m_state.current = points.last();
}

void GdiDevice::polyline(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath line;
    line.addPolygon(points);
    emitOpen(line);
}

void GdiDevice::polyBezier(const QPolygonF& points)
{
    if (points.size() < 4)
        return;
    QPainterPath curve(points[0]);
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        curve.cubicTo(points[i], points[i + 1], points[i + 2]);
    emitOpen(curve);
}

void GdiDevice::polyBezierTo(const QPolygonF& points)
{
    const qsizetype usable = points.size() / 3 * 3;
    if (usable == 0)
        return;
    if (m_inPath) {
        continueFigure();
        const QTransform t = toOutput();
        for (qsizetype i = 0; i < usable; i += 3)
            m_path.cubicTo(t.map(points[i]), t.map(points[i + 1]), t.map(points[i + 2]));
    } else {
        QPainterPath curve(m_state.current);
        for (qsizetype i = 0; i < usable; i += 3)
            curve.cubicTo(points[i], points[i + 1], points[i + 2]);
        strokeOutput(toOutput().map(curve));
    }
    m_state.current = points[usable - 1];
}

void GdiDevice::polygon(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath shape;
    shape.addPolygon(points);
    shape.closeSubpath();
    emitShape(shape, true);
}

void GdiDevice::polyPolygon(const std::vector<QPolygonF>& polygons)
{
    QPainterPath shape;
    for (const QPolygonF& points : polygons) {
        if (points.size() < 2)
            continue;
        shape.addPolygon(points);
        shape.closeSubpath();
    }
    if (!shape.isEmpty())
        emitShape(shape, true);
}

void GdiDevice::polyPolyline(const std::vector<QPolygonF>& lines)
{
    QPainterPath shape;
    for (const QPolygonF& points : lines) {
        if (points.size() >= 2)
            shape.addPolygon(points);
    }
    if (!shape.isEmpty())
        emitOpen(shape);
}

void GdiDevice::rectangle(const QRectF& box)
{
    QPainterPath shape;
    shape.addRect(box.normalized());
    emitShape(shape, true);
}

void GdiDevice::roundRect(const QRectF& box, QSizeF corner)
{
    QPainterPath shape;
    shape.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    emitShape(shape, true);
}

void GdiDevice::ellipse(const QRectF& box)
{
    QPainterPath shape;
    shape.addEllipse(box.normalized());
    emitShape(shape, true);
}

void GdiDevice::arc(ArcKind kind, const QRectF& rawBox, QPointF start, QPointF end)
{
    const QRectF box = rawBox.normalized();
    if (box.width() <= 0 || box.height() <= 0)
        return;
    const double from = ellipseAngle(box, start);
    double sweep = ellipseAngle(box, end) - from;
    if (m_state.clockwise) {
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    QPainterPath shape;
    if (kind == ArcKind::Pie)
        shape.moveTo(box.center());
    else
        shape.arcMoveTo(box, from);
    shape.arcTo(box, from, sweep);
    if (kind != ArcKind::Arc)
        shape.closeSubpath();
    emitShape(shape, kind != ArcKind::Arc);
}

void GdiDevice::setPixel(QPointF point, QColor color)
{
    const QPointF p = toOutput().map(point);
    chargeArea(QRectF(p, QSizeF(1, 1)), 1);
    m_painter.fillRect(QRectF(std::floor(p.x()), std::floor(p.y()), 1, 1), color);
}

void GdiDevice::patBlt(const QRectF& rect, uint32_t rop)
{
    QPainterPath area;
    area.addRect(rect.normalized());
    const QPainterPath out = toOutput().map(area);
    if (rop == 0x000042 || rop == 0xFF0062)
        (void)charge(out, 0, 0);  // a rectangle: nothing to flatten
    switch (rop) {
    case 0xF00021: fillWith(out); break;                   // PATCOPY
    case 0x000042: m_painter.fillPath(out, Qt::black); break;  // BLACKNESS
    case 0xFF0062: m_painter.fillPath(out, Qt::white); break;  // WHITENESS
    default: break;  // operations that read the destination are not played
    }
}

void GdiDevice::drawBitmap(const QRectF& dest, const QImage& image, const QRectF& source, uint32_t rop)
{
    // Intersect before rounding: the file's rectangle may be far outside int.
    const QRect src = source.normalized().intersected(QRectF(image.rect())).toRect();
    if (image.isNull() || src.isEmpty() || dest.width() == 0 || dest.height() == 0)
        return;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case 0x8800C6: mode = QPainter::RasterOp_SourceAndDestination; break;  // SRCAND
    case 0xEE0086: mode = QPainter::RasterOp_SourceOrDestination; break;   // SRCPAINT
    case 0x660046: mode = QPainter::RasterOp_SourceXorDestination; break;  // SRCINVERT
    default: break;  // SRCCOPY, and what we play as a copy
    }
    const QTransform toOut = toOutput();
    const QRectF box = dest.normalized();
    chargeArea(toOut.mapRect(box), std::numeric_limits<double>::max());
    // A negative extent mirrors within the box; no copy of the bitmap is made.
    const QTransform mirror(dest.width() < 0 ? -1 : 1, 0, 0, dest.height() < 0 ? -1 : 1,
                            dest.width() < 0 ? box.left() + box.right() : 0,
                            dest.height() < 0 ? box.top() + box.bottom() : 0);
    m_painter.save();
    m_painter.setTransform(mirror * toOut);
    m_painter.setCompositionMode(mode);
    m_painter.drawImage(box, image, QRectF(src));
    m_painter.restore();
}
