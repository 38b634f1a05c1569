// Application modes and the pen cursors: ink mode takes pen input and shows
// the pen of the current width; the erase modes switch the collector off and
// show the eraser.

#include "app/shell/inkwrite.h"

#include "app/ink/ink_settings.h"
#include "platform/ink/ink_collector.h"

#include <cmath>

int penCursorFor(float width)
{
    const double rounded = std::nearbyint(static_cast<double>(width));  // halves to even
    if (rounded == InkSettings::kMiddlePen)
        return 2;
    if (rounded == InkSettings::kThickPen)
        return 3;
    return 1;
}

void InkWrite::Ink()
{
    UpdateApplicationMode(InkSettings::kModeInk);
}

void InkWrite::CuspErase()
{
    UpdateApplicationMode(InkSettings::kModeCuspErase);
}

void InkWrite::IntersectionErase()
{
    UpdateApplicationMode(InkSettings::kModeIntersectionErase);
}

void InkWrite::StrokeErase()
{
    UpdateApplicationMode(InkSettings::kModeStrokeErase);
}

// The collector is switched before the mode is stored, and the cursor is set
// only once the window has been repainted. Applying the mode in force runs
// every step again. A failing step ends it there; nothing is undone.
void InkWrite::UpdateApplicationMode(int16_t newMode)
{
    myInkCollector->SetEnabled(newMode == InkSettings::kModeInk);
    DataPresent = InkSettings::kNoData;
    ApplicationMode = newMode;
    // A drag under way when the mode changes sweeps only from its next move.
    if (m_eraserStrokeId == kMouseEraser)
        m_eraserStrokeId = 0;
    refreshWindow();
    if (ApplicationMode == InkSettings::kModeInk) {
        const int pen = penCursorFor(myInkCollector->DefaultDrawingAttributes().Width());
        const PictureBox* holder = pen == 3 ? picPen3 : pen == 2 ? picPen2 : picPen1;
        myInkCollector->SetMousePointer(kMousePointerCustom);
        myInkCollector->SetMouseIcon(holder->mouseIcon());
    } else {
        myInkCollector->SetMousePointer(kMousePointerCustom);
        myInkCollector->SetMouseIcon(picPen4->mouseIcon());
    }
}

void InkWrite::refreshWindow()
{
    repaint();
    ImgPaper->repaint();
}
