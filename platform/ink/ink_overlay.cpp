#include "platform/ink/ink_overlay.h"

#include "platform/ink/ink_renderer.h"
#include "platform/ink/ink_units.h"
#include "platform/ink/stroke_painter.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kRepaintMargin = 2;
}

InkOverlay::InkOverlay(QWidget* inkingWidget, InkDisp* ink, InkRenderer* renderer)
    : QWidget(inkingWidget), m_ink(ink), m_renderer(renderer)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    followInkingWidget();
    show();
}

InkOverlay::~InkOverlay()
{
    setRedrawsInk(false);
}

void InkOverlay::setRedrawsInk(bool on)
{
    if (on == m_redrawsInk)
        return;
    m_redrawsInk = on;
    if (on)
        m_ink->addListener(this);
    else
        m_ink->removeListener(this);
    update();
}

void InkOverlay::followInkingWidget()
{
    QWidget* inking = parentWidget();
    if (geometry() != inking->rect())
        setGeometry(inking->rect());
    // raise() repaints all of us, so only when another widget is on top.
    const QObjectList& siblings = inking->children();
    for (auto it = siblings.rbegin(); it != siblings.rend(); ++it) {
        if (*it == this)
            break;
        if ((*it)->isWidgetType()) {
            raise();
            break;
        }
    }
}

InkOverlay::WetStroke* InkOverlay::find(uint64_t serial)
{
    auto it = std::find_if(m_wet.begin(), m_wet.end(), [&](const WetStroke& w) { return w.serial == serial; });
    return it == m_wet.end() ? nullptr : &*it;
}

InkDrawingAttributes InkOverlay::currentAttributes(const WetStroke& wet) const
{
    // A stroke that left the collector's hands (detached) is no longer drawn.
    if (wet.stroke.isDetached()) {
        InkDrawingAttributes hidden;
        hidden.SetTransparency(255);
        return hidden;
    }
    return wet.stroke.DrawingAttributes();
}

void InkOverlay::startStroke(uint64_t serial, const InkStrokeDisp& stroke)
{
    followInkingWidget();
    WetStroke wet;
    wet.serial = serial;
    wet.stroke = stroke;
    wet.attributes = currentAttributes(wet);
    m_wet.push_back(std::move(wet));
}

void InkOverlay::addPackets(uint64_t serial, const InkPacket* packets, size_t count)
{
    WetStroke* wet = find(serial);
    if (!wet || count == 0)
        return;
    const ink_units::PixelScale scale = ink_units::scaleOf(*this);
    const InkDrawingAttributes attributes = currentAttributes(*wet);
    if (!(attributes == wet->attributes)) {
        // Restyled while being drawn (an eraser end turned invisible, say):
        // what is already on screen must follow.
        requestRepaint(wet->painted);
        wet->attributes = attributes;
    }
    QRectF area;
    for (size_t i = 0; i < count; ++i) {
        const InkPacket from = wet->packets.empty() ? packets[i] : wet->packets.back();
        wet->packets.push_back(packets[i]);
        area |= inkSegmentPixelBounds(from, packets[i], attributes, scale);
    }
    if (inkDrawingColor(attributes).alpha() == 0)
        return;
    wet->painted |= area;
    requestRepaint(area);
}

void InkOverlay::endStroke(uint64_t serial)
{
    auto it = std::find_if(m_wet.begin(), m_wet.end(), [&](const WetStroke& w) { return w.serial == serial; });
    if (it == m_wet.end())
        return;
    const QRectF painted = it->painted;
    m_wet.erase(it);
    requestRepaint(painted);
}

void InkOverlay::requestRepaint(const QRectF& area)
{
    if (!area.isEmpty())
        update(area.toAlignedRect());
}

void InkOverlay::paintEvent(QPaintEvent* event)
{
    if (!m_redrawsInk && m_wet.empty())
        return;
    QPainter painter(this);
    if (m_redrawsInk)
        m_renderer->drawLayer(painter, event->rect());
    const ink_units::PixelScale scale = ink_units::scaleOf(*this);
    const QRectF near(event->rect());
    for (const WetStroke& wet : m_wet)
        paintInkStroke(painter, wet.packets, currentAttributes(wet), scale, &near);
}

void InkOverlay::strokeAdded(const InkStrokeDisp& stroke)
{
    const ink_units::PixelScale scale = ink_units::scaleOf(*this);
    update(ink_units::inkAreaToPixels(stroke.drawnBounds(), scale, kRepaintMargin));
}

void InkOverlay::inkChanged(const InkRectangle& area)
{
    const ink_units::PixelScale scale = ink_units::scaleOf(*this);
    update(ink_units::inkAreaToPixels(area, scale, kRepaintMargin));
}
