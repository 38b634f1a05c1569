// The collector's input: tablet and mouse events become packets of the stroke
// being collected, and the stroke's events are raised in order.

#include "platform/ink/ink_collector_p.h"

#include "platform/ink/ink_units.h"

#include <QMouseEvent>
#include <QPointingDevice>
#include <QTabletEvent>

#include <algorithm>
#include <cmath>

namespace {

bool isTabletDevice(const QInputDevice* device)
{
    if (!device)
        return false;
    switch (device->type()) {
    case QInputDevice::DeviceType::Stylus:
    case QInputDevice::DeviceType::Airbrush:
    case QInputDevice::DeviceType::Puck:
        return true;
    default:
        return false;
    }
}

bool isTouchDevice(const QInputDevice* device)
{
    return device && (device->type() == QInputDevice::DeviceType::TouchScreen ||
                      device->type() == QInputDevice::DeviceType::TouchPad);
}

// How long after the pen was last seen a touch is still taken for the hand
// that held it.
constexpr qint64 kPalmGraceMs = 500;

// Window systems and Qt both turn pen input into mouse events; those must
// never make a second stroke. Mouse events made from touches still draw,
// unless the pen is about.
bool madeFromPen(const QMouseEvent* event)
{
    if (isTabletDevice(event->pointingDevice()))
        return true;
    return event->source() != Qt::MouseEventNotSynthesized && !isTouchDevice(event->pointingDevice());
}

int32_t pressureOf(const QTabletEvent* event)
{
    const double pressure = std::clamp(event->pressure(), 0.0, 1.0);
    return static_cast<int32_t>(std::lround(pressure * kInkMaxPressure));
}

// A mouse reports the pixel it is on, whose ink is drawn at that pixel's
// centre; a pen reports where its tip is, so its ink point lies half a
// device pixel before it, and is drawn right under the tip.
QPointF tipPixel(const QTabletEvent* event, const QWidget* window)
{
    const double ratio = window->devicePixelRatioF();
    const double centre = ratio > 0 ? 0.5 / ratio : 0.5;
    return event->position() - QPointF(centre, centre);
}

std::vector<int32_t> flatten(const InkPacket& packet)
{
    return {packet.x, packet.y, packet.pressure};
}

}  // namespace

bool InkCollector::Impl::acceptsPressAt(const QPointF& position) const
{
    if (!inputRectangle)
        return true;
    const InkRectangle& r = *inputRectangle;
    return position.x() >= r.Left && position.x() < r.Right + 1.0 && position.y() >= r.Top &&
           position.y() < r.Bottom + 1.0;
}

InkPacket InkCollector::Impl::packetAt(const QPointF& position, int32_t pressure) const
{
    InkPacket packet;
    packet.x = ink_units::pixelsToInk(position.x(), window->logicalDpiX());
    packet.y = ink_units::pixelsToInk(position.y(), window->logicalDpiY());
    packet.pressure = pressure;
    return packet;
}

bool InkCollector::Impl::touchStrokeActive() const
{
    return m_active && isTouchDevice(m_active->device);
}

bool InkCollector::Impl::penAround() const
{
    return m_penNear || (m_penSeenAt && now() - *m_penSeenAt < kPalmGraceMs);
}

void InkCollector::Impl::tabletProximity(const QTabletEvent* event)
{
    if (event->type() == QEvent::TabletEnterProximity)
        m_penNear = event->pointingDevice();
    else if (event->pointingDevice() == m_penNear)  // not the other end, turned over meanwhile
        m_penNear = nullptr;
    m_penSeenAt = now();
    if (touchStrokeActive())
        end(true);
}

bool InkCollector::Impl::tabletEvent(QTabletEvent* event)
{
    // Samples while the pen draws need no clock: no touch draws meanwhile.
    if (event->type() != QEvent::TabletMove || !m_active || !m_active->fromTablet)
        m_penSeenAt = now();
    if (touchStrokeActive() && !end(true))
        return true;  // the collector went away in the handler
    // Unused tablet events go on to the widget, and Qt makes mouse events of them.
    if (!enabled || !window)
        return false;
    const bool ours = m_active && m_active->fromTablet && m_active->device == event->pointingDevice();
    switch (event->type()) {
    case QEvent::TabletPress: {
        if (m_active) {
            // One stroke at a time; a second pen or a barrel button adds nothing.
            event->accept();
            return true;
        }
        if (event->button() != Qt::LeftButton || !acceptsPressAt(event->position()))
            return false;
        InkCursor cursor;
        const bool eraser = event->pointerType() == QPointingDevice::PointerType::Eraser;
        cursor.kind = eraser ? InkCursor::Kind::Eraser : InkCursor::Kind::Pen;
        cursor.Inverted = eraser;
        cursor.deviceId = event->pointingDevice() ? event->pointingDevice()->systemId() : 0;
        event->accept();
        begin(cursor, true, event->pointingDevice(), packetAt(tipPixel(event, window), pressureOf(event)));
        return true;
    }
    case QEvent::TabletMove:
        if (!ours)
            return false;
        event->accept();
        add(packetAt(tipPixel(event, window), pressureOf(event)));
        return true;
    case QEvent::TabletRelease:
        if (!ours)
            return false;
        event->accept();
        if (event->button() == Qt::LeftButton) {
            // The pen has left the surface: its last pressure is the one drawn.
            finish(packetAt(tipPixel(event, window), m_active->last.pressure));
        }
        return true;
    default:
        return false;
    }
}

bool InkCollector::Impl::mouseEvent(QMouseEvent* event)
{
    if (!enabled)
        return false;
    if (m_active && m_active->fromTablet)
        return true;  // the pen's own mouse events, whoever made them
    if (madeFromPen(event))
        return false;
    const bool ours = m_active && !m_active->fromTablet;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (ours)
            return true;
        if (event->button() != Qt::LeftButton || !acceptsPressAt(event->position()))
            return false;
        if (isTouchDevice(event->pointingDevice()) && penAround())
            return true;  // the hand that holds the pen
        begin(InkCursor{}, false, event->pointingDevice(), packetAt(event->position(), kInkMousePressure));
        return true;
    case QEvent::MouseMove:
        if (!ours)
            return false;
        add(packetAt(event->position(), kInkMousePressure));
        return true;
    case QEvent::MouseButtonRelease:
        if (!ours)
            return false;
        if (event->button() == Qt::LeftButton)
            finish(packetAt(event->position(), kInkMousePressure));
        return true;
    default:
        return false;
    }
}

bool InkCollector::Impl::stillCollecting(const QPointer<InkCollector>& self, uint64_t serial) const
{
    return self && m_active && m_active->serial == serial;
}

void InkCollector::Impl::begin(const InkCursor& cursor, bool fromTablet, const QPointingDevice* device,
                               const InkPacket& packet)
{
    const uint64_t serial = m_nextSerial++;
    const InkStrokeDisp stroke = ink.beginStroke(defaults);
    m_active = Active{serial, stroke, cursor, fromTablet, device, packet};
    ink.appendPackets(stroke, &packet, 1);
    if (overlay)
        overlay->startStroke(serial, stroke);

    const QPointer<InkCollector> self(q);
    if (cursorDownInterest) {
        emit q->CursorDown(cursor, stroke);
        if (!stillCollecting(self, serial))
            return;
    }
    // Drawn only now, in the attributes the handler may just have given it.
    if (overlay)
        overlay->addPackets(serial, &packet, 1);
    if (newPacketsInterest)
        emit q->NewPackets(cursor, stroke, 1, flatten(packet));
}

bool InkCollector::Impl::add(const InkPacket& packet)
{
    const uint64_t serial = m_active->serial;
    const InkStrokeDisp stroke = m_active->stroke;
    const InkCursor cursor = m_active->cursor;
    if (stroke.isDetached()) {
        // Taken away by someone else: nothing left to collect into.
        dropActiveStroke();
        return false;
    }
    ink.appendPackets(stroke, &packet, 1);
    m_active->last = packet;
    if (overlay)
        overlay->addPackets(serial, &packet, 1);
    if (newPacketsInterest) {
        const QPointer<InkCollector> self(q);
        emit q->NewPackets(cursor, stroke, 1, flatten(packet));
        return stillCollecting(self, serial);
    }
    return true;
}

void InkCollector::Impl::finish(const InkPacket& packet)
{
    const InkPacket last = m_active->last;
    if ((packet.x != last.x || packet.y != last.y) && !add(packet))
        return;
    end(false);
}

bool InkCollector::Impl::end(bool palm)
{
    const Active finished = *m_active;
    m_active.reset();
    if (finished.stroke.isDetached()) {
        if (overlay)
            overlay->endStroke(finished.serial);
        return true;
    }

    const QPointer<InkCollector> self(q);
    bool cancel = palm;
    try {
        emit q->Stroke(finished.cursor, finished.stroke, cancel);
    } catch (...) {
        // The stroke still gets its fate before the failure goes on.
        if (self)
            settle(finished, cancel || palm);
        throw;
    }
    if (!self)
        return false;
    settle(finished, cancel || palm);
    return true;
}

void InkCollector::Impl::settle(const Active& finished, bool cancel)
{
    if (finished.stroke.isInProgress()) {
        if (cancel)
            ink.discardStroke(finished.stroke);
        else
            ink.commitStroke(finished.stroke);
    }
    if (overlay)
        overlay->endStroke(finished.serial);
}

void InkCollector::Impl::dropActiveStroke()
{
    if (!m_active)
        return;
    const Active dropped = *m_active;
    m_active.reset();
    if (dropped.stroke.isInProgress())
        ink.discardStroke(dropped.stroke);
    if (overlay)
        overlay->endStroke(dropped.serial);
}
