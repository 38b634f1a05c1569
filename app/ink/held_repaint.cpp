#include "app/ink/held_repaint.h"

#include "app/ink/markers.h"
#include "platform/ink/ink_geometry.h"
#include "platform/ink/ink_units.h"

#include <QWidget>

#include <exception>

HeldRepaint::HeldRepaint(InkDisp& ink, InkRenderer& renderer)
    : m_ink(ink), m_renderer(renderer), m_failuresAtStart(std::uncaught_exceptions())
{
    // A renderer attached to this ink is the one listening to it.
    if (m_renderer.attachedInk() != &m_ink)
        return;
    m_holding = true;
    m_ink.removeListener(&m_renderer);
    m_ink.addListener(this);
}

HeldRepaint::~HeldRepaint()
{
    if (!m_holding)
        return;
    m_ink.removeListener(this);
    m_ink.addListener(&m_renderer);
    const bool failed = std::uncaught_exceptions() > m_failuresAtStart;
    try {
        if (!failed) {
            m_renderer.inkChangedIn(m_removedParts);
            return;
        }
        for (const InkRectangle& area : merged(std::move(m_reported)))
            m_renderer.inkChanged(area);
    } catch (...) {
        // The renderer's own failure to repaint; the ink is as it is.
    }
}

void HeldRepaint::removed(RemovedInk gone)
{
    m_removed.push_back(gone.bounds);
    if (gone.parts.empty())
        m_removedParts.push_back(gone.bounds);
    else
        m_removedParts.insert(m_removedParts.end(), gone.parts.begin(), gone.parts.end());
}

QRect HeldRepaint::removedPixels(const QWidget& paper) const
{
    // A marker's circle and its outline, and antialiased edges.
    constexpr int kMargin = kMarkerRadius + 3;
    QRect pixels;
    for (const InkRectangle& area : m_removed)
        if (!area.isEmpty())
            pixels |= ink_units::inkAreaToPixels(area, ink_units::scaleOf(paper), kMargin);
    return pixels;
}

void HeldRepaint::strokeAdded(const InkStrokeDisp& stroke)
{
    // Erasers add no strokes; should one come, repainting its area draws it.
    const InkRectangle area = stroke.drawnBounds();
    m_reported.push_back(area);
    removed({area, {}});
}

void HeldRepaint::inkChanged(const InkRectangle& area)
{
    m_reported.push_back(area);
}

void HeldRepaint::strokeSplit(const InkStrokeDisp& stroke, const InkStrokeDisp&, const InkRectangle& strokeArea,
                              const InkRectangle& cutArea)
{
    m_reported.push_back(strokeArea);
    // Translucent parts that overlap now darken where they do: all of it.
    // Otherwise the cut point lies on whole ink units, and the segment it
    // cut turns a little in both parts, along its whole length.
    removed({stroke.DrawingAttributes().Transparency() > 0 ? strokeArea : cutArea, {}});
}

std::vector<InkRectangle> HeldRepaint::merged(std::vector<InkRectangle> areas)
{
    std::erase_if(areas, [](const InkRectangle& r) { return r.isEmpty(); });
    bool changed = true;
    while (changed) {
        changed = false;
        for (size_t i = 0; i < areas.size() && !changed; ++i)
            for (size_t j = i + 1; j < areas.size(); ++j)
                if (ink_geometry::meets(areas[i], areas[j])) {
                    areas[i] = ink_geometry::united(areas[i], areas[j]);
                    areas.erase(areas.begin() + static_cast<std::ptrdiff_t>(j));
                    changed = true;
                    break;
                }
    }
    return areas;
}
