#include "modal_driver.h"

#include <QApplication>
#include <QPointer>

namespace {
constexpr int kPollMs = 10;
constexpr int kGiveUpMs = 3000;
}  // namespace

ModalDriver::ModalDriver()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalDriver::poll);
    m_timer.start(kPollMs);
}

void ModalDriver::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || m_actionQueued) {
        m_unexpectedSince.invalidate();
        return;
    }
    if (m_next < m_steps.size() && modal->metaObject()->inherits(m_steps[m_next].type)) {
        m_unexpectedSince.invalidate();
        m_handled.append(QString::fromLatin1(modal->metaObject()->className()));
        // Queued, so that a nested dialog the action opens runs outside this
        // timer's slot and the timer keeps firing for it.
        m_actionQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this, target = QPointer<QWidget>(modal), act = m_steps[m_next++].act] {
                m_actionQueued = false;
                if (target)
                    act(target);
            },
            Qt::QueuedConnection);
        return;
    }
    if (!m_unexpectedSince.isValid()) {
        m_unexpectedSince.start();
    } else if (m_unexpectedSince.elapsed() > kGiveUpMs) {
        m_problems.append(QString::fromLatin1(modal->metaObject()->className()) + QLatin1String(": ")
                          + modal->windowTitle());
        m_unexpectedSince.invalidate();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}
