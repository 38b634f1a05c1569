#pragma once
// The program's application object and its error report.
//
// A failure (PlatformError, or any std::exception) that a handler does not
// catch itself ends that handler and goes to the error report: a message box
// naming the failure, shown as soon as the event being handled is done; then
// the program goes on. Handlers run through runGuarded (guarded.h; InkWrite
// connects every one of them so), so a failure never unwinds through Qt's own
// frames; TavroApplication::notify catches whatever still gets there.

#include "app/shell/guarded.h"

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <memory>

class InkWrite;
class MessageBoxService;
class QWidget;

// The report's text: what failed, with its code where it has one.
QString errorReportText(const std::exception& failure);
// Shows the report at once as an information message box.
void showErrorReport(MessageBoxService& messageBox, QWidget* parent, const std::exception& failure);

class TavroApplication : public QApplication {
    Q_OBJECT
public:
    TavroApplication(int& argc, char** argv);

    // Where reports go; without one a failure is only logged.
    void setErrorReporter(MessageBoxService* messageBox) { m_reporter = messageBox; }

    // Logs the failure and shows its report once the current event is done.
    // One report at a time: failures while one is pending or open are only
    // logged, so a handler that fails on every repaint cannot pile them up.
    void reportFailure(const std::exception& failure);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void showPendingReport();

    MessageBoxService* m_reporter = nullptr;
    QString m_pendingReport;
    bool m_reportBusy = false;
};

// Loads the window and runs the program until the window is unloaded.
// A failure during the load shows the report and returns 1, with no window
// ever shown; otherwise returns the main loop's status (0).
int runPenWriter(MessageBoxService& messageBox, const std::function<std::unique_ptr<InkWrite>()>& load);
