// A new page (the blank page button): after a Yes, all ink goes, the page
// counts as empty and the page counter moves on, so the next save offers the
// next default name. The background picture, the paper colour, the pen and
// the mode stay.

#include "app/shell/inkwrite.h"

#include "platform/dialogs/message_box.h"
#include "platform/ink/ink_collector.h"

namespace {
const char* const kClearQuestion = "화면을 지우시겠습니까 ?";
// goCount is 16-bit: at its largest it stays, and new pages still clear.
constexpr int16_t kLastPageCount = 32767;
}  // namespace

void InkWrite::imgNew_Click()
{
    const int answer = m_services.messageBox.show(this, QString::fromUtf8(kClearQuestion),
                                                  MessageBoxStyle::YesNo);
    if (answer != MessageBoxResult::Yes)
        return;
    Clear();
    DataPresent = 0;
    if (goCount < kLastPageCount)
        ++goCount;
}

void InkWrite::Clear()
{
    // Taken before the test: exactly these strokes are deleted.
    const InkStrokes strokes = myInkCollector->Ink().Strokes();
    // A stroke being drawn keeps the page as it is; the window still repaints.
    if (!myInkCollector->CollectingInk())
        myInkCollector->Ink().DeleteStrokes(strokes);
    refresh();
}

// The whole window at once, its controls too: Qt's repaint of a window
// leaves out children that paint themselves opaque unless they are marked
// dirty themselves, and the paper is one.
void InkWrite::refresh()
{
    for (QWidget* control : findChildren<QWidget*>())
        control->update();
    repaint();
}
