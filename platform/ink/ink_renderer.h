#pragma once
// Draws ink with Qt and converts between ink space and a widget's pixels.
// Once attached to an ink and the widget it shows on, the renderer keeps the
// finished strokes in a raster layer of the widget's visible area only (the
// widget may be far larger than its window), kept up to date incrementally
// as the ink changes, so a repaint of an unchanged page is one blit.

#include "platform/ink/ink_model.h"

#include <QRect>
#include <QSize>

#include <memory>
#include <span>

class QPainter;
class QWidget;

class InkRenderer : public InkChangeListener {
public:
    InkRenderer();
    ~InkRenderer() override;
    InkRenderer(const InkRenderer&) = delete;
    InkRenderer& operator=(const InkRenderer&) = delete;

    // Draws the strokes in order: round caps and joins, antialiasing,
    // transparency and pressure widths, at the logical DPI of the painter's
    // device. When strokes is the attached ink's whole current Strokes and the
    // painter paints the attached widget, the cached layer is blitted instead.
    // Throws PlatformError when a stroke of the collection is detached.
    void Draw(QPainter& painter, const InkStrokes& strokes);

    // In place, with the logical DPI of the widget; halves round to even.
    // Throws PlatformError for a null widget or a result outside 32 bits.
    void PixelToInkSpace(const QWidget* widget, int32_t& x, int32_t& y) const;
    void InkSpaceToPixel(const QWidget* widget, int32_t& x, int32_t& y) const;

    // Starts keeping the layer for this ink shown on this widget (listening to
    // the ink); detach() stops. Neither object is owned. The ink must outlive
    // the attachment; the widget may go away at any time.
    void attach(InkDisp* ink, QWidget* widget);
    void detach();
    InkDisp* attachedInk() const;
    QWidget* attachedWidget() const;

    // Blits the layer's part of area (pixels of the attached widget) through
    // a painter whose coordinates are the attached widget's. For a layer
    // painted over the widget, such as the collector's own redraw.
    void drawLayer(QPainter& painter, const QRect& area);

    // What the layer holds and how much work it has done, for tests and
    // measurements.
    struct LayerStats {
        QRect rect;             // in the widget's pixels
        QSize deviceSize;       // the image, in device pixels
        uint64_t rebuilds = 0;  // whole-layer repaints
        uint64_t strokesPainted = 0;
    };
    LayerStats layerStats() const;

    // InkChangeListener
    void strokeAdded(const InkStrokeDisp& stroke) override;
    void inkChanged(const InkRectangle& area) override;
    // Ink changed in all these areas: one repaint of the layer's tiles they
    // reach (an eraser's many small stretches across a dense page).
    void inkChangedIn(std::span<const InkRectangle> areas);

    class Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
