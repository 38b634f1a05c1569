// GdiDevice: paths and clipping.

#include "platform/picture/gdi_device.h"

namespace {

// Qt's path clipper takes time about the square of the points it combines:
// two paths of 5,000 points take about 65 ms on this kind of machine.
constexpr double kClipWorkDivisor = 200;

}  // namespace

// ---- paths ----

void GdiDevice::beginPath()
{
    m_inPath = true;
    m_path = QPainterPath();
    m_figureOpen = false;
}

void GdiDevice::closeFigure()
{
    if (m_inPath) {
        m_path.closeSubpath();
        m_figureOpen = false;
    }
}

void GdiDevice::abortPath()
{
    m_inPath = false;
    m_path = QPainterPath();
}

void GdiDevice::fillPath()
{
    m_path.setFillRule(m_state.fillRule);
    fillWith(m_path);
    abortPath();
}

void GdiDevice::strokePath()
{
    strokeOutput(m_path);
    abortPath();
}

void GdiDevice::strokeAndFillPath()
{
    m_path.setFillRule(m_state.fillRule);
    fillWith(m_path);
    strokeOutput(m_path);
    abortPath();
}

// ---- clipping ----

QPainterPath GdiDevice::framePath() const
{
    // What shows of the frame: clipping beyond it changes no pixel.
    QPainterPath frame;
    frame.addRect(m_visible);
    return frame;
}

void GdiDevice::applyClip()
{
    // Never beyond the frame: the picture draws only inside its own size.
    m_painter.setClipPath(m_state.clip ? m_state.clip->intersected(framePath()) : framePath());
}

void GdiDevice::combineClip(const QPainterPath& area, uint32_t mode)
{
    const QPainterPath current = m_state.clip.value_or(framePath());
    // Combining regions costs more than drawing them; count both again.
    const double points = double(current.elementCount()) + area.elementCount();
    m_spent.work += points * points / kClipWorkDivisor;
    checkBudget();
    switch (mode) {
    case 1: m_state.clip = current.intersected(area); break;  // RGN_AND
    case 2: m_state.clip = current.united(area); break;       // RGN_OR
    case 3: m_state.clip = current.united(area).subtracted(current.intersected(area)); break;  // RGN_XOR
    case 4: m_state.clip = current.subtracted(area); break;   // RGN_DIFF
    case 5: m_state.clip = area; break;                       // RGN_COPY
    default: return;
    }
    applyClip();
}

void GdiDevice::intersectClipRect(const QRectF& rect)
{
    QPainterPath area;
    area.addRect(rect.normalized());
    combineClip(toOutput().map(area), 1);
}

void GdiDevice::excludeClipRect(const QRectF& rect)
{
    QPainterPath area;
    area.addRect(rect.normalized());
    combineClip(toOutput().map(area), 4);
}

void GdiDevice::setClipRegion(const std::vector<QRectF>& deviceRects, uint32_t mode)
{
    if (deviceRects.empty()) {
        if (mode == 5) {  // RGN_COPY of no region: no clipping
            m_state.clip.reset();
            applyClip();
        }
        return;
    }
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);  // overlapping rectangles add up
    for (const QRectF& rect : deviceRects)
        area.addRect(m_deviceToOutput.mapRect(rect.normalized()));
    combineClip(area, mode);
}

void GdiDevice::selectClipPath(uint32_t mode)
{
    const QPainterPath area = m_path;
    abortPath();
    combineClip(area, mode);
}
