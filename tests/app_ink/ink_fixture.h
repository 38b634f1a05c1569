#pragma once
// The loaded window with what the drawing and erasing tests need: strokes put
// straight into its ink, the mouse and the tablet pen (tip or eraser end) on
// its paper.

#include "tests/app/window_fixture.h"
#include "tests/ink_qt/paper_fixture.h"

#include "platform/ink/ink_collector.h"

#include <memory>
#include <vector>

struct InkFixture : WindowFixture {
    InkCollector& collector() { return *form->myInkCollector; }
    InkDisp& ink() { return collector().Ink(); }
    PictureBox* paper() { return form->ImgPaper; }

    InkPoint inkAt(QPoint pixel)
    {
        int32_t x = pixel.x();
        int32_t y = pixel.y();
        collector().Renderer().PixelToInkSpace(paper(), x, y);
        return {x, y};
    }
    QPoint pixelAt(InkPoint point)
    {
        int32_t x = point.x;
        int32_t y = point.y;
        collector().Renderer().InkSpaceToPixel(paper(), x, y);
        return {x, y};
    }

    // A finished stroke through these paper pixels.
    InkStrokeDisp addStroke(const std::vector<QPoint>& pixels, float width = 53.0f)
    {
        std::vector<InkPacket> packets;
        for (const QPoint& p : pixels) {
            const InkPoint at = inkAt(p);
            packets.push_back(InkPacket{at.x, at.y, kInkMousePressure});
        }
        InkDrawingAttributes pen;
        pen.SetWidth(width);
        return ink().CreateStroke(packets, pen);
    }

    void drag(const std::vector<QPointF>& pixels) { mouseDrag(paper(), pixels); }

    // The tablet pen: its tip, or its eraser end.
    void tablet(bool eraser, QEvent::Type type, QPoint pixel)
    {
        sendTablet(paper(), (eraser ? m_eraser : m_tip).get(), type, pixel, 0.5);
    }
    void penStroke(bool eraser, const std::vector<QPoint>& pixels)
    {
        tablet(eraser, QEvent::TabletPress, pixels.front());
        for (size_t i = 1; i < pixels.size(); ++i)
            tablet(eraser, QEvent::TabletMove, pixels[i]);
        tablet(eraser, QEvent::TabletRelease, pixels.back());
    }

    // What the paper shows where it can be seen.
    QImage shot() { return paper()->grab(QRect(0, 0, 621, 398)).toImage(); }

private:
    std::unique_ptr<QPointingDevice> m_tip{makeTabletDevice(QPointingDevice::PointerType::Pen, 1)};
    std::unique_ptr<QPointingDevice> m_eraser{makeTabletDevice(QPointingDevice::PointerType::Eraser, 2)};
};

inline bool isRed(QColor c)
{
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}
