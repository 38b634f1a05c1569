#pragma once
// A message box for tests: records every call and answers from a queue. A
// call with nothing queued, or with an answer its style cannot give, is a
// fault in the test: it is counted, logged as critical and thrown as
// ScriptedDialogError.

#include "platform/dialogs/message_box.h"

#include <QList>
#include <QQueue>

class ScriptedMessageBoxService : public MessageBoxService {
public:
    struct Call {
        QWidget* parent;  // for comparison only; it may be gone by now
        QString text;
        int style;
    };

    // Queues the answer for the next call (MessageBoxResult values).
    void queueAnswer(int result) { m_answers.enqueue(result); }

    int show(QWidget* parent, const QString& text, int style) override;

    const QList<Call>& calls() const { return m_calls; }
    int pendingAnswers() const { return int(m_answers.size()); }
    int unexpectedCalls() const { return m_unexpectedCalls; }

private:
    QQueue<int> m_answers;
    QList<Call> m_calls;
    int m_unexpectedCalls = 0;
};
