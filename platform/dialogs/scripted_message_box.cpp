#include "platform/dialogs/scripted_message_box.h"

#include "platform/dialogs/scripted_dialog_error.h"

#include <QDebug>

int ScriptedMessageBoxService::show(QWidget* parent, const QString& text, int style)
{
    checkMessageBoxStyle(style);
    m_calls.append({parent, text, style});

    std::string fault;
    if (m_answers.isEmpty())
        fault = "no answer queued";
    else if (!isMessageBoxAnswer(style, m_answers.head()))
        fault = "queued answer " + std::to_string(m_answers.head()) + " cannot come from style "
            + std::to_string(style);
    if (!fault.empty()) {
        ++m_unexpectedCalls;
        const std::string what = "Scripted message box \"" + text.toStdString() + "\": " + fault;
        qCritical("%s", what.c_str());
        throw ScriptedDialogError(what);
    }
    return m_answers.dequeue();
}
