// The collector's events for sequences of pen, mouse and touch input: their
// order, cursors, packets and pressures, cancel, no second stroke from the
// mouse events made from a pen; a disabled collector; palm rejection.
// And handlers that do anything: delete strokes, run a nested event loop,
// disable or delete the collector.

#include "collector_recorder.h"
#include "paper_fixture.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <algorithm>
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
        m_window->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window->window));
    }
    void cleanup()
    {
        m_collector.reset();
        m_window.reset();
    }

    // Plays input steps separated by ";", each "<source> <action> [x y [pressure]]":
    // pen and eraser (a tablet: down, move, up; near and far for proximity),
    // mouse (rmouse: its right button), sysmouse (made by the system from
    // the core pointer), penmouse and penmouse-raw (the pen's own, marked as
    // made or not), finger1 and finger2 (a touch screen, through Qt's own
    // touch handling), "wait ms", "off" and "rect left top right bottom"
    // (the input rectangle, in pixels).
    void play(const QString& script)
    {
        static const QStringList actions{"down", "move", "up", "near", "far", "dbl"};
        static const QEvent::Type tablet[] = {QEvent::TabletPress, QEvent::TabletMove, QEvent::TabletRelease,
                                              QEvent::TabletEnterProximity, QEvent::TabletLeaveProximity};
        static const QEvent::Type mouse[] = {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease,
                                             QEvent::None, QEvent::None, QEvent::MouseButtonDblClick};
        static QPointingDevice* const touchScreen = QTest::createTouchDevice();
        auto touches = QTest::touchEvent(&m_window->window, touchScreen, false);
        for (const QString& step : script.split(';')) {
            const QStringList w = step.split(' ', Qt::SkipEmptyParts);
            const QString source = w.value(0);
            const int action = actions.indexOf(w.value(1));
            QVERIFY(action >= 0 || source == "wait" || source == "off" || source == "rect");
            const QPoint at(w.value(2).toInt(), w.value(3).toInt());
            if (source == "wait") {
                m_collector->advanceClock(w.value(1).toInt());
            } else if (source == "rect") {
                m_collector->SetWindowInputRectangle({w[2].toInt(), w[1].toInt(), w[4].toInt(), w[3].toInt()});
            } else if (source == "off") {
                m_collector->SetEnabled(false);
            } else if (source.startsWith("finger")) {
                const int id = source.back().digitValue();
                (action == 0 ? touches.press(id, at, paper())
                             : action == 1 ? touches.move(id, at, paper()) : touches.release(id, at, paper()))
                    .commit();
            } else if (source == "pen" || source == "eraser") {
                // The pen's tip in the middle of the pixel the mouse would name.
                sendTablet(paper(), source == "pen" ? m_pen.get() : m_eraser.get(), tablet[action],
                           QPointF(at) + QPointF(0.5, 0.5), w.value(4).toDouble());
            } else {
                const bool made = source == "sysmouse" || source == "penmouse";
                const Qt::MouseButton button = source == "rmouse" ? Qt::RightButton : Qt::LeftButton;
                sendMouse(paper(), mouse[action], action == 1 ? Qt::NoButton : button, action == 2 ? Qt::NoButton : button,
                          at, std::nullopt, made ? Qt::MouseEventSynthesizedBySystem : Qt::MouseEventNotSynthesized,
                          source.startsWith("penmouse") ? m_pen.get() : QPointingDevice::primaryPointingDevice());
            }
        }
    }

    // What the collector raised for a script, one word an event: the cursor's
    // kind at CursorDown, each packet's pressure, and "stroke" or "cancelled"
    // for a stroke kept in the ink or not; then how many events went on to the
    // paper, if any; after a "|", the packets' positions.
    void sequences_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("raised");
        auto row = [](const char* n, const QString& in, const char* out) { QTest::newRow(n) << in << QString(out); };
        // Ink units at 96 dpi (12 pixels are 317.5: halves go to even); pen
        // pressure out of 1024 (a driver's 1.5 is 1), the mouse always at half
        // of it. A pen lifts off a pixel away from its last sample, at its
        // last pressure.
        row("pen tip", "pen down 12 10 .5; pen move 36 10 .75; pen move 96 48 1.5; pen up 97 49 0",
            "pen 512 768 1024 1024 stroke | 318 265 952 265 2540 1270 2566 1296");
        row("mouse", "mouse down 12 10; mouse move 36 10; mouse move 96 48; mouse up 96 48",
            "mouse 512 512 512 stroke | 318 265 952 265 2540 1270");
        row("eraser end", "eraser down 12 10 .5; eraser move 36 10 .75; eraser up 36 10", "eraser 512 768 cancelled");
        row("disabled", "off; mouse down 10 9; mouse move 30 9; mouse up 40 9; pen down 10 9 .5; pen up 10 9", "5");
        row("double click", "mouse down 10 9; mouse up 10 9; mouse dbl 10 9; mouse up 10 9",
            "mouse 512 stroke mouse 512 stroke");
        row("second press mid-stroke", "pen down 10 9 .5; pen down 40 9 .5; eraser down 40 9 .5; pen move 20 9 .5; "
            "pen up 20 9", "pen 512 512 stroke");
        row("right button", "rmouse down 10 9; rmouse move 30 9; rmouse up 30 9", "");
        row("input rectangle", "rect 0 0 40 30; mouse down 41 10; mouse up 41 10; mouse down 40 30; mouse up 40 30",
            "mouse 512 stroke");
        row("a real mouse while the pen draws",
            "pen down 10 10 .5; mouse down 90 90; mouse move 99 90; mouse up 99 90; pen up 10 10", "pen 512 stroke");
        // The pen's own mouse events, interleaved with its samples and trailing after them.
        const QString penAndItsMouse = "pen down 10 10 .5; M down 10 10; pen move 30 10 .5; M move 30 10; "
                                       "pen up 30 10; M up 30 10; M down 30 10; M move 50 10; M up 50 10";
        for (const char* made : {"sysmouse", "penmouse", "penmouse-raw"})
            row(made, QString(penAndItsMouse).replace("M", made), "pen 512 512 stroke");

        // A finger draws as the mouse does; a palm beside the pen draws
        // nothing, while the pen is near or for a moment after it left, and a
        // touch stroke the pen comes upon goes as cancelled.
        row("finger", "finger1 down 20 20; finger1 move 40 22; finger1 up 40 22", "mouse 512 512 stroke");
        row("two fingers", "finger1 down 20 20; finger2 down 60 20; finger2 move 80 20; finger1 move 40 22; "
                           "finger2 up 80 20; finger1 up 40 22", "mouse 512 512 stroke");
        const QString palmDown = "finger1 down 100 100; finger1 move 120 104; ";
        const QString palm = "; " + palmDown + "finger1 up 120 104";
        const QString penTap = "; pen down 10 10 .5; pen up 10 10";
        row("palm while the pen is held near", "pen near; wait 600" + palm + penTap + "; pen far", "pen 512 stroke");
        row("palm while the pen draws", "pen near; pen down 10 10 .5; finger1 down 100 100; pen move 20 10 .5; "
                                        "finger1 up 100 100; pen up 20 10; pen far", "pen 512 512 stroke");
        row("palm, then the pen comes near", palmDown + "pen near; finger1 up 120 104" + penTap + "; pen far",
            "mouse 512 512 cancelled pen 512 stroke");
        row("palm, then the pen touches", palmDown + "pen down 10 10 .5; pen up 10 10; finger1 up 120 104",
            "mouse 512 512 cancelled pen 512 stroke");
        row("palm just after the pen left", "pen near" + penTap + "; pen far; wait 450" + palm, "pen 512 stroke");
        row("palm just after the pen, no proximity", penTap.mid(2) + "; wait 450" + palm, "pen 512 stroke");
        row("finger well after the pen left", "pen near" + penTap + "; pen far; wait 550" + palm,
            "pen 512 stroke mouse 512 512 stroke");
        row("mouse, pen near", "pen near; mouse down 10 9; pen far; pen near; mouse up 30 9", "mouse 512 512 stroke");
    }
    void sequences()
    {
        QFETCH(QString, input);
        QFETCH(QString, raised);
        m_collector->SetEventInterest(InkCollectorEventInterest::Stroke, false);  // raised all the same
        CollectorRecorder events(*m_collector);
        events.onCursorDown = [&](const InkCursor&, const InkStrokeDisp& stroke) {
            // Not one of the ink's strokes yet, nor found by its queries.
            const InkPoint at = stroke.GetPoints(0, 1).front();
            QVERIFY(stroke.isInProgress() && m_collector->CollectingInk() &&
                    std::ranges::count(ink().HitTestCircle(at.x, at.y, 100).items(), stroke) == 0);
        };
        // As the window does with the eraser end's stroke.
        events.onStroke = [&](const InkCursor& c, const InkStrokeDisp&, bool& cancel) { cancel |= c.Inverted; };
        play(input);
        QVERIFY(!m_collector->CollectingInk());

        QStringList seen, positions;
        const char* const kinds[] = {"mouse", "pen", "eraser"};
        for (qsizetype i = 0, p = 0; i < events.log.size(); ++i) {
            const InkStrokeDisp& stroke = events.strokes[i];
            if (events.log[i] == "down") {
                seen << kinds[int(events.cursors[i].kind)];
            } else if (events.log[i] == "stroke") {
                seen << (stroke.isDetached() ? "cancelled" : "stroke");
            } else {  // one packet each
                seen << QString::number(events.packetData[p + 2]);
                positions << QString("%1 %2").arg(events.packetData[p]).arg(events.packetData[p + 1]);
                p += 3;
            }
            QCOMPARE(events.cursors[i].Inverted, events.cursors[i].kind == InkCursor::Kind::Eraser);
            QVERIFY(events.log[i] == "down" || stroke == events.strokes[i - 1]);
        }
        // What went on to the paper: all of a disabled collector's input, no tablet event an enabled one used.
        if (const int passed = paper()->tabletEvents + (m_collector->Enabled() ? 0 : paper()->mouseEvents))
            seen << QString::number(passed);
        QCOMPARE(seen.join(' ') + (raised.contains('|') ? " | " + positions.join(' ') : ""), raised);
        QCOMPARE(ink().strokeCount(), raised.count("stroke"));  // and no other: the rest are detached
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

    void handlersDeleteStrokesAndWait()
    {
        mouseDrag(paper(), {{10, 10}, {30, 10}});
        mouseDrag(paper(), {{10, 20}, {30, 20}});
        CollectorRecorder events(*m_collector);
        // As the stroke eraser does from NewPackets, and a handler may from Stroke.
        events.onNewPackets = [&](const InkCursor&, const InkStrokeDisp&) {
            if (ink().strokeCount() > 0)
                ink().DeleteStroke(ink().Strokes().Item(0));
        };
        events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool&) { ink().DeleteStrokes(); };
        mouseDrag(paper(), {{10, 30}, {30, 30}, {50, 30}});
        QCOMPARE(ink().strokeCount(), 1);
        QVERIFY(ink().Strokes().Item(0) == events.strokes.back());

        // A wait in Stroke that collects another stroke meanwhile.
        events.onNewPackets = nullptr;
        int depth = 0;
        events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool&) {
            if (depth++ == 0)
                inNestedLoop([&] { mouseDrag(paper(), {{10, 50}, {60, 50}}); });
        };
        mouseDrag(paper(), {{10, 10}, {60, 10}});
        QCOMPARE(ink().strokeCount(), 3);
        for (const InkStrokeDisp& stroke : ink().Strokes())
            QVERIFY(!stroke.isInProgress());

        // A wait in CursorDown while the rest of the stroke arrives.
        events.onStroke = nullptr;
        events.log.clear();
        events.onCursorDown = [&](const InkCursor&, const InkStrokeDisp&) {
            inNestedLoop([&] {
                dragTo(paper(), {40, 10});
                sendMouse(paper(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {40, 10});
            });
        };
        sendMouse(paper(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {10, 10});
        QCOMPARE(events.log, QStringList({"down", "packets 1", "stroke"}));
        QCOMPARE(ink().Strokes().Item(3).PacketCount(), 2);
        QVERIFY(!m_collector->CollectingInk());
    }

    // A handler disables or deletes the collector during a stroke: the stroke
    // is dropped without its Stroke event, and the rest of the input is the paper's.
    void collectorGoesDuringAStroke_data()
    {
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("when");
        for (const char* when : {"down", "packets", "between"})
            QTest::newRow(qPrintable(QString("disabled in ") + when)) << false << QString(when);
        for (const char* when : {"down", "packets", "stroke"})
            QTest::newRow(qPrintable(QString("deleted in ") + when)) << true << QString(when);
    }
    void collectorGoesDuringAStroke()
    {
        QFETCH(bool, deleted);
        QFETCH(QString, when);
        CollectorRecorder events(*m_collector);
        auto goAway = [&](const InkCursor&, const InkStrokeDisp&) {
            deleted ? m_collector.reset() : m_collector->SetEnabled(false);
        };
        if (when == "down")
            events.onCursorDown = goAway;
        if (when == "packets")
            events.onNewPackets = goAway;
        if (when == "stroke")
            events.onStroke = [&](const InkCursor& c, const InkStrokeDisp& s, bool&) { goAway(c, s); };
        sendMouse(paper(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {10, 10});
        if (when == "between")
            m_collector->SetEnabled(false);
        dragTo(paper(), {30, 10});
        sendMouse(paper(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {30, 10});
        QVERIFY(events.strokes.back().isDetached());
        QCOMPARE(events.log.contains("stroke"), when == "stroke");
        QCOMPARE(paper()->mouseEvents, when == "stroke" ? 0 : 2);
        if (deleted) {
            // No overlay left over the paper. (The overlay, a child of the paper,
            // listens to the collector's ink: left behind, it once touched the
            // freed ink when the paper went.)
            QCOMPARE(paper()->findChildren<QWidget*>().size(), 0);
            return;
        }
        QCOMPARE(ink().strokeCount(), 0);
        events.onCursorDown = events.onNewPackets = nullptr;
        m_collector->SetEnabled(true);
        mouseDrag(paper(), {{10, 10}, {30, 10}});
        QCOMPARE(ink().strokeCount(), 1);
    }

    void paperGoesAwayFirst()
    {
        mouseDrag(paper(), {{10, 10}, {30, 10}});
        sendMouse(paper(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {10, 10});
        m_window.reset();
        QVERIFY(!m_collector->Window());
        m_collector->SetEnabled(false);
        QCOMPARE(ink().strokeCount(), 1);
    }
};

QTEST_MAIN(TestInkCollector)
#include "tst_ink_collector.moc"
