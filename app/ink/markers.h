#pragma once
// The red circles of the two geometric erase modes: where they go along a
// stroke and how one is drawn. The cusp markers sit on a stroke's cusps, its
// two ends included; the intersection markers on its crossings with other
// ink, each placed along the stroke's own segment. These read the strokes
// afresh at every call (the reference the marker cache is checked against).

#include "platform/ink/ink_model.h"

#include <QPoint>

#include <cstdint>
#include <span>
#include <vector>

class QPainter;
class QRect;

// Radius in pixels and colour (pure red) of a marker.
constexpr int kMarkerRadius = 3;
constexpr int32_t kMarkerColor = 255;

// A float point index split into its point and the way on to the next one,
// in double precision: floor(g) and g - floor(g).
struct PointIndex {
    int64_t point = 0;
    double fraction = 0.0;
};
PointIndex splitPointIndex(float g);

// The marker's place between two points: each coordinate
// from.v + floor((to.v - from.v) * t), floored toward negative infinity, so
// it stays a whole number between the two points'.
InkPoint interpolateMarker(InkPoint from, InkPoint to, double t);

// Ink-space positions of a stroke's markers, in the order of its lists.
std::vector<InkPoint> cuspMarkerPoints(const InkStrokeDisp& stroke);
// Crossings with the strokes of with (the whole ink for an empty collection).
std::vector<InkPoint> intersectionMarkerPoints(const InkStrokeDisp& stroke, const InkStrokes& with);
// The markers at the given float indices on the stroke, one each; or on a
// stroke's points (a copy of them, read on another thread).
std::vector<InkPoint> markerPointsAt(const InkStrokeDisp& stroke, std::span<const float> crossings);
std::vector<InkPoint> markerPointsAt(std::span<const InkPacket> line, std::span<const float> crossings);

// Circles centred on the given pixel positions, outline only, not
// antialiased, so a marker drawn in two passes shows the same pixels.
void drawMarkers(QPainter& painter, std::span<const QPoint> centres);
// The pixels a marker at centre can touch.
QRect markerBounds(QPoint centre);
