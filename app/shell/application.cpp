#include "app/shell/application.h"

#include "app/shell/inkwrite.h"
#include "platform/dialogs/message_box.h"
#include "platform/platform_error.h"

#include <QDebug>
#include <QTimer>

QString errorReportText(const std::exception& failure)
{
    const QString what = QString::fromUtf8(failure.what());
    if (const auto* platform = dynamic_cast<const PlatformError*>(&failure))
        return QStringLiteral("실행 중 오류가 났습니다 (오류 %1)\n\n%2").arg(platform->code()).arg(what);
    return QStringLiteral("실행 중 오류가 났습니다\n\n%1").arg(what);
}

void showErrorReport(MessageBoxService& messageBox, QWidget* parent, const std::exception& failure)
{
    messageBox.show(parent, errorReportText(failure), MessageBoxStyle::Information);
}

TavroApplication::TavroApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The window decides when the program ends (after its unload), not the
    // closing of the last window.
    setQuitOnLastWindowClosed(false);
}

bool TavroApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        reportFailure(failure);
    }
    return false;
}

void TavroApplication::reportFailure(const std::exception& failure)
{
    qWarning().noquote() << "Uncaught failure:" << failure.what();
    if (!m_reporter || m_reportBusy)
        return;
    m_reportBusy = true;
    m_pendingReport = errorReportText(failure);
    // Not from inside the failing event (it may be a paint): from the loop.
    QTimer::singleShot(0, this, &TavroApplication::showPendingReport);
}

void TavroApplication::showPendingReport()
{
    if (m_reporter) {
        // The report's own box must not take the program down with it.
        try {
            m_reporter->show(activeWindow(), m_pendingReport, MessageBoxStyle::Information);
        } catch (const std::exception& second) {
            qCritical().noquote() << "The error report failed:" << second.what();
        }
    }
    m_pendingReport.clear();
    m_reportBusy = false;
}

void reportUncaughtFailure(const std::exception& failure)
{
    if (auto* app = qobject_cast<TavroApplication*>(QCoreApplication::instance()))
        app->reportFailure(failure);
    else
        qWarning().noquote() << "Uncaught failure:" << failure.what();
}

int runPenWriter(MessageBoxService& messageBox, const std::function<std::unique_ptr<InkWrite>()>& load)
{
    std::unique_ptr<InkWrite> window;
    try {
        window = load();
    } catch (const std::exception& failure) {
        showErrorReport(messageBox, nullptr, failure);
        return 1;
    }
    QObject::connect(window.get(), &InkWrite::Unloaded, qApp, [] { QCoreApplication::exit(0); });
    window->show();
    return QCoreApplication::exec();
}
