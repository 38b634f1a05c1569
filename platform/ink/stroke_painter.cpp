#include "platform/ink/stroke_painter.h"

#include "platform/ink/stroke_coverage.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// Antialiased edges reach about a pixel past the geometric outline.
constexpr double kEdgeSpill = 1.5;

QPointF toPixels(const InkPacket& p, ink_units::PixelScale scale)
{
    return {p.x * scale.x + scale.centre, p.y * scale.y + scale.centre};
}

double halfWidthPixels(const InkDrawingAttributes& attributes, int32_t pressure, ink_units::PixelScale scale)
{
    return 0.5 * attributes.drawnWidth(pressure) * scale.x;
}

// Pen widths are hinted to whole device pixels, as glyph stems are: a line
// an odd number of pixels wide (the thin pen's one included) is centred on
// the pointer's pixel, and an even one on the edge above and left of it, so
// that either covers whole pixel rows in its full colour instead of fading
// into the rows beside it. Widths change by at most half a pixel.
struct PixelFit {
    ink_units::PixelScale scale;
    double widthFactor = 1.0;
};

PixelFit fitToPixels(ink_units::PixelScale scale, const InkDrawingAttributes& attributes)
{
    PixelFit fit{scale};
    const double ratio = scale.centre > 0 ? 0.5 / scale.centre : 1.0;
    const double devicePixels = double(attributes.Width()) * scale.x * ratio;
    const double whole = std::round(devicePixels);
    if (whole >= 1.0 && devicePixels > 0) {
        fit.widthFactor = whole / devicePixels;
        if (std::fmod(whole, 2.0) == 0.0)
            fit.scale.centre = 0.0;
    }
    return fit;
}

bool hasConstantWidth(std::span<const InkPacket> packets, const InkDrawingAttributes& attributes)
{
    if (attributes.IgnorePressure())
        return true;
    const float first = attributes.drawnWidth(packets.front().pressure);
    return std::all_of(packets.begin(), packets.end(),
                       [&](const InkPacket& p) { return attributes.drawnWidth(p.pressure) == first; });
}

// Qt's ellipses run one way round; the segment quads must run the same way so
// that the winding fill of the union never cancels out.
bool ellipsesRunPositive()
{
    static const bool positive = [] {
        QPainterPath path;
        path.addEllipse(QPointF(0, 0), 8, 8);
        const QPolygonF poly = path.toSubpathPolygons().value(0);
        double area = 0;
        for (qsizetype i = 0; i < poly.size(); ++i) {
            const QPointF a = poly[i];
            const QPointF b = poly[(i + 1) % poly.size()];
            area += a.x() * b.y() - b.x() * a.y();
        }
        return area > 0;
    }();
    return positive;
}

// Which segments to paint: all, or those near the rectangle.
std::vector<bool> segmentsToPaint(std::span<const InkPacket> packets, const InkDrawingAttributes& attributes,
                                  ink_units::PixelScale scale, const QRectF* onlyNear)
{
    const size_t segments = packets.size() - 1;
    std::vector<bool> paint(segments, true);
    if (!onlyNear)
        return paint;
    for (size_t i = 0; i < segments; ++i)
        paint[i] = inkSegmentPixelBounds(packets[i], packets[i + 1], attributes, scale).intersects(*onlyNear);
    return paint;
}

void paintConstantWidth(QPainter& painter, std::span<const InkPacket> packets,
                        const InkDrawingAttributes& attributes, ink_units::PixelScale scale,
                        const std::vector<bool>& paint, const QColor& color)
{
    const double width = attributes.drawnWidth(packets.front().pressure) * scale.x;
    QPainterPath path;
    bool open = false;
    for (size_t i = 0; i + 1 < packets.size(); ++i) {
        if (!paint[i]) {
            open = false;
            continue;
        }
        if (!open)
            path.moveTo(toPixels(packets[i], scale));
        path.lineTo(toPixels(packets[i + 1], scale));
        open = true;
    }
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void paintVariableWidth(QPainter& painter, std::span<const InkPacket> packets,
                        const InkDrawingAttributes& attributes, ink_units::PixelScale scale,
                        const std::vector<bool>& paint, const QColor& color)
{
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill);
    const bool reverseQuads = ellipsesRunPositive();
    size_t lastDot = packets.size();
    auto addDot = [&](size_t i) {
        if (i == lastDot)
            return;
        const double r = halfWidthPixels(attributes, packets[i].pressure, scale);
        shape.addEllipse(toPixels(packets[i], scale), r, r);
        lastDot = i;
    };
    for (size_t i = 0; i + 1 < packets.size(); ++i) {
        if (!paint[i])
            continue;
        addDot(i);
        addDot(i + 1);
        const QPointF a = toPixels(packets[i], scale);
        const QPointF b = toPixels(packets[i + 1], scale);
        const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
        if (length <= 0)
            continue;
        const QPointF normal((a.y() - b.y()) / length, (b.x() - a.x()) / length);
        const double ra = halfWidthPixels(attributes, packets[i].pressure, scale);
        const double rb = halfWidthPixels(attributes, packets[i + 1].pressure, scale);
        // The trapezoid joining the two dots: its corners in this order turn
        // the opposite way to the ellipses unless reversed.
        QPointF quad[4] = {a + normal * ra, b + normal * rb, b - normal * rb, a - normal * ra};
        if (reverseQuads)
            std::swap(quad[1], quad[3]);
        shape.moveTo(quad[0]);
        shape.lineTo(quad[1]);
        shape.lineTo(quad[2]);
        shape.lineTo(quad[3]);
        shape.closeSubpath();
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(shape);
}

// Raster devices (widgets, images, pixmaps) under a plain scale and offset
// get the stroke's coverage computed directly; anything else (a printer, a
// rotated painter) gets Qt's own stroking.
bool canRasterize(QPainter& painter)
{
    const QPaintEngine* engine = painter.paintEngine();
    const QTransform device = painter.deviceTransform();
    return engine && engine->type() == QPaintEngine::Raster && device.type() <= QTransform::TxScale &&
           device.m11() > 0 && device.m11() == device.m22();
}

// The device pixels this paint can change.
QRect paintLimit(QPainter& painter, const QTransform& device, const QRectF* onlyNear)
{
    QRectF limit = device.mapRect(QRectF(0, 0, painter.device()->width(), painter.device()->height()));
    if (onlyNear)
        limit &= device.mapRect(*onlyNear);
    if (painter.hasClipping())
        limit &= device.mapRect(painter.clipBoundingRect());
    const QRegion system = painter.paintEngine()->systemClip();
    if (!system.isEmpty())
        limit &= QRectF(system.boundingRect());
    return limit.toAlignedRect();
}

// The stroke's coverage of the device pixels inside limit.
StrokeCoverage coverStroke(std::span<const InkPacket> packets, const InkDrawingAttributes& attributes,
                           ink_units::PixelScale scale, const QTransform& toDevice, const QRect& limit,
                           const PixelTiles* only = nullptr)
{
    const PixelFit fit = fitToPixels(scale, attributes);
    scale = fit.scale;
    const double k = toDevice.m11() * fit.widthFactor;
    std::vector<QPointF> points(packets.size());
    std::vector<double> radii(packets.size());
    QRectF bounds;
    for (size_t i = 0; i < packets.size(); ++i) {
        points[i] = toDevice.map(toPixels(packets[i], scale));
        radii[i] = halfWidthPixels(attributes, packets[i].pressure, scale) * k;
        bounds |= StrokeCoverage::capsuleBounds(points[i], radii[i], points[i], radii[i]);
    }
    StrokeCoverage coverage(bounds.toAlignedRect() & limit);
    if (coverage.area().isEmpty())
        return coverage;
    const bool antialiased = attributes.AntiAliased();
    if (packets.size() == 1)
        coverage.addCapsule(points[0], radii[0], points[0], radii[0], antialiased);
    for (size_t i = 0; i + 1 < packets.size(); ++i) {
        const QRectF reach = StrokeCoverage::capsuleBounds(points[i], radii[i], points[i + 1], radii[i + 1]);
        if (reach.intersects(coverage.area()) && (!only || only->touches(reach.toAlignedRect())))
            coverage.addCapsule(points[i], radii[i], points[i + 1], radii[i + 1], antialiased);
    }
    return coverage;
}

void rasterize(QPainter& painter, std::span<const InkPacket> packets, const InkDrawingAttributes& attributes,
               ink_units::PixelScale scale, const QRectF* onlyNear, const QColor& color)
{
    const QTransform device = painter.deviceTransform();
    const StrokeCoverage coverage =
        coverStroke(packets, attributes, scale, device, paintLimit(painter, device, onlyNear));
    if (coverage.isEmpty())
        return;
    QImage stamp = coverage.toImage(qPremultiply(color.rgba()));
    // Placed in device pixels: drop the world transform, keep the device's own.
    painter.resetTransform();
    const QTransform toDevice = painter.deviceTransform();
    stamp.setDevicePixelRatio(toDevice.m11());
    painter.drawImage(toDevice.inverted().map(QPointF(coverage.area().topLeft())), stamp);
}

}  // namespace

QColor inkDrawingColor(const InkDrawingAttributes& attributes)
{
    const int32_t packed = attributes.Color();
    const int alpha = 255 - std::clamp(attributes.Transparency(), 0, 255);
    return QColor(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF, alpha);
}

QRectF inkSegmentPixelBounds(const InkPacket& a, const InkPacket& b, const InkDrawingAttributes& attributes,
                             ink_units::PixelScale scale)
{
    scale = fitToPixels(scale, attributes).scale;
    const double reach = std::max(halfWidthPixels(attributes, a.pressure, scale),
                                  halfWidthPixels(attributes, b.pressure, scale)) + kEdgeSpill;
    const QPointF pa = toPixels(a, scale);
    const QPointF pb = toPixels(b, scale);
    return QRectF(QPointF(std::min(pa.x(), pb.x()) - reach, std::min(pa.y(), pb.y()) - reach),
                  QPointF(std::max(pa.x(), pb.x()) + reach, std::max(pa.y(), pb.y()) + reach));
}

void paintInkStroke(QPainter& painter, std::span<const InkPacket> packets,
                    const InkDrawingAttributes& attributes, ink_units::PixelScale scale, const QRectF* onlyNear)
{
    const QColor color = inkDrawingColor(attributes);
    if (packets.empty() || color.alpha() == 0)
        return;

    const ink_units::PainterStateGuard keep(painter);
    if (canRasterize(painter)) {
        rasterize(painter, packets, attributes, scale, onlyNear, color);
        return;
    }
    scale = fitToPixels(scale, attributes).scale;
    painter.setRenderHint(QPainter::Antialiasing, attributes.AntiAliased());
    const bool dot = std::all_of(packets.begin(), packets.end(), [&](const InkPacket& p) {
        return p.x == packets.front().x && p.y == packets.front().y;
    });
    if (dot) {
        // A single touch leaves a dot as wide as the pen.
        if (!onlyNear || inkSegmentPixelBounds(packets[0], packets[0], attributes, scale).intersects(*onlyNear)) {
            const double r = halfWidthPixels(attributes, packets[0].pressure, scale);
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawEllipse(toPixels(packets[0], scale), r, r);
        }
        return;
    }
    const std::vector<bool> paint = segmentsToPaint(packets, attributes, scale, onlyNear);
    if (std::find(paint.begin(), paint.end(), true) != paint.end()) {
        if (hasConstantWidth(packets, attributes))
            paintConstantWidth(painter, packets, attributes, scale, paint, color);
        else
            paintVariableWidth(painter, packets, attributes, scale, paint, color);
    }
}

void paintInkStrokeInto(const PixelRows& image, const QTransform& toDevice, std::span<const InkPacket> packets,
                        const InkDrawingAttributes& attributes, ink_units::PixelScale scale, const QRect& limit,
                        const PixelTiles* only)
{
    const QColor color = inkDrawingColor(attributes);
    if (packets.empty() || color.alpha() == 0)
        return;
    const StrokeCoverage coverage = coverStroke(packets, attributes, scale, toDevice, limit & image.rect, only);
    if (!coverage.isEmpty())
        coverage.compositeOver(image, qPremultiply(color.rgba()), only);
}

void paintInkStrokeInto(QImage& image, const QTransform& toDevice, std::span<const InkPacket> packets,
                        const InkDrawingAttributes& attributes, ink_units::PixelScale scale, const QRect& limit,
                        const PixelTiles* only)
{
    paintInkStrokeInto(PixelRows::of(image), toDevice, packets, attributes, scale, limit, only);
}
