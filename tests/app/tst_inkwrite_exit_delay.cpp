// Leaving the program and waiting: the exit question, a close from the
// window system, Delay's timing and liveness, and an exit during a wait.

#include "window_fixture.h"

#include "platform/ink/ink_collector.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include <cmath>
#include <limits>

class TestInkWriteExitDelay : public QObject {
    Q_OBJECT
private slots:
    void exitQuestion_data();
    void exitQuestion();
    void closeRequestUnloadsWithoutQuestion();
    void delayWaitsOnTheClock_data();
    void delayWaitsOnTheClock();
    void delayHandlesAClickMeanwhile();
    void delayProcessesEventsAtLeastOnce_data();
    void delayProcessesEventsAtLeastOnce();
    void delayRejectsAnEndlessWait();
    void exitDuringDelayLetsTheWaitFinishFirst();
    void exitDuringDelayWaitsForABoxShownAfterTheWait();
};

void TestInkWriteExitDelay::exitQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("exits");
    QTest::newRow("Yes") << MessageBoxResult::Yes << true;
    QTest::newRow("No") << MessageBoxResult::No << false;
}

void TestInkWriteExitDelay::exitQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, exits);

    WindowFixture f;
    QVERIFY(f.show());
    QSignalSpy unloaded(f.form.get(), &InkWrite::Unloaded);
    f.messageBox.queueAnswer(answer);
    click(f.form->imgExit);

    QCOMPARE(f.messageBox.calls().size(), 1);
    const auto& call = f.messageBox.calls()[0];
    QCOMPARE(call.text, QString::fromUtf8("정말로 종료하시겠습니까 ?"));
    QCOMPARE(call.style, MessageBoxStyle::YesNo);
    QCOMPARE(call.parent, f.form.get());

    QCOMPARE(f.form->myInkCollector->Enabled(), !exits);
    QCOMPARE(f.form->isVisible(), !exits);
    QCOMPARE(f.form->isUnloaded(), exits);
    QCOMPARE(unloaded.size(), exits ? 1 : 0);
    // No leaves the window exactly as it was: ink mode, same paper.
    QCOMPARE(f.form->applicationMode(), int16_t(1));
    QCOMPARE(f.form->ImgPaper->geometry(), QRect(0, 90, 9405, 7410));
}

void TestInkWriteExitDelay::closeRequestUnloadsWithoutQuestion()
{
    WindowFixture f;
    QVERIFY(f.show());
    QSignalSpy unloaded(f.form.get(), &InkWrite::Unloaded);
    QVERIFY(f.form->close());
    QVERIFY(f.messageBox.calls().isEmpty());
    QVERIFY(!f.form->isVisible());
    QCOMPARE(unloaded.size(), 1);
    // A second request (or the exit button afterwards) ends nothing twice.
    f.form->close();
    QCOMPARE(unloaded.size(), 1);
}

void TestInkWriteExitDelay::delayWaitsOnTheClock_data()
{
    QTest::addColumn<float>("ms");
    QTest::newRow("50") << 50.0f;
    QTest::newRow("250") << 250.0f;
    QTest::newRow("fraction") << 20.4f;
}

void TestInkWriteExitDelay::delayWaitsOnTheClock()
{
    QFETCH(float, ms);
    WindowFixture f;
    float wait = ms;
    QElapsedTimer clock;
    clock.start();
    f.form->Delay(wait);
    const double took = clock.nsecsElapsed() / 1e6;
    QCOMPARE(wait, ms);  // Delay leaves its argument alone
    QVERIFY2(took >= ms, qPrintable(QString::number(took)));
    QVERIFY2(took < ms + 150, qPrintable(QString::number(took)));
}

void TestInkWriteExitDelay::delayHandlesAClickMeanwhile()
{
    WindowFixture f;
    QVERIFY(f.show());
    f.messageBox.queueAnswer(MessageBoxResult::No);
    QElapsedTimer clock;
    qint64 clickedAt = -1;
    QTimer::singleShot(30, f.form.get(), [&] {
        click(f.form->imgExit);
        clickedAt = clock.elapsed();
    });
    float wait = 300;
    clock.start();
    f.form->Delay(wait);
    QCOMPARE(f.messageBox.calls().size(), 1);  // the question was asked during the wait
    QVERIFY(clickedAt >= 0 && clickedAt < 300);
    QVERIFY(clock.elapsed() >= 300);
    QVERIFY(f.form->isVisible());
}

void TestInkWriteExitDelay::delayProcessesEventsAtLeastOnce_data()
{
    QTest::addColumn<float>("ms");
    QTest::newRow("zero") << 0.0f;
    QTest::newRow("negative") << -500.0f;
    QTest::newRow("tiny") << 0.001f;
}

void TestInkWriteExitDelay::delayProcessesEventsAtLeastOnce()
{
    QFETCH(float, ms);
    WindowFixture f;
    bool ran = false;
    QTimer::singleShot(0, f.form.get(), [&] { ran = true; });
    QElapsedTimer clock;
    clock.start();
    f.form->Delay(ms);
    QVERIFY(ran);
    QVERIFY(clock.elapsed() < 100);
}

void TestInkWriteExitDelay::delayRejectsAnEndlessWait()
{
    WindowFixture f;
    for (float ms : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        QVERIFY_THROWS_EXCEPTION(PlatformError, f.form->Delay(ms));
    }
    // The window is still fine afterwards.
    float again = 1;
    f.form->Delay(again);
}

// Yes to the exit question while a procedure waits in Delay: the wait runs to
// its end and the procedure finishes; only then does the program end.
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
        log << "procedure done";
        procedureEndedAt = clock.elapsed();
    });
    QTimer hang;  // a hang is a failure
    hang.setSingleShot(true);
    QObject::connect(&hang, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
    hang.start(5000);
    clock.start();
    const int status = QCoreApplication::exec();
    log << "loop ended";

    QCOMPARE(status, 0);
    QCOMPARE(log, QStringList({"wait", "unloaded", "inner done", "procedure done", "loop ended"}));
    QVERIFY2(procedureEndedAt >= 250, qPrintable(QString::number(procedureEndedAt)));
    QVERIFY(!f.form->isVisible());
    QVERIFY(!f.form->myInkCollector->Enabled());
}

// The procedure goes on after its wait and shows a modal box (as a save does
// when the conversion fails): the program ends after the box, not under it.
void TestInkWriteExitDelay::exitDuringDelayWaitsForABoxShownAfterTheWait()
{
    WindowFixture f;
    QVERIFY(f.show());
    f.messageBox.queueAnswer(MessageBoxResult::Yes);
    QObject::connect(f.form.get(), &InkWrite::Unloaded, qApp, [] { QCoreApplication::exit(0); });

    QStringList log;
    QTimer::singleShot(0, f.form.get(), [&] {
        QTimer::singleShot(20, f.form.get(), [&] { click(f.form->imgExit); });
        float wait = 80;
        f.form->Delay(wait);
        QDialog box;
        QTimer::singleShot(300, &box, &QDialog::accept);
        QElapsedTimer shown;
        shown.start();
        box.exec();
        log << (shown.elapsed() >= 300 ? "box answered" : "box cut short");
    });
    QTimer hang;
    hang.setSingleShot(true);
    QObject::connect(&hang, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
    hang.start(5000);
    const int status = QCoreApplication::exec();
    log << "loop ended";
    QCOMPARE(status, 0);
    QCOMPARE(log, QStringList({"box answered", "loop ended"}));
}

TAVRO_WINDOW_TEST_MAIN(TestInkWriteExitDelay)
#include "tst_inkwrite_exit_delay.moc"
