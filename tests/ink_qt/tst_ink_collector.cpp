// The collector's events: their order and arguments for the pen tip, the
// eraser end and the mouse; cancel; a disabled collector; no second stroke
// from the mouse events made from a pen; attribute copies; the input
// rectangle; the cursor.

#include "collector_recorder.h"
#include "paper_fixture.h"

#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(QPointingDevice::PointerType)

class TestInkCollector : public QObject {
    Q_OBJECT

    std::unique_ptr<PaperWindow> m_window;
    std::unique_ptr<InkCollector> m_collector;
    std::unique_ptr<QPointingDevice> m_pen;
    std::unique_ptr<QPointingDevice> m_eraser;
    TestPaper* paper() { return m_window->paper; }

    const QPointingDevice* device(QPointingDevice::PointerType type)
    {
        return type == QPointingDevice::PointerType::Eraser ? m_eraser.get() : m_pen.get();
    }

private slots:
    void initTestCase()
    {
        m_pen.reset(makeTabletDevice(QPointingDevice::PointerType::Pen, 7));
        m_eraser.reset(makeTabletDevice(QPointingDevice::PointerType::Eraser, 8));
    }
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

    void tabletEventOrder_data()
    {
        QTest::addColumn<QPointingDevice::PointerType>("type");
        QTest::addColumn<bool>("inverted");
        QTest::newRow("pen tip") << QPointingDevice::PointerType::Pen << false;
        QTest::newRow("eraser end") << QPointingDevice::PointerType::Eraser << true;
    }
    void tabletEventOrder()
    {
        QFETCH(QPointingDevice::PointerType, type);
        QFETCH(bool, inverted);
        m_collector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        m_collector->SetEventInterest(InkCollectorEventInterest::NewPackets, true);
        CollectorRecorder events(*m_collector);
        events.onCursorDown = [&](const InkCursor&, const InkStrokeDisp& stroke) {
            QVERIFY(stroke.isInProgress());
            QCOMPARE(m_collector->Ink().strokeCount(), 0);
            QVERIFY(m_collector->CollectingInk());
        };

        const QPointingDevice* pen = device(type);
        QVERIFY(sendTablet(paper(), pen, QEvent::TabletPress, {12, 10}, 0.5));
        QVERIFY(sendTablet(paper(), pen, QEvent::TabletMove, {36, 10}, 0.75));
        QVERIFY(sendTablet(paper(), pen, QEvent::TabletMove, {96, 48}, 1.0));
        QVERIFY(m_collector->CollectingInk());
        QVERIFY(sendTablet(paper(), pen, QEvent::TabletRelease, {96, 48}, 0.0));
        QVERIFY(!m_collector->CollectingInk());

        QCOMPARE(events.log, QStringList({"down", "packets 1", "packets 1", "packets 1", "stroke"}));
        const std::vector<int32_t> expected{318, 265, 512, 952, 265, 768, 2540, 1270, 1024};
        QCOMPARE(events.packetData, expected);
        for (const InkCursor& cursor : events.cursors) {
            QCOMPARE(cursor.Inverted, inverted);
            QCOMPARE(cursor.kind, inverted ? InkCursor::Kind::Eraser : InkCursor::Kind::Pen);
        }
        for (const InkStrokeDisp& stroke : events.strokes)
            QVERIFY(stroke == events.strokes.front());
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
        const InkStrokeDisp stroke = m_collector->Ink().Strokes().Item(0);
        QVERIFY(stroke == events.strokes.front());
        QCOMPARE(stroke.PacketCount(), 3);
        QCOMPARE(stroke.packets().back(), (InkPacket{2540, 1270, 1024}));
    }

    void mouseStrokes()
    {
        m_collector->SetEventInterest(InkCollectorEventInterest::NewPackets, true);
        CollectorRecorder events(*m_collector);
        mouseStroke(paper(), {{12, 10}, {36, 10}, {36, 20}});
        QCOMPARE(events.log, QStringList({"packets 1", "packets 1", "packets 1", "stroke"}));
        QCOMPARE(events.cursors.front().kind, InkCursor::Kind::Mouse);
        QVERIFY(!events.cursors.front().Inverted);
        QCOMPARE(events.packetData[2], kInkMousePressure);
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
        QCOMPARE(paper()->mouseEvents, 0);
    }

    void strokeIsRaisedWithoutInterest()
    {
        m_collector->SetEventInterest(InkCollectorEventInterest::Stroke, false);
        CollectorRecorder events(*m_collector);
        mouseStroke(paper(), {{12, 10}, {36, 10}});
        QCOMPARE(events.log, QStringList({"stroke"}));
        QVERIFY(m_collector->GetEventInterest(InkCollectorEventInterest::Stroke));
    }

    void cancelKeepsTheStrokeOut_data()
    {
        QTest::addColumn<bool>("pen");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("mouse, kept") << false << false;
        QTest::newRow("mouse, cancelled") << false << true;
        QTest::newRow("pen, kept") << true << false;
        QTest::newRow("pen, cancelled") << true << true;
    }
    void cancelKeepsTheStrokeOut()
    {
        QFETCH(bool, pen);
        QFETCH(bool, cancel);
        CollectorRecorder events(*m_collector);
        events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool& c) { c = cancel; };
        if (pen) {
            sendTablet(paper(), m_pen.get(), QEvent::TabletPress, {10, 10}, 0.5);
            sendTablet(paper(), m_pen.get(), QEvent::TabletMove, {30, 10}, 0.5);
            sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, {30, 10}, 0);
        } else {
            mouseStroke(paper(), {{10, 10}, {30, 10}});
        }
        QCOMPARE(m_collector->Ink().strokeCount(), cancel ? 0 : 1);
        QCOMPARE(events.strokes.back().isDetached(), cancel);
    }

    void eraserStrokeIsInvisibleAndDiscarded()
    {
        // The window's way with the eraser end.
        m_collector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        CollectorRecorder events(*m_collector);
        events.onCursorDown = [](const InkCursor& cursor, const InkStrokeDisp& stroke) {
            if (cursor.Inverted) {
                InkDrawingAttributes attributes = stroke.DrawingAttributes();
                attributes.SetTransparency(255);
                InkStrokeDisp(stroke).SetDrawingAttributes(attributes);
            }
        };
        events.onStroke = [](const InkCursor& cursor, const InkStrokeDisp&, bool& cancel) {
            cancel = cursor.Inverted;
        };
        sendTablet(paper(), m_eraser.get(), QEvent::TabletPress, {10, 10}, 0.5);
        sendTablet(paper(), m_eraser.get(), QEvent::TabletMove, {30, 10}, 0.5);
        sendTablet(paper(), m_eraser.get(), QEvent::TabletRelease, {30, 10}, 0);
        QCOMPARE(m_collector->Ink().strokeCount(), 0);
        QCOMPARE(m_collector->DefaultDrawingAttributes().Transparency(), 0);
    }

    void disabledRaisesNothingAndLetsInputThrough()
    {
        m_collector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        m_collector->SetEventInterest(InkCollectorEventInterest::NewPackets, true);
        m_collector->SetEnabled(false);
        CollectorRecorder events(*m_collector);
        mouseStroke(paper(), {{10, 10}, {30, 10}, {40, 10}});
        QCOMPARE(paper()->mouseEvents, 4);
        QVERIFY(!sendTablet(paper(), m_pen.get(), QEvent::TabletPress, {10, 10}, 0.5));
        QVERIFY(!sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, {10, 10}, 0));
        QCOMPARE(paper()->tabletEvents, 2);
        QVERIFY(events.log.isEmpty());
        QCOMPARE(m_collector->Ink().strokeCount(), 0);
    }

    void disableDuringAStrokeDropsIt_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("in CursorDown") << "down";
        QTest::newRow("in NewPackets") << "packets";
        QTest::newRow("between moves") << "between";
    }
    void disableDuringAStrokeDropsIt()
    {
        QFETCH(QString, when);
        m_collector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        m_collector->SetEventInterest(InkCollectorEventInterest::NewPackets, true);
        CollectorRecorder events(*m_collector);
        auto disable = [&](const InkCursor&, const InkStrokeDisp&) { m_collector->SetEnabled(false); };
        if (when == "down")
            events.onCursorDown = disable;
        if (when == "packets")
            events.onNewPackets = disable;
        sendMouse(paper(), QEvent::MouseButtonPress, {10, 10});
        if (when == "between")
            m_collector->SetEnabled(false);
        QVERIFY(!m_collector->CollectingInk());
        sendMouse(paper(), QEvent::MouseMove, {30, 10});
        sendMouse(paper(), QEvent::MouseButtonRelease, {30, 10});
        QVERIFY(!events.log.contains("stroke"));
        QCOMPARE(m_collector->Ink().strokeCount(), 0);
        QVERIFY(events.strokes.front().isDetached());
        QCOMPARE(paper()->mouseEvents, 2);  // the rest went to the paper

        events.onCursorDown = nullptr;
        events.onNewPackets = nullptr;
        m_collector->SetEnabled(true);
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
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
        CollectorRecorder events(*m_collector);
        const auto mouseSource = static_cast<Qt::MouseEventSource>(source);
        const QPointingDevice* from = penDevice ? m_pen.get() : QPointingDevice::primaryPointingDevice();
        sendTablet(paper(), m_pen.get(), QEvent::TabletPress, {10, 10}, 0.5);
        // The pen's mouse events interleaved with its samples...
        sendMouse(paper(), QEvent::MouseButtonPress, {10, 10}, mouseSource, from);
        sendTablet(paper(), m_pen.get(), QEvent::TabletMove, {30, 10}, 0.5);
        sendMouse(paper(), QEvent::MouseMove, {30, 10}, mouseSource, from);
        sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, {30, 10}, 0);
        // ...and trailing after them.
        sendMouse(paper(), QEvent::MouseButtonRelease, {30, 10}, mouseSource, from);
        sendMouse(paper(), QEvent::MouseButtonPress, {30, 10}, mouseSource, from);
        sendMouse(paper(), QEvent::MouseMove, {50, 10}, mouseSource, from);
        sendMouse(paper(), QEvent::MouseButtonRelease, {50, 10}, mouseSource, from);
        QCOMPARE(events.log, QStringList({"stroke"}));
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
        QCOMPARE(m_collector->Ink().Strokes().Item(0).PacketCount(), 2);
    }

    void realMouseIsIgnoredWhileThePenDraws()
    {
        sendTablet(paper(), m_pen.get(), QEvent::TabletPress, {10, 10}, 0.5);
        mouseStroke(paper(), {{100, 100}, {120, 100}});
        sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, {10, 10}, 0);
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
        QCOMPARE(m_collector->Ink().Strokes().Item(0).PacketCount(), 1);
    }

    void strokesKeepTheirOwnAttributes()
    {
        InkDrawingAttributes& defaults = m_collector->DefaultDrawingAttributes();
        defaults.SetColor(0x0000FF);
        defaults.SetWidth(100);
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        const InkStrokeDisp first = m_collector->Ink().Strokes().Item(0);
        defaults.SetColor(0xFF0000);
        defaults.SetWidth(200);
        QCOMPARE(first.DrawingAttributes().Color(), 0x0000FF);
        QCOMPARE(first.DrawingAttributes().Width(), 100.0f);

        mouseStroke(paper(), {{10, 20}, {30, 20}});
        const InkStrokeDisp second = m_collector->Ink().Strokes().Item(1);
        QCOMPARE(second.DrawingAttributes().Color(), 0xFF0000);
        InkDrawingAttributes changed = second.DrawingAttributes();
        changed.SetWidth(5);
        InkStrokeDisp(second).SetDrawingAttributes(changed);
        QCOMPARE(defaults.Width(), 200.0f);
    }

    void inputRectangle_data()
    {
        QTest::addColumn<QPointF>("press");
        QTest::addColumn<bool>("collected");
        QTest::newRow("left of it") << QPointF(19.5, 30) << false;
        QTest::newRow("top left corner") << QPointF(20, 10) << true;
        QTest::newRow("bottom right pixel") << QPointF(120.5, 60.5) << true;
        QTest::newRow("right of it") << QPointF(121, 30) << false;
        QTest::newRow("below it") << QPointF(50, 61) << false;
    }
    void inputRectangle()
    {
        QFETCH(QPointF, press);
        QFETCH(bool, collected);
        m_collector->SetWindowInputRectangle({10, 20, 60, 120});
        mouseStroke(paper(), {press, press + QPointF(200, 200)});
        QCOMPARE(m_collector->Ink().strokeCount(), collected ? 1 : 0);
        QCOMPARE(paper()->mouseEvents, collected ? 0 : 3);
        const bool accepted = sendTablet(paper(), m_pen.get(), QEvent::TabletPress, press, 0.5);
        QCOMPARE(accepted, collected);
    }

    void inputRectangleValues()
    {
        const InkRectangle window{0, 0, 7410, 9405};
        m_collector->SetWindowInputRectangle(window);
        QCOMPARE(m_collector->GetWindowInputRectangle(), window);
        QVERIFY_THROWS_EXCEPTION(PlatformError, m_collector->SetWindowInputRectangle({10, 10, 5, 20}));
        QCOMPARE(m_collector->GetWindowInputRectangle(), window);
        m_collector->SetWindowInputRectangle({});
        mouseStroke(paper(), {{9000, 7000}, {9010, 7000}});
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
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
        QCOMPARE(m_collector->MousePointer(), kMousePointerCustom);

        m_collector->SetMousePointer(kMousePointerDefault);
        QCOMPARE(paper()->cursor().shape(), Qt::ArrowCursor);
        QVERIFY_THROWS_EXCEPTION(PlatformError, m_collector->SetMousePointer(50));
        QCOMPARE(m_collector->MousePointer(), kMousePointerDefault);
        m_collector->SetMousePointer(kMousePointerCrosshair);
        QCOMPARE(paper()->cursor().shape(), Qt::CrossCursor);
    }

    void doubleClickStartsAStroke()
    {
        mouseStroke(paper(), {{10, 10}, {10, 10}});
        sendMouse(paper(), QEvent::MouseButtonDblClick, {10, 10});
        sendMouse(paper(), QEvent::MouseButtonRelease, {10, 10});
        QCOMPARE(m_collector->Ink().strokeCount(), 2);
    }
};

QTEST_MAIN(TestInkCollector)
#include "tst_ink_collector.moc"
