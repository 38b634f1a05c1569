// A new page: the question, what Yes and No change, the page counter at its
// limit, and a new page or a mode change while a stroke is being drawn.

#include "output_fixture.h"

#include <QScreen>

class TestNewPage : public QObject {
    Q_OBJECT
private slots:
    void answer_data();
    void answer();
    void whileAStrokeIsDrawn_data();
    void whileAStrokeIsDrawn();
};

namespace {
// What the window shows of the paper now: its backing store, as last
// painted, not a fresh rendering.
int darkPixelsOfPaper(InkWrite& form)
{
    const QImage paper = form.screen()->grabWindow(form.winId(), 3, 93, 621, 398).toImage();
    if (paper.size() != QSize(621, 398))
        return -1;
    int dark = 0;
    for (int y = 0; y < paper.height(); ++y)
        for (int x = 0; x < paper.width(); ++x)
            dark += qGray(paper.pixel(x, y)) < 128;
    return dark;
}
}  // namespace

// goCount is 16-bit: at its limit it stays, and a new page still clears.
void TestNewPage::answer_data()
{
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("Yes") << MessageBoxResult::Yes << 0 << 1;
    QTest::newRow("No") << MessageBoxResult::No << 0 << 0;
    QTest::newRow("one below the limit") << MessageBoxResult::Yes << 32766 << 32767;
    QTest::newRow("at the limit") << MessageBoxResult::Yes << 32767 << 32767;
}

void TestNewPage::answer()
{
    QFETCH(int, reply);
    QFETCH(int, before);
    QFETCH(int, after);
    const bool cleared = reply == MessageBoxResult::Yes;
    OutputWindow w;
    QVERIFY(w.show());
    w.form->goCount = int16_t(before);
    w.drawRow(100);
    w.drawRow(200);
    QTRY_VERIFY(darkPixelsOfPaper(*w.form) > 0);
    w.messageBox.queueAnswer(reply);
    click(w.form->imgNew);

    QCOMPARE(w.messageBox.calls().size(), 1);
    QCOMPARE(w.messageBox.calls()[0].text, QString::fromUtf8("화면을 지우시겠습니까 ?"));
    QCOMPARE(w.messageBox.calls()[0].style, MessageBoxStyle::YesNo);
    QCOMPARE(w.strokeCount(), cleared ? 0 : 2);
    QCOMPARE(w.form->dataPresent(), int16_t(cleared ? 0 : -1));
    QCOMPARE(w.form->goCount, int16_t(after));
    // The window is refreshed at once, before any event is processed.
    QCOMPARE(darkPixelsOfPaper(*w.form) == 0, cleared);
}

// A new page confirmed while the pen is down deletes nothing, and the stroke
// joins the ink when the pen lifts; the page still counts as new. A mode
// applied meanwhile (as a program driving the window may) switches the
// collector off: the stroke being drawn is dropped, the rest of the page
// stays, and the rest of the drag erases in the new mode.
void TestNewPage::whileAStrokeIsDrawn_data()
{
    QTest::addColumn<int>("mode");  // 0: a new page instead
    QTest::addColumn<int>("strokes");  // after the pen lifts
    QTest::addColumn<int>("pageCount");
    QTest::newRow("new page") << 0 << 2 << 1;
    QTest::newRow("stroke erase") << 4 << 1 << 0;
}

void TestNewPage::whileAStrokeIsDrawn()
{
    QFETCH(int, mode);
    QFETCH(int, strokes);
    QFETCH(int, pageCount);
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(100);
    sendMouse(w.form->ImgPaper, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(100, 200));
    sendMouse(w.form->ImgPaper, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(200, 200));
    QVERIFY(w.form->myInkCollector->CollectingInk());

    if (mode == 0) {
        w.form->Clear();
        QCOMPARE(w.strokeCount(), 1);
        w.messageBox.queueAnswer(MessageBoxResult::Yes);
        click(w.form->imgNew);
        QCOMPARE(w.strokeCount(), 1);
    } else {
        w.form->UpdateApplicationMode(int16_t(mode));
        QVERIFY(!w.form->myInkCollector->CollectingInk());
    }
    QCOMPARE(w.form->dataPresent(), int16_t(0));
    sendMouse(w.form->ImgPaper, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(250, 200));
    sendMouse(w.form->ImgPaper, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(300, 200));
    QCOMPARE(w.strokeCount(), strokes);
    QCOMPARE(w.form->goCount, int16_t(pageCount));
    // The paper shows what the ink holds: no trace of a dropped stroke.
    w.form->Ink();
    w.save();
    QCOMPARE(w.dialogs.shown().size(), 0);  // the page counts as unchanged
    const QImage shown = w.form->Picture2->picture().toImage();
    QVERIFY(showsRow(shown, 100));
    QCOMPARE(showsRow(shown, 200), mode == 0);
    QCOMPARE(blankRow(shown, 200), mode != 0);
    QCOMPARE(w.messageBox.calls().size(), mode == 0 ? 1 : 0);
}

TAVRO_WINDOW_TEST_MAIN(TestNewPage)
#include "tst_new_page.moc"
