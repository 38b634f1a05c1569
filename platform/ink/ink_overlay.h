#pragma once
// The collector's own drawing surface: a child widget laid over the whole
// inking widget, transparent to the mouse and to the pen, that paints the
// strokes being collected (and, when the collector redraws automatically,
// the finished ink from the renderer's layer). Each new segment repaints only
// its own rectangle.

#include "platform/ink/ink_model.h"

#include <QRectF>
#include <QWidget>

#include <cstdint>
#include <vector>

class InkRenderer;

class InkOverlay : public QWidget, private InkChangeListener {
public:
    InkOverlay(QWidget* inkingWidget, InkDisp* ink, InkRenderer* renderer);
    ~InkOverlay() override;

    // Whether the finished ink is painted here too (the collector's AutoRedraw).
    void setRedrawsInk(bool on);

    // A stroke being collected, known by the collector's serial; more than
    // one can be on screen when a stroke starts while another one's end is
    // still being handled.
    void startStroke(uint64_t serial, const InkStrokeDisp& stroke);
    void addPackets(uint64_t serial, const InkPacket* packets, size_t count);
    void endStroke(uint64_t serial);

    // Keeps covering the inking widget and stays above its other children.
    void followInkingWidget();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct WetStroke {
        uint64_t serial = 0;
        InkStrokeDisp stroke;
        InkDrawingAttributes attributes;  // as last painted
        std::vector<InkPacket> packets;
        QRectF painted;  // what has been asked to repaint so far
    };
    WetStroke* find(uint64_t serial);
    InkDrawingAttributes currentAttributes(const WetStroke& wet) const;
    void requestRepaint(const QRectF& area);

    // InkChangeListener, while redrawing the ink
    void strokeAdded(const InkStrokeDisp& stroke) override;
    void inkChanged(const InkRectangle& area) override;

    InkDisp* m_ink;
    InkRenderer* m_renderer;
    bool m_redrawsInk = false;
    std::vector<WetStroke> m_wet;
};
