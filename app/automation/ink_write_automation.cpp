#include "app/automation/ink_write_automation.h"

#include "app/shell/inkwrite.h"
#include "platform/platform_error.h"

#include <QApplication>
#include <QVariant>

#include <exception>

namespace {
const QString kErrorPrefix = QStringLiteral("org.tavro.PenWriter.Error.");
}

QString Automation::errorNameFor(int32_t code)
{
    switch (code) {
    case PlatformErrorCode::InvalidArgument: return kErrorPrefix + QStringLiteral("InvalidArgument");
    case PlatformErrorCode::IndexOutOfRange: return kErrorPrefix + QStringLiteral("IndexOutOfRange");
    case PlatformErrorCode::NullReference: return kErrorPrefix + QStringLiteral("NullReference");
    case PlatformErrorCode::DetachedStroke: return kErrorPrefix + QStringLiteral("DetachedStroke");
    case PlatformErrorCode::ForeignStroke: return kErrorPrefix + QStringLiteral("ForeignStroke");
    case PlatformErrorCode::InvalidState: return kErrorPrefix + QStringLiteral("InvalidState");
    case PlatformErrorCode::DialogCancel: return kErrorPrefix + QStringLiteral("Cancelled");
    default: return kErrorPrefix + QStringLiteral("Failed");
    }
}

InkWriteAutomation::InkWriteAutomation(InkWrite& window) : QObject(&window), m_window(&window) {}

qint16 InkWriteAutomation::goCount() const
{
    return m_window ? m_window->goCount : 0;
}

// A call that arrives while the window waits in a modal box is refused, as a
// click on the window is then; one that arrives during a Delay runs, as a
// click does. An unloaded window takes no more calls.
template <class Operation>
void InkWriteAutomation::perform(Operation&& operation)
{
    if (!calledFromDBus()) {
        // A caller inside the process gets the failure itself.
        if (!m_window)
            throw PlatformError(PlatformErrorCode::NullReference, "The window is gone");
        operation(*m_window);
        return;
    }
    if (!m_window || m_window->isUnloaded()) {
        sendErrorReply(kErrorPrefix + QStringLiteral("Unloaded"), QStringLiteral("The window has been unloaded"));
        return;
    }
    if (QApplication::activeModalWidget()) {
        sendErrorReply(kErrorPrefix + QStringLiteral("Busy"),
                       QStringLiteral("The window is waiting for an answer in a dialog"));
        return;
    }
    try {
        operation(*m_window);
    } catch (const PlatformError& failure) {
        sendErrorReply(Automation::errorNameFor(failure.code()), QString::fromUtf8(failure.what()));
    } catch (const std::exception& failure) {
        sendErrorReply(Automation::errorNameFor(0), QString::fromUtf8(failure.what()));
    }
}

void InkWriteAutomation::Ink()
{
    perform([](InkWrite& w) { w.Ink(); });
}

void InkWriteAutomation::CuspErase()
{
    perform([](InkWrite& w) { w.CuspErase(); });
}

void InkWriteAutomation::IntersectionErase()
{
    perform([](InkWrite& w) { w.IntersectionErase(); });
}

void InkWriteAutomation::StrokeErase()
{
    perform([](InkWrite& w) { w.StrokeErase(); });
}

void InkWriteAutomation::UpdateApplicationMode(qint16 newMode)
{
    perform([newMode](InkWrite& w) { w.UpdateApplicationMode(newMode); });
}

void InkWriteAutomation::Pen_Width(qint16 p_Width)
{
    perform([p_Width](InkWrite& w) { w.Pen_Width(p_Width); });
}

// As the swatches pass it: a variant holding a 32-bit integer.
void InkWriteAutomation::Color_Select(qint32 p_BackColor)
{
    perform([p_BackColor](InkWrite& w) { w.Color_Select(QVariant(p_BackColor)); });
}

void InkWriteAutomation::Clear()
{
    perform([](InkWrite& w) { w.Clear(); });
}

void InkWriteAutomation::End_Rtn()
{
    perform([](InkWrite& w) { w.End_Rtn(); });
}

void InkWriteAutomation::Exit_Rtn()
{
    perform([](InkWrite& w) { w.Exit_Rtn(); });
}
