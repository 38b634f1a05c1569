// The window right after start-up: its state, the collector's settings, the
// paper's placement and what gets painted.

#include "window_fixture.h"

#include "platform/ink/ink_collector.h"

class TestInkWriteStartup : public QObject {
    Q_OBJECT
private slots:
    void stateAfterLoad();
    void windowAndPaperPlacement();
    void startupFailureShowsReportAndNoWindow();
};

void TestInkWriteStartup::stateAfterLoad()
{
    WindowFixture f;
    QCOMPARE(f.form->applicationMode(), int16_t(1));
    QCOMPARE(f.form->dataPresent(), int16_t(0));
    QVERIFY(f.messageBox.calls().isEmpty());

    InkCollector& collector = *f.form->myInkCollector;
    QVERIFY(collector.Enabled());
    QCOMPARE(collector.DefaultDrawingAttributes().Width(), 50.0f);
    // The middle pen's cursor.
    QVERIFY(collector.MouseIcon() == f.form->picPen2->mouseIcon());
    QVERIFY(f.form->ImgPaper->cursor() == f.form->picPen2->mouseIcon());
    const InkRectangle expected{0, 0, 7410, 9405};  // Top, Left, Bottom, Right
    QCOMPARE(collector.GetWindowInputRectangle(), expected);
}

void TestInkWriteStartup::windowAndPaperPlacement()
{
    WindowFixture f;
    QVERIFY(f.form->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(f.form->minimumSize(), QSize(627, 494));
    QCOMPARE(f.form->maximumSize(), QSize(627, 494));
    QCOMPARE(f.form->pos(), QPoint(158, 115));
    QCOMPARE(f.form->clientArea->geometry(), QRect(3, 3, 621, 488));

    // The paper is thousands of pixels large: it paints only what shows, and
    // it and the title picture cover the client area's background.
    PaintCounter paper(f.form->ImgPaper), background(f.form->clientArea);
    QVERIFY(f.show());
    f.form->ImgPaper->update();
    QTRY_VERIFY(paper.paints >= 2);
    QVERIFY(QRect(0, 0, 621, 398).contains(paper.painted.boundingRect()));
    QCOMPARE(background.paints, 0);
    QCOMPARE(f.form->ImgPaper->visibleRegion().boundingRect(), QRect(0, 0, 621, 398));
    const QImage shot = f.form->grab().toImage();
    // A raised frame: light top and left, dark bottom and right, and the
    // paper's white meeting it exactly at the client area's edge.
    QCOMPARE(QColor(shot.pixel(10, 1)), QColor(Qt::white));
    QCOMPARE(QColor(shot.pixel(10, 493)), QColor(64, 64, 64));
    QCOMPARE(QColor(shot.pixel(625, 10)), QColor(128, 128, 128));
    QCOMPARE(QColor(shot.pixel(3, 300)), QColor(Qt::white));
    QCOMPARE(QColor(shot.pixel(623, 490)), QColor(Qt::white));
}

void TestInkWriteStartup::startupFailureShowsReportAndNoWindow()
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

TAVRO_WINDOW_TEST_MAIN(TestInkWriteStartup)
#include "tst_inkwrite_startup.moc"
