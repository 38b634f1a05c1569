// The stroke eraser: whole strokes go. The mouse in stroke-erase mode and the
// pen's eraser end in ink mode both use it, one call per position.

#include "app/shell/inkwrite.h"

#include "app/ink/eraser_reach.h"
#include "app/ink/ink_settings.h"
#include "platform/ink/ink_collector.h"
#include "platform/ink/ink_geometry.h"
#include "platform/ink/ink_units.h"

#include <algorithm>
#include <optional>

namespace {
// Antialiased edges reach a little past a stroke's drawn bounds.
constexpr int kRepaintMargin = 2;
}  // namespace

// Removes every stroke whose edge comes within the eraser's reach of (x, y)
// and of the way from the eraser's previous position to (x, y): the eraser
// end's previous packet, or the mouse's previous position in the same drag.
// A fast eraser skips nothing between two positions. The stroke in progress
// is never one of the ink's strokes, so it cannot erase itself.
//
// Then the repaint: at once when no stroke is being collected (the mouse);
// while the eraser end's stroke is collected, only the area of what went is
// scheduled, so it disappears under the eraser within a frame. A failing
// repaint is ignored.
void InkWrite::StrokeEraseAt(int32_t x, int32_t y, const InkStrokeDisp& stroke)
{
    InkDisp& ink = myInkCollector->Ink();
    const InkPoint here{x, y};
    std::optional<InkPoint> previous;
    const int64_t id = stroke.isNull() ? kMouseEraser : stroke.ID();
    if (id == m_eraserStrokeId)
        previous = InkPoint{m_eraserLastX, m_eraserLastY};
    m_eraserStrokeId = id;
    m_eraserLastX = x;
    m_eraserLastY = y;

    std::vector<InkStrokeDisp> doomed = ink.HitTestCircle(x, y, InkSettings::kEraserRadius).items();
    if (previous && !(*previous == here)) {
        const InkStrokes along = strokesNearSegment(ink, *previous, here, InkSettings::kEraserRadius);
        for (const InkStrokeDisp& s : along)
            if (std::find(doomed.begin(), doomed.end(), s) == doomed.end())
                doomed.push_back(s);
    }
    InkRectangle removed{0, 0, -1, -1};
    for (const InkStrokeDisp& s : doomed)
        removed = ink_geometry::united(removed, s.drawnBounds());
    if (!doomed.empty())
        ink.DeleteStrokes(InkStrokes(doomed));

    const bool collecting = myInkCollector->CollectingInk();
    try {
        if (!collecting)
            ImgPaper->repaint();
        else if (!doomed.empty())
            ImgPaper->update(ink_units::inkAreaToPixels(removed, ink_units::scaleOf(*ImgPaper), kRepaintMargin));
    } catch (const std::exception&) {
        // The ink is already gone; the next repaint shows it.
    }
}
