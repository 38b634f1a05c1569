// The collector's events: their order and arguments for the pen tip, the
// eraser end and the mouse; cancel; a disabled collector; no second stroke
// from the mouse events made from a pen; attribute copies; the input
// rectangle; the cursor.

#include "collector_recorder.h"
#include "paper_fixture.h"

#include <QTest>

#include <memory>

class TestInkCollector : public QObject {
    Q_OBJECT

    std::unique_ptr<PaperWindow> m_window;
    std::unique_ptr<InkCollector> m_collector;
    std::unique_ptr<QPointingDevice> m_pen{makeTabletDevice(QPointingDevice::PointerType::Pen, 7)};
    std::unique_ptr<QPointingDevice> m_eraser{makeTabletDevice(QPointingDevice::PointerType::Eraser, 8)};
    TestPaper* paper() { return m_window->paper; }
    InkDisp& ink() { return m_collector->Ink(); }

    void penStroke(QPointF from, QPointF to)
    {
        sendTablet(paper(), m_pen.get(), QEvent::TabletPress, from, 0.5);
        sendTablet(paper(), m_pen.get(), QEvent::TabletMove, to, 0.5);
        sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, to, 0);
    }

private slots:
    void init()
    {
        m_window = std::make_unique<PaperWindow>();
        m_collector = std::make_unique<InkCollector>();
        m_collector->SetWindow(paper());
        m_collector->SetEnabled(true);
    }
    void cleanup()
    {
        m_collector.reset();
        m_window.reset();
    }

    void eventOrder_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("pen tip") << "pen" << false;
        QTest::newRow("pen tip, cancelled") << "pen" << true;
        QTest::newRow("eraser end") << "eraser" << false;
        QTest::newRow("mouse") << "mouse" << false;
        QTest::newRow("mouse, cancelled") << "mouse" << true;
    }
    void eventOrder()
    {
        QFETCH(QString, device);
        QFETCH(bool, cancel);
        m_collector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        m_collector->SetEventInterest(InkCollectorEventInterest::NewPackets, true);
        CollectorRecorder events(*m_collector);
        events.onCursorDown = [&](const InkCursor&, const InkStrokeDisp& stroke) {
            QVERIFY(stroke.isInProgress() && m_collector->CollectingInk());
            // Not one of the ink's strokes yet, nor found by its queries.
            QVERIFY(ink().strokeCount() == 0 && ink().HitTestCircle(318, 265, 100).Count() == 0);
        };
        events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool& c) { c = cancel; };

        const std::vector<QPointF> points{{12, 10}, {36, 10}, {96, 48}};
        const bool mouse = device == "mouse";
        if (mouse) {
            mouseStroke(paper(), points);
        } else {
            const QPointingDevice* pen = device == "pen" ? m_pen.get() : m_eraser.get();
            QVERIFY(sendTablet(paper(), pen, QEvent::TabletPress, points[0], 0.5));
            QVERIFY(sendTablet(paper(), pen, QEvent::TabletMove, points[1], 0.75));
            QVERIFY(sendTablet(paper(), pen, QEvent::TabletMove, points[2], 1.0));
            QVERIFY(sendTablet(paper(), pen, QEvent::TabletRelease, points[2], 0.0));
        }
        QVERIFY(!m_collector->CollectingInk());
        QCOMPARE(paper()->mouseEvents + paper()->tabletEvents, 0);
        QCOMPARE(events.log, QStringList({"down", "packets 1", "packets 1", "packets 1", "stroke"}));
        // Ink units at 96 dpi (12 pixels are 317.5: halves go to even); pen
        // pressure out of 1024, the mouse always at half of it.
        const std::vector<int32_t> expected{318, 265, 512, 952, 265, mouse ? 512 : 768, 2540, 1270, mouse ? 512 : 1024};
        QCOMPARE(events.packetData, expected);
        const InkCursor::Kind kind = mouse ? InkCursor::Kind::Mouse
                                           : device == "pen" ? InkCursor::Kind::Pen : InkCursor::Kind::Eraser;
        for (size_t i = 0; i < events.strokes.size(); ++i) {
            QVERIFY(events.strokes[i] == events.strokes.front());
            QCOMPARE(events.cursors[i].kind, kind);
            QCOMPARE(events.cursors[i].Inverted, device == "eraser");
        }
        QCOMPARE(events.strokes.front().isDetached(), cancel);
        QCOMPARE(ink().strokeCount(), cancel ? 0 : 1);
        if (!cancel)
            QCOMPARE(ink().Strokes().Item(0).PacketCount(), 3);
    }

    // Merged moves turned a curve drawn with the mouse into a chord.
    void noInputIsMerged()
    {
        QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, true);
        QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, true);
        InkCollector collector;
        collector.SetWindow(paper());
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents));
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_CompressTabletEvents));
    }

    void disabledRaisesNothingAndLetsInputThrough()
    {
        m_collector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        m_collector->SetEnabled(false);
        CollectorRecorder events(*m_collector);
        mouseStroke(paper(), {{10, 10}, {30, 10}, {40, 10}});
        QCOMPARE(paper()->mouseEvents, 4);
        QVERIFY(!sendTablet(paper(), m_pen.get(), QEvent::TabletPress, {10, 10}, 0.5));
        QVERIFY(!sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, {10, 10}, 0));
        QCOMPARE(paper()->tabletEvents, 2);
        QVERIFY(events.log.isEmpty());
        QCOMPARE(ink().strokeCount(), 0);
    }

    void penMakesNoSecondStroke_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("penDevice");
        QTest::newRow("made by the window system") << int(Qt::MouseEventSynthesizedBySystem) << true;
        QTest::newRow("made by Qt") << int(Qt::MouseEventSynthesizedByQt) << true;
        QTest::newRow("pen device, no source") << int(Qt::MouseEventNotSynthesized) << true;
        QTest::newRow("system, core pointer") << int(Qt::MouseEventSynthesizedBySystem) << false;
    }
    void penMakesNoSecondStroke()
    {
        QFETCH(int, source);
        QFETCH(bool, penDevice);
        m_collector->SetEventInterest(InkCollectorEventInterest::Stroke, false);  // raised all the same
        CollectorRecorder events(*m_collector);
        const auto mouseSource = static_cast<Qt::MouseEventSource>(source);
        const QPointingDevice* from = penDevice ? m_pen.get() : QPointingDevice::primaryPointingDevice();
        auto mouse = [&](QEvent::Type type, QPointF at) { sendMouse(paper(), type, at, mouseSource, from); };
        // The pen's mouse events interleaved with its samples...
        sendTablet(paper(), m_pen.get(), QEvent::TabletPress, {10, 10}, 0.5);
        mouse(QEvent::MouseButtonPress, {10, 10});
        sendTablet(paper(), m_pen.get(), QEvent::TabletMove, {30, 10}, 0.5);
        mouse(QEvent::MouseMove, {30, 10});
        sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, {30, 10}, 0);
        // ...and trailing after them.
        mouse(QEvent::MouseButtonRelease, {30, 10});
        mouse(QEvent::MouseButtonPress, {30, 10});
        mouse(QEvent::MouseMove, {50, 10});
        mouse(QEvent::MouseButtonRelease, {50, 10});
        QCOMPARE(events.log, QStringList({"stroke"}));
        QCOMPARE(ink().strokeCount(), 1);
        QCOMPARE(ink().Strokes().Item(0).PacketCount(), 2);
    }

    void realMouseIsIgnoredWhileThePenDraws()
    {
        sendTablet(paper(), m_pen.get(), QEvent::TabletPress, {10, 10}, 0.5);
        mouseStroke(paper(), {{100, 100}, {120, 100}});
        sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, {10, 10}, 0);
        QCOMPARE(ink().strokeCount(), 1);
        QCOMPARE(ink().Strokes().Item(0).PacketCount(), 1);
    }

    void strokesKeepTheirOwnAttributes()
    {
        InkDrawingAttributes& defaults = m_collector->DefaultDrawingAttributes();
        defaults.SetColor(0x0000FF);
        penStroke({10, 10}, {30, 10});
        defaults.SetColor(0xFF0000);
        mouseStroke(paper(), {{10, 20}, {30, 20}});
        const InkStrokeDisp first = ink().Strokes().Item(0);
        QCOMPARE(first.DrawingAttributes().Color(), 0x0000FF);
        QCOMPARE(ink().Strokes().Item(1).DrawingAttributes().Color(), 0xFF0000);
        InkDrawingAttributes changed = first.DrawingAttributes();
        changed.SetWidth(5);
        InkStrokeDisp(first).SetDrawingAttributes(changed);
        QCOMPARE(defaults.Width(), 53.0f);
    }

    void inputRectangle_data()
    {
        QTest::addColumn<QPointF>("press");
        QTest::addColumn<bool>("collected");
        QTest::newRow("left of it") << QPointF(19.5, 30) << false;
        QTest::newRow("top left corner") << QPointF(20, 10) << true;
        QTest::newRow("bottom right pixel") << QPointF(120.5, 60.5) << true;
        QTest::newRow("right of it") << QPointF(121, 30) << false;
    }
    void inputRectangle()
    {
        QFETCH(QPointF, press);
        QFETCH(bool, collected);
        m_collector->SetWindowInputRectangle({10, 20, 60, 120});
        QVERIFY_THROWS_EXCEPTION(PlatformError, m_collector->SetWindowInputRectangle({10, 10, 5, 20}));
        QCOMPARE(m_collector->GetWindowInputRectangle(), (InkRectangle{10, 20, 60, 120}));
        mouseStroke(paper(), {press, press + QPointF(200, 200)});
        QCOMPARE(ink().strokeCount(), collected ? 1 : 0);
        QCOMPARE(paper()->mouseEvents, collected ? 0 : 3);
        QCOMPARE(sendTablet(paper(), m_pen.get(), QEvent::TabletPress, press, 0.5), collected);
        sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, press, 0);
        // All zeros: the whole paper again.
        m_collector->SetWindowInputRectangle({});
        mouseStroke(paper(), {{9000, 7000}, {9010, 7000}});
        QCOMPARE(ink().strokeCount(), collected ? 3 : 1);
    }

    void mouseCursor()
    {
        QPixmap picture(32, 32);
        picture.fill(Qt::red);
        m_collector->SetEnabled(false);
        m_collector->SetMouseIcon(QCursor(picture, 3, 29));
        m_collector->SetMousePointer(kMousePointerCustom);
        QCOMPARE(paper()->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(paper()->cursor().hotSpot(), QPoint(3, 29));
        QVERIFY_THROWS_EXCEPTION(PlatformError, m_collector->SetMousePointer(50));
        QCOMPARE(m_collector->MousePointer(), kMousePointerCustom);
        m_collector->SetMousePointer(kMousePointerCrosshair);
        QCOMPARE(paper()->cursor().shape(), Qt::CrossCursor);
    }

    void doubleClickStartsAStroke()
    {
        mouseStroke(paper(), {{10, 10}, {10, 10}});
        sendMouse(paper(), QEvent::MouseButtonDblClick, {10, 10});
        sendMouse(paper(), QEvent::MouseButtonRelease, {10, 10});
        QCOMPARE(ink().strokeCount(), 2);
    }
};

QTEST_MAIN(TestInkCollector)
#include "tst_ink_collector.moc"
