// A failure that no handler catches: the error report names it, and the
// program goes on.

#include "window_fixture.h"

#include "platform/ink/ink_collector.h"

#include <QTimer>

namespace {

// A message box whose first showing fails the way a platform call can.
class FailingOnceMessageBox : public MessageBoxService {
public:
    struct Call {
        QString text;
        int style;
    };
    QList<Call> calls;

    int show(QWidget*, const QString& text, int style) override
    {
        calls.append({text, style});
        if (calls.size() == 1)
            throw PlatformError(PlatformErrorCode::InvalidState, "no screen for the question");
        return style == MessageBoxStyle::YesNo ? MessageBoxResult::No : MessageBoxResult::Ok;
    }
};

struct ReporterScope {
    explicit ReporterScope(MessageBoxService* box) { qobject_cast<TavroApplication*>(qApp)->setErrorReporter(box); }
    ~ReporterScope() { qobject_cast<TavroApplication*>(qApp)->setErrorReporter(nullptr); }
};

}  // namespace

class TestErrorReport : public QObject {
    Q_OBJECT
private slots:
    void failingHandlerIsReportedAndTheWindowGoesOn();
    void failureReachingTheEventLoopIsReportedOnce();
};

void TestErrorReport::failingHandlerIsReportedAndTheWindowGoesOn()
{
    FailingOnceMessageBox box;
    ReporterScope reporter(&box);
    ScriptedCommonDialogFactory dialogs;
    Services services{box, dialogs, QString()};
    InkWrite form(services);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTest::ignoreMessage(QtWarningMsg, "Uncaught failure: no screen for the question");
    click(form.imgExit);
    // The report comes once the failing event is done, naming the failure.
    QTRY_COMPARE(box.calls.size(), 2);
    QCOMPARE(box.calls[1].style, MessageBoxStyle::Information);
    QVERIFY(box.calls[1].text.contains("no screen for the question"));
    QVERIFY(box.calls[1].text.contains(QString::number(PlatformErrorCode::InvalidState)));

    // The program goes on as it was: loaded, drawing, and the next click asks again.
    QVERIFY(form.isVisible());
    QVERIFY(!form.isUnloaded());
    QVERIFY(form.myInkCollector->Enabled());
    click(form.imgExit);
    QCOMPARE(box.calls.size(), 3);
    QCOMPARE(box.calls[2].style, MessageBoxStyle::YesNo);
    QVERIFY(form.isVisible());
}

void TestErrorReport::failureReachingTheEventLoopIsReportedOnce()
{
    ScriptedMessageBoxService box;
    ReporterScope reporter(&box);
    box.queueAnswer(MessageBoxResult::Ok);

    QTest::ignoreMessage(QtWarningMsg, "Uncaught failure: the collector is gone");
    QTest::ignoreMessage(QtWarningMsg, "Uncaught failure: and so is the ink");
    bool after = false;
    QTimer::singleShot(0, [] { throw PlatformError(PlatformErrorCode::InvalidState, "the collector is gone"); });
    QTimer::singleShot(0, [] { throw std::runtime_error("and so is the ink"); });
    QTimer::singleShot(20, [&] { after = true; });
    QTRY_VERIFY(after);
    // One report at a time: the second failure, while the first report was
    // pending, is logged only.
    QCOMPARE(box.calls().size(), 1);
    QVERIFY(box.calls()[0].text.contains("the collector is gone"));
    QCOMPARE(box.unexpectedCalls(), 0);
}

TAVRO_WINDOW_TEST_MAIN(TestErrorReport)
#include "tst_error_report.moc"
