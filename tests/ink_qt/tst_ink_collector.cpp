// The collector's events: their order and arguments for the pen tip, the
// eraser end and the mouse; cancel; a disabled collector; no second stroke
// from the mouse events made from a pen.
// And handlers that do anything: delete strokes, run a nested event loop,
// disable or delete the collector.

#include "collector_recorder.h"
#include "paper_fixture.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <memory>

class TestInkCollector : public QObject {
    Q_OBJECT

    std::unique_ptr<PaperWindow> m_window;
    std::unique_ptr<InkCollector> m_collector;
    std::unique_ptr<QPointingDevice> m_pen{makeTabletDevice(QPointingDevice::PointerType::Pen, 7)};
    std::unique_ptr<QPointingDevice> m_eraser{makeTabletDevice(QPointingDevice::PointerType::Eraser, 8)};
    TestPaper* paper() { return m_window->paper; }
    InkDisp& ink() { return m_collector->Ink(); }

    // Runs act inside a nested event loop, as the window's Delay would.
    static void inNestedLoop(const std::function<void()>& act)
    {
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            act();
            loop.quit();
        });
        loop.exec();
    }

private slots:
    void init()
    {
        m_window = std::make_unique<PaperWindow>();
        m_collector = std::make_unique<InkCollector>();
        m_collector->SetWindow(paper());
        m_collector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        m_collector->SetEventInterest(InkCollectorEventInterest::NewPackets, true);
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
        QTest::newRow("eraser end, cancelled") << "eraser" << true;
        QTest::newRow("mouse") << "mouse" << false;
        QTest::newRow("mouse, cancelled") << "mouse" << true;
    }
    void eventOrder()
    {
        QFETCH(QString, device);
        QFETCH(bool, cancel);
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
            // The pen's tip in the middle of the pixels the mouse names.
            const QPointingDevice* pen = device == "pen" ? m_pen.get() : m_eraser.get();
            const QPointF middle(0.5, 0.5);
            QVERIFY(sendTablet(paper(), pen, QEvent::TabletPress, points[0] + middle, 0.5));
            QVERIFY(sendTablet(paper(), pen, QEvent::TabletMove, points[1] + middle, 0.75));
            QVERIFY(sendTablet(paper(), pen, QEvent::TabletMove, points[2] + middle, 1.0));
            QVERIFY(sendTablet(paper(), pen, QEvent::TabletRelease, points[2] + middle, 0.0));
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
        QTest::newRow("pen device, made by the system") << int(Qt::MouseEventSynthesizedBySystem) << true;
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
        QCOMPARE(events.log.count("stroke"), 1);
        QCOMPARE(ink().strokeCount(), 1);
        QCOMPARE(ink().Strokes().Item(0).PacketCount(), 2);

        // A real mouse is ignored while the pen draws.
        sendTablet(paper(), m_pen.get(), QEvent::TabletPress, {10, 10}, 0.5);
        mouseStroke(paper(), {{100, 100}, {120, 100}});
        sendTablet(paper(), m_pen.get(), QEvent::TabletRelease, {10, 10}, 0);
        QCOMPARE(ink().strokeCount(), 2);
        QCOMPARE(ink().Strokes().Item(1).PacketCount(), 1);
    }

    void doubleClickStartsAStroke()
    {
        mouseStroke(paper(), {{10, 10}, {10, 10}});
        sendMouse(paper(), QEvent::MouseButtonDblClick, {10, 10});
        sendMouse(paper(), QEvent::MouseButtonRelease, {10, 10});
        QCOMPARE(ink().strokeCount(), 2);
    }

    void handlersDeleteStrokesAndWait()
    {
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        mouseStroke(paper(), {{10, 20}, {30, 20}});
        CollectorRecorder events(*m_collector);
        // As the stroke eraser does from NewPackets, and a handler may from Stroke.
        events.onNewPackets = [&](const InkCursor&, const InkStrokeDisp&) {
            if (ink().strokeCount() > 0)
                ink().DeleteStroke(ink().Strokes().Item(0));
        };
        events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool&) { ink().DeleteStrokes(); };
        mouseStroke(paper(), {{10, 30}, {30, 30}, {50, 30}});
        QCOMPARE(ink().strokeCount(), 1);
        QVERIFY(ink().Strokes().Item(0) == events.strokes.back());

        // A wait in Stroke that collects another stroke meanwhile.
        events.onNewPackets = nullptr;
        int depth = 0;
        events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool&) {
            if (depth++ == 0)
                inNestedLoop([&] { mouseStroke(paper(), {{10, 50}, {60, 50}}); });
        };
        mouseStroke(paper(), {{10, 10}, {60, 10}});
        QCOMPARE(ink().strokeCount(), 3);
        for (const InkStrokeDisp& stroke : ink().Strokes())
            QVERIFY(!stroke.isInProgress());

        // A wait in CursorDown while the rest of the stroke arrives.
        events.onStroke = nullptr;
        events.log.clear();
        events.onCursorDown = [&](const InkCursor&, const InkStrokeDisp&) {
            inNestedLoop([&] {
                sendMouse(paper(), QEvent::MouseMove, {40, 10});
                sendMouse(paper(), QEvent::MouseButtonRelease, {40, 10});
            });
        };
        sendMouse(paper(), QEvent::MouseButtonPress, {10, 10});
        QCOMPARE(events.log, QStringList({"down", "packets 1", "stroke"}));
        QCOMPARE(ink().Strokes().Item(3).PacketCount(), 2);
        QVERIFY(!m_collector->CollectingInk());
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
        QVERIFY(ink().strokeCount() == 0 && events.strokes.front().isDetached());
        QCOMPARE(paper()->mouseEvents, 2);  // the rest went to the paper

        events.onCursorDown = events.onNewPackets = nullptr;
        m_collector->SetEnabled(true);
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        QCOMPARE(ink().strokeCount(), 1);
    }

    void handlerDeletesTheCollector_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("CursorDown") << "down";
        QTest::newRow("NewPackets") << "packets";
        QTest::newRow("Stroke") << "stroke";
    }
    void handlerDeletesTheCollector()
    {
        QFETCH(QString, when);
        CollectorRecorder events(*m_collector);
        auto goAway = [&](const InkCursor&, const InkStrokeDisp&) { m_collector.reset(); };
        if (when == "down")
            events.onCursorDown = goAway;
        if (when == "packets")
            events.onNewPackets = goAway;
        if (when == "stroke")
            events.onStroke = [&](const InkCursor& c, const InkStrokeDisp& s, bool&) { goAway(c, s); };
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        QVERIFY(!m_collector);
        QVERIFY(events.strokes.back().isDetached());
        // The paper is on its own again: no overlay left over it, input is its own.
        // (The overlay, a child of the paper, listens to the collector's ink:
        // left behind, it once touched the freed ink when the paper went.)
        QCOMPARE(paper()->findChildren<QWidget*>().size(), 0);
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        QVERIFY(paper()->mouseEvents >= 3);
    }

    void paperGoesAwayFirst()
    {
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        sendMouse(paper(), QEvent::MouseButtonPress, {10, 10});
        m_window.reset();
        QVERIFY(!m_collector->Window());
        m_collector->SetEnabled(false);
        QCOMPARE(ink().strokeCount(), 1);
    }
};

QTEST_MAIN(TestInkCollector)
#include "tst_ink_collector.moc"
