#pragma once
// Drives modal dialogs in tests: each step waits for the active modal widget
// of its type and acts on it, from the event loop the dialog runs. A modal
// widget that no step expects is noted as a problem and rejected after a
// while, so a wrong guess fails the test instead of hanging it.

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class ModalDriver : public QObject {
public:
    ModalDriver();

    // Adds a step acting on the next modal widget of type T.
    template <class T, class F>
    ModalDriver& then(F act)
    {
        m_steps.append({&T::staticMetaObject, [act](QWidget* w) { act(static_cast<T*>(w)); }});
        return *this;
    }

    bool finished() const { return m_next == m_steps.size(); }
    // Class names of the modal widgets the steps acted on, in order.
    const QStringList& handled() const { return m_handled; }
    // Modal widgets that no step expected.
    const QStringList& problems() const { return m_problems; }

private:
    struct Step {
        const QMetaObject* type;
        std::function<void(QWidget*)> act;
    };
    void poll();

    QList<Step> m_steps;
    qsizetype m_next = 0;
    bool m_actionQueued = false;
    QTimer m_timer;
    QElapsedTimer m_unexpectedSince;
    QStringList m_handled;
    QStringList m_problems;
};
