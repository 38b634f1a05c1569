#pragma once
// Drives modal dialogs in tests: each step waits for the active modal widget
// of its type and acts on it from inside the dialog's own event loop. A modal
// widget no step expects is recorded in problems and closed after three
// seconds, so a wrong guess fails the test instead of hanging it.

#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class ModalDriver : public QObject {
public:
    ModalDriver() { startTimer(10); }

    template <class T>
    ModalDriver& then(std::function<void(T*)> act)
    {
        m_steps.append({&T::staticMetaObject, [act](QWidget* w) { act(static_cast<T*>(w)); }});
        return *this;
    }

    bool finished() const { return m_next == m_steps.size(); }
    QStringList problems;

protected:
    void timerEvent(QTimerEvent*) override
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || m_acting) {
            m_strayPolls = 0;
        } else if (m_next < m_steps.size() && modal->metaObject()->inherits(m_steps[m_next].first)) {
            m_strayPolls = 0;
            m_acting = true;
            // Queued: a timer does not fire again while its handler runs, and
            // the action may open a nested dialog that the next step must see.
            QMetaObject::invokeMethod(
                this,
                [this, target = QPointer<QWidget>(modal), act = m_steps[m_next++].second] {
                    m_acting = false;
                    if (target)
                        act(target);
                },
                Qt::QueuedConnection);
        } else if (++m_strayPolls > 300) {
            problems.append(QString::fromLatin1(modal->metaObject()->className()));
            m_strayPolls = 0;
            modal->close();  // a dialog rejects itself on close
        }
    }

private:
    QList<std::pair<const QMetaObject*, std::function<void(QWidget*)>>> m_steps;
    qsizetype m_next = 0;
    bool m_acting = false;
    int m_strayPolls = 0;
};
