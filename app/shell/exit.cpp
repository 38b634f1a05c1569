// Leaving the program: the exit button's question, Exit_Rtn, and a close
// request from the window system. Unloading only hides the window; the
// program ends once no procedure of the window is still waiting in a Delay or
// showing a box, so the window object never goes away under a procedure on
// its stack.

#include "app/shell/inkwrite.h"

#include "platform/dialogs/message_box.h"
#include "platform/ink/ink_collector.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

namespace {
const char* const kExitQuestion = "정말로 종료하시겠습니까 ?";
constexpr std::chrono::milliseconds kRetryAfterModal{100};
}

void InkWrite::imgExit_Click()
{
    const int answer = m_services.messageBox.show(this, QString::fromUtf8(kExitQuestion),
                                                  MessageBoxStyle::YesNo);
    if (answer == MessageBoxResult::Yes)
        Exit_Rtn();
}

void InkWrite::Exit_Rtn()
{
    myInkCollector->SetEnabled(false);
    unload();
}

// The system asks the window to close: it unloads without the question.
void InkWrite::closeEvent(QCloseEvent* event)
{
    event->accept();
    unload();
}

void InkWrite::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    hide();
    endWhenIdle();
}

void InkWrite::endWhenIdle()
{
    if (!m_unloaded || m_unloadAnnounced || m_delayDepth > 0)
        return;
    // The procedure that went on after its wait may be showing a box: the
    // program ends after that box, not under it.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(kRetryAfterModal, this, &InkWrite::endWhenIdle);
        return;
    }
    m_unloadAnnounced = true;
    emit Unloaded();
}
