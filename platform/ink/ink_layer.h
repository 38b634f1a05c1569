#pragma once
// The renderer's cache: the finished strokes of one ink painted on a
// transparent raster of the part of a widget that can show (the widget
// clipped by its ancestors), at the widget's device pixel ratio. It never
// covers more than the window shows, however large the widget is.

#include "platform/ink/ink_model.h"
#include "platform/ink/ink_units.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QTransform>
#include <QWidget>

#include <span>

class PixelTiles;
class QPainter;

// The widget's rectangle clipped by every ancestor up to its window, in the
// widget's own pixels.
QRect visibleAreaOf(const QWidget& widget);

class InkLayer {
public:
    void attach(InkDisp* ink, QWidget* widget);
    void detach();
    InkDisp* ink() const { return m_ink; }
    QWidget* widget() const { return m_widget; }

    // Makes the layer fit the widget as it is now (visible area, pixel ratio,
    // resolution), repainting it wholly when it did not.
    void makeCurrent();
    QRect rect() const { return m_rect; }
    QSize deviceSize() const { return m_image.size(); }

    // Paints the layer's part of area (widget pixels) through painter, whose
    // coordinates are the widget's.
    void blit(QPainter& painter, const QRect& area);

    // Incremental updates; a layer that no longer fits its widget is only
    // marked stale and repainted wholly when next needed.
    void addStroke(const InkStrokeDisp& stroke);
    void repaintArea(const InkRectangle& inkArea);
    // The same for many small areas at once: only the tiles they reach are
    // painted anew, each stroke near them once.
    void repaintAreas(std::span<const InkRectangle> inkAreas);

    uint64_t rebuilds() const { return m_rebuilds; }
    uint64_t strokesPainted() const { return m_strokesPainted; }

private:
    bool fitsWidget() const;
    // Widget pixels to the image's device pixels.
    QTransform toDevice() const;
    // The image pixels the stroke's ink can touch, given toDevice() (made
    // once for a pass over many strokes).
    QRect reachOf(const InkStrokeDisp& stroke, const QTransform& toImage) const;
    void paintStroke(const InkStrokeDisp& stroke, const QRect& deviceLimit, const PixelTiles* only = nullptr);
    // Clears the image's device rectangle and paints every stroke there.
    void repaintRect(const QRect& device);
    // Every stroke, into the whole image (cleared), on several threads for many.
    void paintWhole(const InkStrokes& strokes);
    // The strokes, in ink order, into the image pixels inside limit (and
    // with only, its marked tiles), already cleared: in bands of rows on
    // several threads for much ink.
    void paintInBands(std::span<const InkStrokeDisp> strokes, const QRect& limit, const PixelTiles* only = nullptr);

    InkDisp* m_ink = nullptr;
    QPointer<QWidget> m_widget;
    QImage m_image;
    QRect m_rect;
    qreal m_pixelRatio = 1.0;
    // Where the widget's origin falls inside a device pixel of its window
    // (non-zero only at fractional ratios): the layer's pixels are the
    // window's, so a line centred on a pointer's pixel stays on it.
    QPointF m_deviceShift;
    ink_units::PixelScale m_scale;
    bool m_current = false;
    uint64_t m_rebuilds = 0;
    uint64_t m_strokesPainted = 0;
};
