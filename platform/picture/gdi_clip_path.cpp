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
    // The painter rasterises a clip path each time it is set: counted as a fill.
    m_painter.setClipPath(charge(m_state.clip.value_or(framePath()), 0, 0));
}

void GdiDevice::combineClip(const QPainterPath& shape, uint32_t mode)
{
    // Combining regions costs more than drawing them; count both again.
    // The clip kept is flat already, and within the frame.
    const QPainterPath current = m_state.clip.value_or(framePath());
    const double shapePoints = flattenedPoints(shape);
    const double points = double(current.elementCount()) + shapePoints;
    m_spent.work += points * points / kClipWorkDivisor;
    checkBudget();
    const QPainterPath area = flattened(shape, shapePoints);
    QPainterPath combined;
    switch (mode) {
    case 1: combined = current.intersected(area); break;  // RGN_AND
    case 2: combined = current.united(area); break;       // RGN_OR
    case 3: combined = current.united(area).subtracted(current.intersected(area)); break;  // RGN_XOR
    case 4: combined = current.subtracted(area); break;   // RGN_DIFF
    case 5: combined = area; break;                       // RGN_COPY
    default: return;
    }
    // Never beyond the frame: the picture draws only inside its own size.
    const double kept = double(combined.elementCount()) + 5;
    m_spent.work += kept * kept / kClipWorkDivisor;
    checkBudget();
    m_state.clip = combined.intersected(framePath());
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
