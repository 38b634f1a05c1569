// A new page: the question, what Yes and No change, the page counter at its
// limit and a stroke being drawn meanwhile.

#include "output_fixture.h"

#include "app/output/save_page.h"

#include <QScreen>

class TestNewPage : public QObject {
    Q_OBJECT
private slots:
    void answer_data();
    void answer();
    void counterStopsAtItsLimit_data();
    void counterStopsAtItsLimit();
    void strokeBeingDrawnIsKept();
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

void TestNewPage::answer_data()
{
    QTest::addColumn<int>("reply");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("Yes") << MessageBoxResult::Yes << true;
    QTest::newRow("No") << MessageBoxResult::No << false;
}

void TestNewPage::answer()
{
    QFETCH(int, reply);
    QFETCH(bool, cleared);
    OutputWindow w;
    QVERIFY(w.show());
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
    QCOMPARE(w.form->goCount, int16_t(cleared ? 1 : 0));
    // The window is refreshed at once, before any event is processed.
    QCOMPARE(darkPixelsOfPaper(*w.form) == 0, cleared);
}

void TestNewPage::counterStopsAtItsLimit_data()
{
    QTest::addColumn<int>("before");
    QTest::newRow("one below") << 32766;
    QTest::newRow("at the limit") << 32767;
}

void TestNewPage::counterStopsAtItsLimit()
{
    QFETCH(int, before);
    OutputWindow w;
    QVERIFY(w.show());
    w.form->goCount = int16_t(before);
    w.drawRow(100);
    w.messageBox.queueAnswer(MessageBoxResult::Yes);
    click(w.form->imgNew);
    // Still a new page: the ink goes and the page counts as empty.
    QCOMPARE(w.form->goCount, int16_t(32767));
    QCOMPARE(w.strokeCount(), 0);
    QCOMPARE(w.form->dataPresent(), int16_t(0));
}

// A new page confirmed while the pen is down deletes nothing, but the page
// still counts as new.
void TestNewPage::strokeBeingDrawnIsKept()
{
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(100);
    sendMouse(w.form->ImgPaper, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(100, 200));
    sendMouse(w.form->ImgPaper, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(200, 200));
    QVERIFY(w.form->myInkCollector->CollectingInk());

    w.form->Clear();
    QCOMPARE(w.strokeCount(), 1);

    w.messageBox.queueAnswer(MessageBoxResult::Yes);
    click(w.form->imgNew);
    QCOMPARE(w.strokeCount(), 1);
    QCOMPARE(w.form->goCount, int16_t(1));
    QCOMPARE(w.form->dataPresent(), int16_t(0));

    sendMouse(w.form->ImgPaper, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(300, 200));
    QCOMPARE(w.strokeCount(), 2);
}

TAVRO_WINDOW_TEST_MAIN(TestNewPage)
#include "tst_new_page.moc"
