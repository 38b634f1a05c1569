// Input on the paper: the pen's eraser end in ink mode, the mouse in each
// mode, the repaint rules, DataPresent, and the undo button.

#include "ink_fixture.h"

#include "app/ink/ink_settings.h"

class TestPaperInput : public QObject {
    Q_OBJECT
private slots:
    void dataPresentAcrossTouchModeAndUndo();
    void eraserEndLeavesNoInk();
    void mouseByMode_data();
    void mouseByMode();
    void undo();
};

void TestPaperInput::dataPresentAcrossTouchModeAndUndo()
{
    InkFixture f;
    QVERIFY(f.show());
    QCOMPARE(f.form->dataPresent(), InkSettings::kNoData);
    f.drag({QPoint(20, 20), QPoint(60, 20)});
    QCOMPARE(f.form->dataPresent(), InkSettings::kDataPresent);
    click(f.form->labColor[3]);
    QCOMPARE(f.form->dataPresent(), InkSettings::kNoData);
    // The eraser end's stroke is thrown away, yet the touch counts.
    f.penStroke(true, {QPoint(300, 300), QPoint(310, 300)});
    QCOMPARE(f.form->dataPresent(), InkSettings::kDataPresent);
    f.form->StrokeErase();
    QCOMPARE(f.form->dataPresent(), InkSettings::kNoData);
    // With the collector off, a drag on the paper is no touch.
    f.drag({QPoint(400, 300), QPoint(410, 300)});
    QCOMPARE(f.form->dataPresent(), InkSettings::kNoData);
    // The undo button takes the drag's stroke, in an erase mode that stays.
    click(f.form->Image4);
    QCOMPARE(f.form->dataPresent(), InkSettings::kDataPresent);
    QVERIFY(f.ink().strokeCount() == 0 && f.form->applicationMode() == InkSettings::kModeStrokeErase);
    QVERIFY(!f.collector().Enabled() && f.collector().MouseIcon() == f.form->picPen4->mouseIcon());
    QVERIFY(f.messageBox.calls().isEmpty());
}

void TestPaperInput::eraserEndLeavesNoInk()
{
    InkFixture f;
    QVERIFY(f.show());
    const InkStrokeDisp crossed = f.addStroke({QPoint(200, 100), QPoint(200, 300)});
    const InkStrokeDisp aside = f.addStroke({QPoint(500, 100), QPoint(500, 300)});
    QList<int> transparencies;
    QObject::connect(&f.collector(), &InkCollector::NewPackets,
                     [&](const InkCursor&, const InkStrokeDisp& s, int32_t, const std::vector<int32_t>&) {
                         transparencies << s.DrawingAttributes().Transparency();
                     });
    PaintCounter paints(f.paper());

    f.tablet(true, QEvent::TabletPress, QPoint(100, 200));
    f.tablet(true, QEvent::TabletMove, QPoint(150, 200));
    QVERIFY(!crossed.isDetached());
    QCoreApplication::processEvents();
    const int before = paints.paints;
    // One fast move jumps right over the stroke.
    f.tablet(true, QEvent::TabletMove, QPoint(260, 200));
    QVERIFY(crossed.isDetached());
    QCOMPARE(paints.paints, before);  // not at once while the stroke is collected ...
    QTRY_VERIFY(paints.painted.contains(QRect(198, 100, 5, 201)));  // ... but soon, where it was
    QVERIFY(f.collector().CollectingInk());
    f.tablet(true, QEvent::TabletRelease, QPoint(260, 200));

    QCOMPARE(f.ink().strokeCount(), 1);
    QCOMPARE(f.ink().Strokes().Item(0), aside);
    QVERIFY(!transparencies.isEmpty());
    for (int t : transparencies)
        QCOMPARE(t, 255);
    QCOMPARE(f.collector().DefaultDrawingAttributes().Transparency(), 0);  // the pen's ink stays visible
    const QImage shot = f.shot();
    QCOMPARE(QColor(shot.pixel(200, 200)), QColor(Qt::white));
    QCOMPARE(QColor(shot.pixel(120, 200)), QColor(Qt::white));  // no trace of the eraser
    // A new stroke starts afresh: nothing erased between the last one's end
    // and its start.
    f.penStroke(true, {QPoint(560, 200), QPoint(570, 200)});
    QCOMPARE(f.ink().strokeCount(), 1);
    QVERIFY(f.messageBox.calls().isEmpty());
}

// A V-shaped stroke (one inner cusp at its tip) crossed by nothing, and the
// mouse dragged over its first arm.
void TestPaperInput::mouseByMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("left");  // strokes on the page afterwards
    QTest::newRow("ink: the drag draws") << 1 << 2;
    QTest::newRow("cusp erase: one arm goes") << 2 << 1;
    QTest::newRow("stroke erase: all goes") << 4 << 0;
    QTest::newRow("5: no eraser") << 5 << 1;
}

void TestPaperInput::mouseByMode()
{
    QFETCH(int, mode);
    QFETCH(int, left);
    InkFixture f;
    QVERIFY(f.show());
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    const InkStrokeDisp vee = f.addStroke({QPoint(100, 100), QPoint(200, 300), QPoint(300, 100)});
    QCOMPARE(vee.PolylineCusps().size(), size_t(3));
    f.form->UpdateApplicationMode(int16_t(mode));
    f.form->Image1->setFocus();

    // Moves without a button erase nothing, in any mode, but take the focus.
    sendMouse(f.paper(), QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(150, 200));
    QCOMPARE(f.ink().strokeCount(), 1);
    QVERIFY(f.paper()->hasFocus());

    f.form->Image1->setFocus();
    QVERIFY(!f.paper()->hasFocus());
    f.drag({QPoint(140, 180), QPoint(150, 200), QPoint(151, 202)});
    QCOMPARE(f.ink().strokeCount(), left);
    // In ink mode the collector takes the drag; the paper sees no move.
    QCOMPARE(f.paper()->hasFocus(), mode != 1);
    QVERIFY(f.messageBox.calls().isEmpty());
}

void TestPaperInput::undo()
{
    InkFixture f;
    QVERIFY(f.show());
    click(f.form->Image4);  // an empty page: nothing, silently
    const InkStrokeDisp b = f.addStroke({QPoint(10, 30), QPoint(20, 30)});
    const InkStrokeDisp c = f.addStroke({QPoint(10, 50), QPoint(20, 50)});
    PaintCounter paints(f.paper());
    click(f.form->Image4);
    QVERIFY(c.isDetached());
    QVERIFY(!b.isDetached());
    QCOMPARE(paints.paints, 1);
    click(f.form->Image4);
    click(f.form->Image4);
    QCOMPARE(f.ink().strokeCount(), 0);
    QCOMPARE(paints.paints, 3);  // every click refreshes
    QVERIFY(f.messageBox.calls().isEmpty());
}

TAVRO_WINDOW_TEST_MAIN(TestPaperInput)
#include "tst_paper_input.moc"
