#pragma once
// A paper as the window has one: a widget far larger than its window, that
// paints its background and then the collector's ink in its paint handler;
// plus helpers that send it pen and mouse input the way Qt delivers it.

#include "platform/ink/ink_collector.h"
#include "tests/mouse_input.h"

#include <QApplication>
#include <QPainter>
#include <QPaintEvent>
#include <QTabletEvent>
#include <QWidget>

#include <optional>

class TestPaper : public QWidget {
public:
    explicit TestPaper(QWidget* parent = nullptr) : QWidget(parent) {}

    void drawInkOf(InkCollector& collector)
    {
        renderer = &collector.Renderer();
        ink = &collector.Ink();
    }

    // What the paint handler draws: all of ink, or only the given strokes
    // (the benchmarks' way).
    InkRenderer* renderer = nullptr;
    InkDisp* ink = nullptr;
    std::optional<InkStrokes> only;
    bool drawsInk = true;
    int mouseEvents = 0;
    int tabletEvents = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), Qt::white);
        if (renderer && ink && drawsInk)
            renderer->Draw(painter, only ? *only : ink->Strokes());
    }
    void mousePressEvent(QMouseEvent*) override { ++mouseEvents; }
    void mouseMoveEvent(QMouseEvent*) override { ++mouseEvents; }
    void mouseReleaseEvent(QMouseEvent*) override { ++mouseEvents; }
    void tabletEvent(QTabletEvent* event) override
    {
        ++tabletEvents;
        event->ignore();
    }
};

// The window's arrangement: a small window whose paper starts below a
// 50-pixel bar and reaches far past the window's edges.
struct PaperWindow {
    explicit PaperWindow(QSize windowSize = QSize(300, 200), QSize paperSize = QSize(9405, 7410))
    {
        window.resize(windowSize);
        paper = new TestPaper(&window);
        paper->setGeometry(QRect(QPoint(0, 50), paperSize));
    }
    QWidget window;
    TestPaper* paper;
};

inline QPointingDevice* makeTabletDevice(QPointingDevice::PointerType type, qint64 id)
{
    return new QPointingDevice(type == QPointingDevice::PointerType::Eraser ? "eraser" : "pen", id,
                               QInputDevice::DeviceType::Stylus, type,
                               QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3,
                               QString(), QPointingDeviceUniqueId::fromNumericId(id));
}

// Returns whether the event was accepted. Proximity goes to the application, as Qt sends it.
inline bool sendTablet(QWidget* target, const QPointingDevice* device, QEvent::Type type, QPointF position,
                       qreal pressure)
{
    const Qt::MouseButton button = type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton;
    QTabletEvent event(type, device, position, target->mapToGlobal(position), pressure, 0, 0, 0, 0, 0,
                       Qt::NoModifier, button, buttons);
    const bool proximity = type == QEvent::TabletEnterProximity || type == QEvent::TabletLeaveProximity;
    QApplication::sendEvent(proximity ? static_cast<QObject*>(qApp) : target, &event);
    return event.isAccepted();
}
