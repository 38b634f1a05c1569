#pragma once
// The window the drawing and erasing benchmarks drive: shown on the
// offscreen platform, its paper holding a page put straight into the ink.

#include "app/shell/application.h"
#include "app/shell/inkwrite.h"
#include "platform/dialogs/scripted_common_dialog.h"
#include "platform/dialogs/scripted_message_box.h"
#include "platform/ink/ink_collector.h"
#include "bench/ink_model/random_page.h"
#include "tests/mouse_input.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

#include <memory>
#include <random>

#include <time.h>

inline const QRect kShown(0, 0, 621, 398);  // the paper's visible part

struct BenchWindow {
    // A page of handwriting: random-walk strokes of letter size.
    explicit BenchWindow(int strokes)
    {
        show();
        RandomPageSpec spec;
        spec.strokes = strokes;
        spec.width = 16400;
        spec.height = 10500;
        spec.minStep = 2.0;
        spec.maxStep = 14.0;
        spec.seed = 20240701u + unsigned(strokes);
        fillInk(ink(), randomWalkStrokes(spec));
        QCoreApplication::processEvents();
    }
    // An empty page; the caller draws.
    BenchWindow() { show(); }

    InkDisp& ink() { return form->myInkCollector->Ink(); }
    QWidget* paper() { return form->ImgPaper; }

    QPoint toPixels(InkPoint p)
    {
        int32_t x = p.x, y = p.y;
        form->myInkCollector->Renderer().InkSpaceToPixel(paper(), x, y);
        return {x, y};
    }
    InkPoint toInk(QPoint p)
    {
        int32_t x = p.x(), y = p.y();
        form->myInkCollector->Renderer().PixelToInkSpace(paper(), x, y);
        return {x, y};
    }
    // A stroke as the mouse draws it: one packet per pixel position.
    InkStrokeDisp addMouseStroke(const std::vector<QPoint>& pixels, float width)
    {
        std::vector<InkPacket> packets;
        packets.reserve(pixels.size());
        for (const QPoint& p : pixels) {
            const InkPoint at = toInk(p);
            packets.push_back(InkPacket{at.x, at.y, kInkMousePressure});
        }
        InkDrawingAttributes pen;
        pen.SetWidth(width);
        return ink().CreateStroke(packets, pen);
    }
    // A pixel of the visible paper right on a stroke.
    QPoint pointOnInk(std::mt19937& rng)
    {
        for (;;) {
            const InkStrokes strokes = ink().Strokes();
            const InkStrokeDisp s = strokes.Item(int32_t(rng() % unsigned(strokes.Count())));
            const QPoint at = toPixels(s.GetPoints(s.PacketCount() / 2, 1).front());
            const InkPoint back = toInk(at);
            if (kShown.contains(at) && ink().HitTestCircle(back.x, back.y, 30.0f).Count() > 0)
                return at;
        }
    }
    // A pixel of the visible paper where the eraser finds nothing.
    QPoint pointOffInk(std::mt19937& rng)
    {
        for (int tries = 0; tries < 100000; ++tries) {
            const QPoint at(int(rng() % 621), int(rng() % 398));
            const InkPoint back = toInk(at);
            if (ink().HitTestCircle(back.x, back.y, 30.0f).Count() == 0)
                return at;
        }
        return QPoint(620, 397);
    }
    QMouseEvent* moveEvent(QPoint at)
    {
        return new QMouseEvent(QEvent::MouseMove, QPointF(at), QPointF(at), QPointF(paper()->mapToGlobal(at)),
                               Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    }
    void moveWithButton(QPoint at) { dragTo(paper(), at); }

    ScriptedMessageBoxService messageBox;
    ScriptedCommonDialogFactory dialogs;
    Services services{messageBox, dialogs, QString()};
    std::unique_ptr<InkWrite> form;

private:
    void show()
    {
        form = std::make_unique<InkWrite>(services);
        form->show();
        while (!form->windowHandle()->isExposed())
            QCoreApplication::processEvents();
    }
};

inline double clockMs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}
inline double threadCpuMs() { return clockMs(CLOCK_THREAD_CPUTIME_ID); }
// All threads': the layer paints a large page on several.
inline double processCpuMs() { return clockMs(CLOCK_PROCESS_CPUTIME_ID); }
inline double wallMs() { return clockMs(CLOCK_MONOTONIC); }
