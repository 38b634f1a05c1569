#pragma once
// Paints one stroke with Qt in its own drawing attributes: round caps and
// joins, antialiasing, the packed colour, transparency and pressure widths.
// Shared by the renderer's layer, its vector path and the collector's stroke
// in progress.

#include "platform/ink/ink_model.h"
#include "platform/ink/ink_units.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QTransform>

#include <span>
#include <vector>

class PixelTiles;
struct PixelRows;
class QPainter;

// The colour a stroke is drawn in; alpha 0 means it is not drawn at all.
QColor inkDrawingColor(const InkDrawingAttributes& attributes);

// Paints the stroke. With onlyNear, segments whose ink cannot reach that pixel
// rectangle are left out (the caller clips to it), so a small repaint of a
// long stroke stays cheap. Segments that are painted form one shape filled
// once, so a translucent stroke never darkens where it overlaps itself.
void paintInkStroke(QPainter& painter, std::span<const InkPacket> packets,
                    const InkDrawingAttributes& attributes, ink_units::PixelScale scale,
                    const QRectF* onlyNear = nullptr);

// The same, straight onto an ARGB32 premultiplied image: toDevice maps
// pixels to the image's own pixels (a scale and an offset), and only the
// image pixels inside limit change, and with only, only those inside its
// marked tiles. For a cache that nothing else paints on.
void paintInkStrokeInto(QImage& image, const QTransform& toDevice, std::span<const InkPacket> packets,
                        const InkDrawingAttributes& attributes, ink_units::PixelScale scale, const QRect& limit,
                        const PixelTiles* only = nullptr);
// The same into an image's rows: touches nothing but those inside limit,
// so threads may paint apart rows of one image at once.
void paintInkStrokeInto(const PixelRows& image, const QTransform& toDevice, std::span<const InkPacket> packets,
                        const InkDrawingAttributes& attributes, ink_units::PixelScale scale, const QRect& limit,
                        const PixelTiles* only = nullptr);

// Pixel rectangle that the segment from a to b can touch (a == b: the dot).
QRectF inkSegmentPixelBounds(const InkPacket& a, const InkPacket& b,
                             const InkDrawingAttributes& attributes, ink_units::PixelScale scale);
