// The page at its limits, through the real input and output paths: a stroke
// of 100,000 packets and a page of 50,000 strokes drawn with the mouse, then
// shown, erased at, saved, undone and cleared; and the erasers used far
// outside the paper.

#include "output_fixture.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTemporaryDir>

class TestPageLimits : public QObject {
    Q_OBJECT
private slots:
    void bigPage_data();
    void bigPage();
    void erasingFarOutsideThePaper_data();
    void erasingFarOutsideThePaper();
};

namespace {

void moveWithButton(OutputWindow& w, QPoint at)
{
    sendMouse(w.form->ImgPaper, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at);
}

}  // namespace

void TestPageLimits::bigPage_data()
{
    QTest::addColumn<int>("strokes");
    QTest::addColumn<int>("moves");  // mouse moves a stroke
    QTest::newRow("one stroke of 100,000 packets") << 1 << 99999;
    QTest::newRow("50,000 strokes") << 50000 << 1;
}

// Everything the page offers still works on it, and in bounded time.
void TestPageLimits::bigPage()
{
    QFETCH(int, strokes);
    QFETCH(int, moves);
    QTemporaryDir dir;
    OutputWindow w;
    QVERIFY(w.show());
    QElapsedTimer clock;
    clock.start();
    // Rows 150 to 349 of the paper, 40 pixels long; the big stroke zigzags
    // over the same area. Row 100 stays clear.
    for (int s = 0; s < strokes; ++s) {
        const QPoint start(20 + (s / 200) % 500, 150 + s % 200);
        sendMouse(w.form->ImgPaper, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
        for (int m = 1; m <= moves; ++m)
            moveWithButton(w, start + QPoint(moves == 1 ? 40 : (m / 200) % 500, moves == 1 ? 0 : m % 200));
        sendMouse(w.form->ImgPaper, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton,
                  start + QPoint(40, 0));
    }
    qInfo("drawn in %lld ms", clock.restart());
    QCOMPARE(w.strokeCount(), strokes);
    QVERIFY(w.form->myInkCollector->Ink().Strokes().Item(0).PacketCount() >= moves + 1);

    for (int mode : {2, 3, 4}) {
        w.form->UpdateApplicationMode(int16_t(mode));
        moveWithButton(w, QPoint(600, 380));  // clear of the ink: nothing goes
        QCOMPARE(w.strokeCount(), strokes);
    }
    w.form->Ink();
    qInfo("erase modes in %lld ms", clock.restart());

    w.drawRow(100);
    w.dialogs.queueFileName(dir.filePath("page"));
    w.save();
    const QImage page(dir.filePath("page.jpg"));
    QVERIFY(showsRow(page, 100));
    QVERIFY(qGray(page.pixel(pageAt(QPoint(30, 250)))) < 128);
    click(w.form->Image4);
    QCOMPARE(w.strokeCount(), strokes);
    w.messageBox.queueAnswer(MessageBoxResult::Yes);
    click(w.form->imgNew);
    QCOMPARE(w.strokeCount(), 0);
    qInfo("saved, undone and cleared in %lld ms", clock.elapsed());
    QCOMPARE(w.messageBox.calls().size(), 1);  // the question only
}

void TestPageLimits::erasingFarOutsideThePaper_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QPoint>("at");
    for (int mode : {2, 3, 4}) {
        const QByteArray name = QByteArray::number(mode) + ": ";
        QTest::newRow(name + "far left and above") << mode << QPoint(-30000, -30000);
        QTest::newRow(name + "far right and below") << mode << QPoint(30000, 30000);
        QTest::newRow(name + "a million pixels out") << mode << QPoint(1000000, -1000000);
    }
    // No pointer gets there; were one to, the conversion's failure is reported.
    QTest::newRow("4: past the 32-bit ink space") << 4 << QPoint(100000000, 0);
}

// Nothing is erased, nothing is reported, and the eraser still works after.
// (Past the 32-bit ink space the error report, and the same.)
void TestPageLimits::erasingFarOutsideThePaper()
{
    QFETCH(int, mode);
    QFETCH(QPoint, at);
    OutputWindow w;
    QVERIFY(w.show());
    auto* app = qobject_cast<TavroApplication*>(qApp);
    app->setErrorReporter(&w.messageBox);
    const auto unset = qScopeGuard([app] { app->setErrorReporter(nullptr); });
    w.drawRow(100);  // straight and crossed by nothing: every eraser takes it whole
    w.form->UpdateApplicationMode(int16_t(mode));
    const bool reported = at.x() == 100000000;
    if (reported)
        w.messageBox.queueAnswer(MessageBoxResult::Ok);
    moveWithButton(w, at);
    QTest::qWait(0);
    QCOMPARE(w.strokeCount(), 1);
    QCOMPARE(w.messageBox.calls().size(), reported ? 1 : 0);
    if (reported)
        QVERIFY(w.messageBox.calls()[0].text.startsWith(QString::fromUtf8("실행 중 오류가 났습니다 (오류 ")));
    moveWithButton(w, QPoint(200, 100));
    QCOMPARE(w.strokeCount(), 0);
}

TAVRO_WINDOW_TEST_MAIN(TestPageLimits)
#include "tst_page_limits.moc"
