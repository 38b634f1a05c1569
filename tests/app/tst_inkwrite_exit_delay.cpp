// Leaving the program and waiting: the exit question, a close from the
// window system, Delay's timing and liveness, and an exit during a wait.

#include "window_fixture.h"

#include "platform/ink/ink_collector.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include <limits>

class TestInkWriteExitDelay : public QObject {
    Q_OBJECT
private slots:
    void exitQuestion_data();
    void exitQuestion();
    void delay_data();
    void delay();
    void exitDuringDelayLetsTheWaitFinishFirst();
};

void TestInkWriteExitDelay::exitQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("exits");
    QTest::newRow("Yes") << MessageBoxResult::Yes << true;
    QTest::newRow("No") << MessageBoxResult::No << false;
    QTest::newRow("closed by the window system: no question") << 0 << true;
}

void TestInkWriteExitDelay::exitQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, exits);

    WindowFixture f;
    QVERIFY(f.show());
    QSignalSpy unloaded(f.form.get(), &InkWrite::Unloaded);
    if (answer) {
        f.messageBox.queueAnswer(answer);
        click(f.form->imgExit);
        QCOMPARE(f.messageBox.calls().size(), 1);
        const auto& call = f.messageBox.calls()[0];
        QCOMPARE(call.text, QString::fromUtf8("정말로 종료하시겠습니까 ?"));
        QCOMPARE(call.style, MessageBoxStyle::YesNo);
        QCOMPARE(call.parent, f.form.get());
        QCOMPARE(f.form->myInkCollector->Enabled(), !exits);
    } else {
        QVERIFY(f.form->close());
        QVERIFY(f.messageBox.calls().isEmpty());
    }
    QCOMPARE(f.form->isVisible(), !exits);
    QCOMPARE(f.form->isUnloaded(), exits);
    // A second request ends nothing twice.
    f.form->close();
    QCOMPARE(unloaded.size(), 1);
}

// Delay waits on the clock and keeps the window alive: a click meanwhile is
// handled at once; even a wait of nothing lets pending events run.
void TestInkWriteExitDelay::delay_data()
{
    QTest::addColumn<float>("ms");
    QTest::newRow("300") << 300.0f;
    QTest::newRow("negative") << -500.0f;
}

void TestInkWriteExitDelay::delay()
{
    QFETCH(float, ms);
    WindowFixture f;
    QVERIFY(f.show());
    f.messageBox.queueAnswer(MessageBoxResult::No);
    QElapsedTimer clock;
    qint64 clickedAt = -1;
    QTimer::singleShot(ms > 100 ? 30 : 0, f.form.get(), [&] {
        click(f.form->imgExit);
        clickedAt = clock.elapsed();
    });
    float wait = ms;
    clock.start();
    f.form->Delay(wait);
    QCOMPARE(wait, ms);  // left alone
    const double took = clock.nsecsElapsed() / 1e6;
    QCOMPARE(f.messageBox.calls().size(), 1);  // asked during the wait
    QVERIFY(clickedAt >= 0 && clickedAt <= std::max(ms, 0.0f));
    QVERIFY2(took >= ms && took < std::max(ms, 0.0f) + 150, qPrintable(QString::number(took)));
    QVERIFY(f.form->isVisible());
    // An endless wait is refused.
    for (float endless : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
        QVERIFY_THROWS_EXCEPTION(PlatformError, f.form->Delay(endless));
}

// Yes to the exit question while a procedure waits in Delay: the wait runs to
// its end and the procedure finishes, including a modal box it shows after the
// wait (as a save does when the conversion fails); only then does the program
// end.
void TestInkWriteExitDelay::exitDuringDelayLetsTheWaitFinishFirst()
{
    WindowFixture f;
    QVERIFY(f.show());
    f.messageBox.queueAnswer(MessageBoxResult::Yes);
    QObject::connect(f.form.get(), &InkWrite::Unloaded, qApp, [] { QCoreApplication::exit(0); });

    QStringList log;
    QElapsedTimer clock;
    qint64 procedureEndedAt = -1;
    QTimer::singleShot(0, f.form.get(), [&] {
        log << "wait";
        float wait = 250;
        // A nested wait inside the outer one, as a second save would do.
        QTimer::singleShot(20, f.form.get(), [&] {
            float inner = 60;
            f.form->Delay(inner);
            log << "inner done";
        });
        QTimer::singleShot(50, f.form.get(), [&] {
            click(f.form->imgExit);
            log << (f.form->isUnloaded() ? "unloaded" : "still loaded");
        });
        f.form->Delay(wait);
        procedureEndedAt = clock.elapsed();
        QDialog box;
        QTimer::singleShot(300, &box, &QDialog::accept);
        QElapsedTimer shown;
        shown.start();
        box.exec();
        log << (shown.elapsed() >= 300 ? "box answered" : "box cut short");
    });
    clock.start();
    QTimer hang;  // a hang fails
    hang.callOnTimeout([] { QCoreApplication::exit(2); });
    hang.start(5000);
    const int status = QCoreApplication::exec();
    log << "loop ended";

    QCOMPARE(status, 0);
    QCOMPARE(log, QStringList({"wait", "unloaded", "inner done", "box answered", "loop ended"}));
    QVERIFY2(procedureEndedAt >= 250, qPrintable(QString::number(procedureEndedAt)));
    QVERIFY(!f.form->isVisible());
    QVERIFY(!f.form->myInkCollector->Enabled());
}

TAVRO_WINDOW_TEST_MAIN(TestInkWriteExitDelay)
#include "tst_inkwrite_exit_delay.moc"
