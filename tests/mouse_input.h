#pragma once
// Mouse input as Qt delivers it to a widget, for every test that drives one,
// and what the widget then repaints.

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointingDevice>
#include <QWidget>

#include <optional>
#include <vector>

// One event: button is the one that changed (none for a move), held the
// buttons down after it. The screen position follows from where the window
// stands unless given; a pen's or a touch screen's made-up mouse events name
// their source and device.
inline void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPointF at,
                      std::optional<QPoint> screenAt = std::nullopt,
                      Qt::MouseEventSource source = Qt::MouseEventNotSynthesized,
                      const QPointingDevice* device = QPointingDevice::primaryPointingDevice())
{
    QMouseEvent event(type, at, at, screenAt ? QPointF(*screenAt) : widget->mapToGlobal(at), button, held,
                      Qt::NoModifier, source, device);
    QApplication::sendEvent(widget, &event);
}

// A move with the left button held.
inline void dragTo(QWidget* widget, QPointF at) { sendMouse(widget, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at); }

// A drag with one button: pressed at the first point, moved to the others,
// released at the last.
inline void mouseDrag(QWidget* widget, const std::vector<QPointF>& points, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonPress, button, button, points.front());
    for (size_t i = 1; i < points.size(); ++i)
        sendMouse(widget, QEvent::MouseMove, Qt::NoButton, button, points[i]);
    sendMouse(widget, QEvent::MouseButtonRelease, button, Qt::NoButton, points.back());
}

// Counts a widget's paints and the area they covered. Qt drops the filter
// when the counter goes.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};
