#pragma once
// Draws ink with Qt and converts between ink space and a widget's pixels.
// Once attached to an ink and the widget it shows on, the renderer keeps the
// finished strokes in a raster layer of the widget's visible area only, kept
// up to date incrementally, so a repaint of an unchanged page is one blit.

#include "platform/ink/ink_model.h"

#include <QImage>
#include <QRect>

class QPainter;
class QWidget;

class InkRenderer : public InkChangeListener {
public:
    InkRenderer();
    ~InkRenderer() override;
    InkRenderer(const InkRenderer&) = delete;
    InkRenderer& operator=(const InkRenderer&) = delete;

    // Draws the strokes in order: round caps and joins, antialiasing,
    // transparency and pressure widths. When strokes is the attached ink's
    // whole current Strokes and the painter paints the attached widget, the
    // cached layer is blitted instead.
    void Draw(QPainter& painter, const InkStrokes& strokes);

    // In place, with the logical DPI of the widget; halves round to even.
    void PixelToInkSpace(const QWidget* widget, int32_t& x, int32_t& y) const;
    void InkSpaceToPixel(const QWidget* widget, int32_t& x, int32_t& y) const;

    void attach(InkDisp* ink, QWidget* widget);
    void detach();

    // InkChangeListener
    void strokeAdded(const InkStrokeDisp& stroke) override;
    void inkChanged(const InkRectangle& area) override;

    class Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
