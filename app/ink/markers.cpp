#include "app/ink/markers.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {
// floor(v) for |v| < 2^63, without a library call per marker (without
// SSE4.1 std::floor is one).
int64_t floorToInt(double v)
{
    const auto whole = static_cast<int64_t>(v);
    return static_cast<double>(whole) > v ? whole - 1 : whole;
}
}  // namespace

PointIndex splitPointIndex(float g)
{
    const double index = static_cast<double>(g);
    if (!(std::abs(index) < 0x1p62))
        return PointIndex{index < 0 ? INT64_MIN : INT64_MAX, 0.0};
    const int64_t whole = floorToInt(index);
    return PointIndex{whole, index - static_cast<double>(whole)};
}

InkPoint interpolateMarker(InkPoint from, InkPoint to, double t)
{
    // Any t in [0, 1] keeps the step within 2^32.
    auto along = [t](int32_t v0, int32_t v1) {
        const int64_t step = floorToInt(static_cast<double>(int64_t{v1} - v0) * t);
        return static_cast<int32_t>(v0 + step);
    };
    return InkPoint{along(from.x, to.x), along(from.y, to.y)};
}

namespace {
InkPoint pointOf(const InkStrokeDisp& stroke, int64_t index)
{
    if (index < 0 || index > INT32_MAX)
        throw PlatformError(PlatformErrorCode::IndexOutOfRange, "A marker's point index lies outside the stroke");
    return stroke.GetPoints(static_cast<int32_t>(index), 1).front();
}
}  // namespace

std::vector<InkPoint> cuspMarkerPoints(const InkStrokeDisp& stroke)
{
    const std::vector<int32_t> cusps = stroke.PolylineCusps();
    std::vector<InkPoint> points;
    points.reserve(cusps.size());
    for (const int32_t cusp : cusps)
        points.push_back(pointOf(stroke, cusp));
    return points;
}

std::vector<InkPoint> intersectionMarkerPoints(const InkStrokeDisp& stroke, const InkStrokes& with)
{
    return markerPointsAt(stroke, stroke.FindIntersections(with));
}

std::vector<InkPoint> markerPointsAt(const InkStrokeDisp& stroke, std::span<const float> crossings)
{
    return markerPointsAt(stroke.heldPackets(), crossings);
}

std::vector<InkPoint> markerPointsAt(std::span<const InkPacket> line, std::span<const float> crossings)
{
    std::vector<InkPoint> points;
    points.reserve(crossings.size());
    auto pointAt = [&](int64_t index) {
        if (index < 0 || static_cast<uint64_t>(index) >= line.size())
            throw PlatformError(PlatformErrorCode::IndexOutOfRange, "A marker's point index lies outside the stroke");
        const InkPacket& p = line[static_cast<size_t>(index)];
        return InkPoint{p.x, p.y};
    };
    for (const float g : crossings) {
        const PointIndex at = splitPointIndex(g);
        const InkPoint from = pointAt(at.point);
        // A crossing right on a point needs nothing of the next one.
        if (at.fraction > 0.0)
            points.push_back(interpolateMarker(from, pointAt(at.point + 1), at.fraction));
        else
            points.push_back(from);
    }
    return points;
}

void drawMarkers(QPainter& painter, std::span<const QPoint> centres)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(kMarkerColor & 0xFF, (kMarkerColor >> 8) & 0xFF, (kMarkerColor >> 16) & 0xFF), 0));
    painter.setBrush(Qt::NoBrush);
    for (const QPoint& centre : centres)
        painter.drawEllipse(centre, kMarkerRadius, kMarkerRadius);
    painter.restore();
}

QRect markerBounds(QPoint centre)
{
    // One pixel more than the radius on every side: the outline's own width.
    const int reach = kMarkerRadius + 1;
    return QRect(centre - QPoint(reach, reach), centre + QPoint(reach, reach));
}
