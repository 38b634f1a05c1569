#pragma once
// The collector's state, shared by its property code (ink_collector.cpp) and
// its input handling (ink_collector_input.cpp). Not for use elsewhere.

#include "platform/ink/ink_collector.h"
#include "platform/ink/ink_overlay.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <optional>

class QMouseEvent;
class QPointingDevice;
class QTabletEvent;

class InkCollector::Impl {
public:
    explicit Impl(InkCollector* owner);

    // Input, from the event filter. Each returns whether the event was used.
    bool tabletEvent(QTabletEvent* event);
    bool mouseEvent(QMouseEvent* event);
    // Qt sends proximity to the application, not to the widget.
    void tabletProximity(const QTabletEvent* event);

    // Ends the stroke being collected without an event and without adding it.
    void dropActiveStroke();
    bool collecting() const { return m_active.has_value(); }
    void applyCursor();

    InkCollector* q;
    // Declared before the renderer, which stops listening to it first.
    InkDisp ink;
    InkRenderer renderer;
    QPointer<QWidget> window;
    QPointer<InkOverlay> overlay;

    bool autoRedraw = true;
    InkDrawingAttributes defaults;
    bool cursorDownInterest = false;
    bool newPacketsInterest = false;
    int16_t mousePointer = kMousePointerDefault;
    QCursor mouseIcon;
    bool hasMouseIcon = false;
    std::optional<InkRectangle> inputRectangle;
    bool enabled = false;
    qint64 clockOffset = 0;

private:
    // The stroke being collected, from press to release.
    struct Active {
        uint64_t serial = 0;
        InkStrokeDisp stroke;
        InkCursor cursor;
        bool fromTablet = false;
        const QPointingDevice* device = nullptr;
        InkPacket last;
    };

    bool acceptsPressAt(const QPointF& position) const;
    InkPacket packetAt(const QPointF& position, int32_t pressure) const;
    void begin(const InkCursor& cursor, bool fromTablet, const QPointingDevice* device, const InkPacket& packet);
    // Both return false when the stroke is no longer being collected.
    bool add(const InkPacket& packet);
    bool stillCollecting(const QPointer<InkCollector>& self, uint64_t serial) const;
    void finish(const InkPacket& packet);
    // Raises Stroke for the stroke being collected and settles it; a palm's
    // stroke goes whatever the handler says. False when the collector went
    // away in the handler.
    bool end(bool palm);
    void settle(const Active& finished, bool cancel);
    bool touchStrokeActive() const;
    qint64 now() const { return m_clock.elapsed() + clockOffset; }
    bool penAround() const;

    std::optional<Active> m_active;
    uint64_t m_nextSerial = 1;
    QElapsedTimer m_clock;
    // The pen in proximity, and when a tablet event last came (the samples
    // of a stroke aside: its press and release count).
    const QPointingDevice* m_penNear = nullptr;
    std::optional<qint64> m_penSeenAt;
    // Proximity comes only to an application-wide filter; kept apart so the
    // widget's own events are not filtered twice.
    std::unique_ptr<QObject> m_proximityWatch;
};
