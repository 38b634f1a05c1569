#include "platform/ink/ink_renderer.h"

#include "platform/ink/ink_layer.h"
#include "platform/ink/ink_units.h"
#include "platform/ink/stroke_painter.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QWidget>

class InkRenderer::Impl {
public:
    InkLayer layer;
};

InkRenderer::InkRenderer() : m_impl(std::make_unique<Impl>()) {}

InkRenderer::~InkRenderer()
{
    detach();
}

namespace {

const QWidget& requireWidget(const QWidget* widget)
{
    if (!widget)
        throw PlatformError(PlatformErrorCode::NullReference, "no window to convert coordinates for");
    return *widget;
}

// The part of the device that this paint can change, in the painter's
// logical coordinates: its clip, else the system clip of a paint event,
// else the whole device.
QRegion paintableArea(QPainter& painter)
{
    QRegion area(QRect(0, 0, painter.device()->width(), painter.device()->height()));
    if (QPaintEngine* engine = painter.paintEngine()) {
        const QRegion system = engine->systemClip();
        if (!system.isEmpty())
            area = painter.deviceTransform().inverted().map(system);
    }
    if (painter.hasClipping())
        area &= painter.clipRegion();
    return area;
}

}  // namespace

void InkRenderer::Draw(QPainter& painter, const InkStrokes& strokes)
{
    if (!painter.isActive())
        throw PlatformError(PlatformErrorCode::InvalidState, "the painter is not painting");
    InkLayer& layer = m_impl->layer;
    const bool wholeAttachedInk = layer.ink() && strokes.wholeInkOf() == layer.ink() &&
                                  strokes.revision() == layer.ink()->revision() && layer.widget() &&
                                  painter.device() == layer.widget();
    QRegion vectorArea;
    if (wholeAttachedInk) {
        const QRegion area = paintableArea(painter);
        layer.makeCurrent();
        layer.blit(painter, area.boundingRect());
        // Only a paint reaching past what the window shows (a grab of the
        // whole widget) needs the rest drawn stroke by stroke.
        vectorArea = area - layer.rect();
        if (vectorArea.isEmpty())
            return;
    }

    const ink_units::PixelScale scale = ink_units::scaleOf(*painter.device());
    const ink_units::PainterStateGuard keep(painter);
    if (!vectorArea.isEmpty())
        painter.setClipRegion(vectorArea, Qt::IntersectClip);
    const QRectF near = painter.hasClipping() ? painter.clipBoundingRect() : QRectF();
    for (const InkStrokeDisp& stroke : strokes)
        paintInkStroke(painter, stroke.heldPackets(), stroke.DrawingAttributes(), scale, near.isNull() ? nullptr : &near);
}

void InkRenderer::PixelToInkSpace(const QWidget* widget, int32_t& x, int32_t& y) const
{
    const QWidget& w = requireWidget(widget);
    const int32_t inkX = ink_units::pixelsToInk(x, w.logicalDpiX());
    const int32_t inkY = ink_units::pixelsToInk(y, w.logicalDpiY());
    x = inkX;
    y = inkY;
}

void InkRenderer::InkSpaceToPixel(const QWidget* widget, int32_t& x, int32_t& y) const
{
    const QWidget& w = requireWidget(widget);
    const int32_t pixelX = ink_units::inkToPixels(x, w.logicalDpiX());
    const int32_t pixelY = ink_units::inkToPixels(y, w.logicalDpiY());
    x = pixelX;
    y = pixelY;
}

void InkRenderer::attach(InkDisp* ink, QWidget* widget)
{
    detach();
    if (!ink)
        return;
    ink->addListener(this);
    m_impl->layer.attach(ink, widget);
}

void InkRenderer::detach()
{
    if (InkDisp* ink = m_impl->layer.ink())
        ink->removeListener(this);
    m_impl->layer.detach();
}

InkDisp* InkRenderer::attachedInk() const
{
    return m_impl->layer.ink();
}

QWidget* InkRenderer::attachedWidget() const
{
    return m_impl->layer.widget();
}

void InkRenderer::drawLayer(QPainter& painter, const QRect& area)
{
    m_impl->layer.blit(painter, area);
}

InkRenderer::LayerStats InkRenderer::layerStats() const
{
    const InkLayer& layer = m_impl->layer;
    return {layer.rect(), layer.deviceSize(), layer.rebuilds(), layer.strokesPainted()};
}

void InkRenderer::strokeAdded(const InkStrokeDisp& stroke)
{
    m_impl->layer.addStroke(stroke);
}

void InkRenderer::inkChanged(const InkRectangle& area)
{
    m_impl->layer.repaintArea(area);
}

void InkRenderer::inkChangedIn(std::span<const InkRectangle> areas)
{
    m_impl->layer.repaintAreas(areas);
}
