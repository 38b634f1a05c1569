// Removing the last stroke (the eraser button). No failure leaves the
// handler: a failing step is skipped and the next one runs, so a click on an
// empty page still refreshes the window and marks the page as changed.

#include "app/shell/inkwrite.h"

#include "app/ink/ink_settings.h"
#include "platform/ink/ink_collector.h"

void InkWrite::Image4_Click()
{
    try {
        InkDisp& ink = myInkCollector->Ink();
        const InkStrokes strokes = ink.Strokes();
        ink.DeleteStroke(strokes.Item(strokes.Count() - 1));
    } catch (const std::exception&) {
        // Nothing to remove (an empty page) or it could not be removed.
    }
    try {
        refreshWindow();
    } catch (const std::exception&) {
    }
    DataPresent = InkSettings::kDataPresent;
}
