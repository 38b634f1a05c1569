// The window: its state after start-up, the frame and the paper, which
// control a click on the tool bar lands on (where the controls lie on the
// title picture is the artwork test's), the drag by the title picture.
// Leaving and waiting: the exit question or a close from the window system
// during a Delay, Delay's timing and liveness, the program's end after the
// procedure that waited. And the failures: at start-up the report and no
// window; later the report, and the program goes on.

#include "window_fixture.h"

#include "app/shell/layout.h"
#include "platform/ink/ink_collector.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>

#include <limits>

namespace {

// A message box whose first showing fails the way a platform call can.
struct FailingOnceMessageBox : MessageBoxService {
    QList<std::pair<QString, int>> calls;  // text, style
    int show(QWidget*, const QString& text, int style) override
    {
        calls.append({text, style});
        if (calls.size() == 1)
            throw PlatformError(PlatformErrorCode::InvalidState, "no screen for the question");
        return MessageBoxResult::No;
    }
};

// Uncaught failures are reported in box until the returned guard ends.
auto reportTo(MessageBoxService* box)
{
    qobject_cast<TavroApplication*>(qApp)->setErrorReporter(box);
    return qScopeGuard([] { qobject_cast<TavroApplication*>(qApp)->setErrorReporter(nullptr); });
}

}  // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void windowAfterLoad();
    void drag_data();
    void drag();
    void exitOrCloseDuringDelay_data();
    void exitOrCloseDuringDelay();
    void startupFailureShowsReportAndNoWindow();
    void failuresAreReportedAndTheWindowGoesOn();
};

void TestWindow::windowAfterLoad()
{
    WindowFixture f;
    QCOMPARE(f.form->applicationMode(), int16_t(1));
    InkCollector& collector = *f.form->myInkCollector;
    QVERIFY(collector.Enabled());
    QCOMPARE(collector.DefaultDrawingAttributes().Width(), 50.0f);
    // The middle pen's cursor.
    QVERIFY(collector.MouseIcon() == f.form->picPen2->mouseIcon());
    QVERIFY(f.form->ImgPaper->cursor() == f.form->picPen2->mouseIcon());
    QCOMPARE(collector.GetWindowInputRectangle(), (InkRectangle{0, 0, 7410, 9405}));
    QCOMPARE(f.form->ImgPaper->geometry(), QRect(0, 90, 9405, 7410));
    QVERIFY(f.form->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(f.form->pos(), QPoint(158, 115));

    // The paper is thousands of pixels large: it paints only what shows, and
    // it and the title picture cover the client area's background.
    PaintCounter paper(f.form->ImgPaper), background(f.form->clientArea);
    QVERIFY(f.show());
    // Resized from outside (another client, no window manager): it keeps its size.
    f.form->windowHandle()->resize(3000, 2000);
    QTRY_COMPARE(f.form->size(), QSize(627, 494));
    f.form->ImgPaper->update();
    QTRY_VERIFY(paper.paints >= 2);
    QVERIFY(QRect(0, 0, 621, 398).contains(paper.painted.boundingRect()));
    QCOMPARE(background.paints, 0);
    const QImage shot = f.form->grab().toImage();
    // A raised frame: light top and left, dark bottom and right, and the
    // paper's white meeting it exactly at the client area's edge.
    QCOMPARE(QColor(shot.pixel(10, 1)), QColor(Qt::white));
    QCOMPARE(QColor(shot.pixel(10, 493)), QColor(64, 64, 64));
    QCOMPARE(QColor(shot.pixel(625, 10)), QColor(128, 128, 128));
    QCOMPARE(QColor(shot.pixel(3, 300)), QColor(Qt::white));
    QCOMPARE(QColor(shot.pixel(623, 490)), QColor(Qt::white));

    // Which control lies on top where they overlap decides where a click goes.
    QWidget* bar = f.form->Picture1;
    for (const Layout::Control& c : Layout::kToolBarControls) {
        QWidget* control = c.index >= 0 ? f.form->labColor[c.index] : f.form->findChild<QWidget*>(c.name);
        QCOMPARE(bar->childAt(control->geometry().center()), control);
    }
    QCOMPARE(bar->childAt(QPoint(210, 62)), f.form->labColor[8]);  // over the thick pen
    QCOMPARE(bar->childAt(QPoint(27, 70)), nullptr);                // between swatches 0 and 1
    // The hidden picture boxes never take the paper's input.
    for (const QPoint at : {QPoint(390, 410), QPoint(590, 460)})
        QCOMPARE(f.form->clientArea->childAt(at), f.form->ImgPaper);
}

// Moving the window by its title picture. The offscreen platform refuses a
// system move, so the window must follow the pointer by hand; only the left
// button alone drags.
void TestWindow::drag_data()
{
    QTest::addColumn<int>("pressed");   // Qt::MouseButton of the press
    QTest::addColumn<int>("held");      // Qt::MouseButtons during the moves
    QTest::addColumn<bool>("drags");
    QTest::addColumn<bool>("onAButton");  // the middle pen's button, not a free part
    QTest::newRow("left alone") << int(Qt::LeftButton) << int(Qt::LeftButton) << true << false;
    QTest::newRow("right") << int(Qt::RightButton) << int(Qt::RightButton) << false << false;
    QTest::newRow("middle") << int(Qt::MiddleButton) << int(Qt::MiddleButton) << false << false;
    // Moves with the left button held after a press of the right one: the
    // drag starts only from a press of the left button alone.
    QTest::newRow("right, then the left") << int(Qt::RightButton) << int(Qt::LeftButton) << false << false;
    QTest::newRow("left and right") << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton) << false << false;
    QTest::newRow("left on a button") << int(Qt::LeftButton) << int(Qt::LeftButton) << false << true;
}

void TestWindow::drag()
{
    QFETCH(int, pressed);
    QFETCH(int, held);
    QFETCH(bool, drags);
    QFETCH(bool, onAButton);

    WindowFixture f;
    QVERIFY(f.show());
    QWidget* bar = onAButton ? static_cast<QWidget*>(f.form->Image2) : f.form->Picture1;
    const QPoint start = f.form->pos();
    const QPoint at = onAButton ? QPoint(10, 10) : QPoint(400, 35);  // else a free part of the bar
    const QPoint screenAt = bar->mapToGlobal(at);
    const auto button = Qt::MouseButton(pressed);
    const auto buttons = Qt::MouseButtons(held);

    sendMouse(bar, QEvent::MouseButtonPress, button, button, at, screenAt);
    // The pointer goes right and down in steps; the press point stays under it.
    for (const QPoint step : {QPoint(3, 2), QPoint(10, 7), QPoint(40, 25)}) {
        const QPoint screen = screenAt + step;
        sendMouse(bar, QEvent::MouseMove, Qt::NoButton, buttons, screen - bar->mapToGlobal(QPoint()), screen);
    }
    sendMouse(bar, QEvent::MouseButtonRelease, button, Qt::NoButton, at, screenAt + QPoint(40, 25));
    QCOMPARE(f.form->pos(), drags ? start + QPoint(40, 25) : start);

    // After the release, a move without a button leaves the window where it is.
    const QPoint now = f.form->pos();
    sendMouse(bar, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at, screenAt + QPoint(90, 90));
    QCOMPARE(f.form->pos(), now);
}

// The exit question, or a close from the window system, comes during a
// Delay, inside a nested one (as a second save would make): the waits go on
// to their time and keep the window alive, the request is handled at once;
// even a wait of nothing lets pending events run. The program ends only once
// the procedure that waited has finished, a box it shows after the wait
// included (as a save does when the conversion fails).
void TestWindow::exitOrCloseDuringDelay_data()
{
    QTest::addColumn<float>("ms");
    QTest::addColumn<int>("answer");  // 0: closed by the window system, no question
    QTest::newRow("No, in a wait of 200") << 200.0f << MessageBoxResult::No;
    QTest::newRow("Yes, in a wait of nothing") << -500.0f << MessageBoxResult::Yes;
    QTest::newRow("closed, in a wait of 200") << 200.0f << 0;
}

void TestWindow::exitOrCloseDuringDelay()
{
    QFETCH(float, ms);
    QFETCH(int, answer);
    const bool exits = answer != MessageBoxResult::No;
    WindowFixture f;
    QVERIFY(f.show());
    QSignalSpy unloaded(f.form.get(), &InkWrite::Unloaded);
    if (answer)
        f.messageBox.queueAnswer(answer);
    QElapsedTimer clock;
    qint64 handledAt = -1;
    qsizetype endedTooSoon = 0;
    QTimer::singleShot(ms > 100 ? 30 : 0, f.form.get(), [&] {
        answer ? click(f.form->imgExit) : void(f.form->close());
        handledAt = clock.elapsed();
        float inner = 20;
        f.form->Delay(inner);
        endedTooSoon += unloaded.size();
    });
    float wait = ms;
    clock.start();
    f.form->Delay(wait);
    QCOMPARE(wait, ms);  // left alone
    const double took = clock.nsecsElapsed() / 1e6;
    QVERIFY(handledAt >= 0 && handledAt < std::max(ms, 100.0f));  // at once, not at the end
    QVERIFY2(took >= ms && took < std::max(ms, 0.0f) + 150, qPrintable(QString::number(took)));
    QCOMPARE(f.messageBox.calls().size(), answer ? 1 : 0);
    if (answer) {
        const auto& call = f.messageBox.calls()[0];
        QCOMPARE(call.text, QString::fromUtf8("정말로 종료하시겠습니까 ?"));
        QCOMPARE(call.style, MessageBoxStyle::YesNo);
        QCOMPARE(call.parent, f.form.get());
        QCOMPARE(f.form->myInkCollector->Enabled(), !exits);
    }
    QCOMPARE(f.form->isVisible(), !exits);
    QCOMPARE(f.form->isUnloaded(), exits);
    QDialog box;
    QTimer::singleShot(30, &box, [&] {
        endedTooSoon += unloaded.size();
        box.accept();
    });
    box.exec();
    QCOMPARE(endedTooSoon, 0);
    // A second request ends nothing twice.
    f.form->close();
    QTRY_COMPARE(unloaded.size(), 1);
    QTest::qWait(20);
    QCOMPARE(unloaded.size(), 1);
    // An endless wait is refused.
    for (float endless : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
        QVERIFY_THROWS_EXCEPTION(PlatformError, f.form->Delay(endless));
}

void TestWindow::startupFailureShowsReportAndNoWindow()
{
    ScriptedMessageBoxService box;
    box.queueAnswer(MessageBoxResult::Ok);
    const int status = runPenWriter(box, []() -> std::unique_ptr<InkWrite> {
        throw PlatformError(PlatformErrorCode::InvalidState, "the ink platform is missing");
    });
    QCOMPARE(status, 1);
    QCOMPARE(box.calls().size(), 1);
    QCOMPARE(box.calls()[0].style, MessageBoxStyle::Information);
    QVERIFY(box.calls()[0].text.contains(QStringLiteral("the ink platform is missing")));
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY(!top->isVisible());
}

// A failure that no handler catches is reported once the failing event is
// done, naming it; another while that report is pending is logged only, one
// after it is reported in its turn; the program goes on as it was.
void TestWindow::failuresAreReportedAndTheWindowGoesOn()
{
    FailingOnceMessageBox box;
    const auto reporter = reportTo(&box);
    ScriptedCommonDialogFactory dialogs;
    Services services{box, dialogs, QString()};
    InkWrite form(services);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    for (const char* failure : {"no screen for the question", "the ink is gone", "the collector is gone"})
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("Uncaught failure: %1").arg(failure)));
    QTimer::singleShot(0, [] { throw std::runtime_error("the ink is gone"); });
    click(form.imgExit);
    QTRY_COMPARE(box.calls.size(), 2);
    QCOMPARE(box.calls[1].second, MessageBoxStyle::Information);
    QVERIFY(box.calls[1].first.contains("no screen for the question"));
    QVERIFY(box.calls[1].first.contains(QString::number(PlatformErrorCode::InvalidState)));

    QVERIFY(form.isVisible() && !form.isUnloaded());
    QVERIFY(form.myInkCollector->Enabled());
    click(form.imgExit);  // asks again
    QCOMPARE(box.calls.size(), 3);
    QCOMPARE(box.calls[2].second, MessageBoxStyle::YesNo);
    QTimer::singleShot(0, [] { throw PlatformError(PlatformErrorCode::InvalidState, "the collector is gone"); });
    QTRY_COMPARE(box.calls.size(), 4);
    QVERIFY(box.calls[3].first.contains("the collector is gone"));
    QVERIFY(form.isVisible());
}

TAVRO_WINDOW_TEST_MAIN(TestWindow)
#include "tst_window.moc"
