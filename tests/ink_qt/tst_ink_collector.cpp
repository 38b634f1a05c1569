// The collector's events for sequences of pen, mouse and touch input: their
// order, cursors, packets and pressures, cancel, no second stroke from the
// mouse events made from a pen; a disabled collector; palm rejection.
// And handlers that do anything: delete strokes, run a nested event loop,
// disable or delete the collector; the paper going first. No input merged.

#include "paper_fixture.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>

class TestInkCollector : public QObject {
    Q_OBJECT

    std::unique_ptr<PaperWindow> m_window;
    std::unique_ptr<InkCollector> m_collector;
    std::unique_ptr<QPointingDevice> m_pen{makeTabletDevice(QPointingDevice::PointerType::Pen, 7)};
    std::unique_ptr<QPointingDevice> m_eraser{makeTabletDevice(QPointingDevice::PointerType::Eraser, 8)};
    TestPaper* paper() { return m_window->paper; }
    InkDisp& ink() { return m_collector->Ink(); }
    std::function<void()> m_when[3];  // what the next CursorDown, NewPackets and Stroke handler does, once
    QString m_nested;                 // the steps a "nest" handler plays

    void when(int event)
    {
        if (auto act = std::exchange(m_when[event], nullptr))
            act();
    }

private slots:
    void init()
    {
        m_window = std::make_unique<PaperWindow>();
        m_collector = std::make_unique<InkCollector>();
        // Merged moves turned a curve drawn with the mouse into a chord.
        QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, true);
        QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, true);
        m_collector->SetWindow(paper());
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents) &&
                !QCoreApplication::testAttribute(Qt::AA_CompressTabletEvents));
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
        m_when[0] = m_when[1] = m_when[2] = nullptr;
    }

    // Plays input steps separated by ";", each "<source> <action> [x y [pressure]]":
    // pen and eraser (a tablet: down, move, up; near and far for proximity),
    // mouse (rmouse: its right button), sysmouse (made by the system from
    // the core pointer), penmouse and penmouse-raw (the pen's own, marked as
    // made or not), finger1 and finger2 (a touch screen, through Qt's own
    // touch handling), "wait ms", "off", "enable", "rect left top right
    // bottom" (the input rectangle, in pixels), "nopaper" (the window goes),
    // and "when <down|packets|stroke> <act>": the next such handler disables
    // (off) or deletes (gone) the collector, deletes the first or all strokes,
    // or plays the steps after the script's " & " in a nested event loop, as
    // the window's Delay would.
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
            static const QStringList others{"wait", "off", "enable", "rect", "nopaper", "when"};
            QVERIFY(action >= 0 || others.contains(source));
            const QPoint at(w.value(2).toInt(), w.value(3).toInt());
            if (source == "when") {
                const QString act = w.value(2);
                m_when[QStringList{"down", "packets", "stroke"}.indexOf(w.value(1))] = [this, act] {
                    if (act == "off" || act == "gone")
                        act == "gone" ? m_collector.reset() : m_collector->SetEnabled(false);
                    else if (QEventLoop loop; act == "nest") {
                        QTimer::singleShot(0, &loop, [&] {
                            play(m_nested);
                            loop.quit();
                        });
                        loop.exec();
                    } else
                        act == "delete-all" ? ink().DeleteStrokes() : ink().DeleteStroke(ink().Strokes().Item(0));
                };
            } else if (source == "nopaper") {
                m_window.reset();
                QVERIFY(!m_collector->Window());
                m_collector->SetEnabled(false);
                return;
            } else if (source == "wait") {
                m_collector->advanceClock(w.value(1).toInt());
            } else if (source == "rect") {
                m_collector->SetWindowInputRectangle({w[2].toInt(), w[1].toInt(), w[4].toInt(), w[3].toInt()});
            } else if (source == "off" || source == "enable") {
                m_collector->SetEnabled(source == "enable");
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

        // Handlers that delete strokes or wait; the collector disabled or
        // deleted during a stroke, which goes without its Stroke event, the
        // rest of the input to the paper.
        const QString drag = "mouse down 10 10; mouse move 30 10; mouse up 30 10";
        row("handlers delete strokes", drag + "; " + drag + "; when packets delete-first; when stroke delete-all; "
            "mouse down 10 30; mouse move 30 30; mouse move 50 30; mouse up 50 30",
            "mouse 512 512 cancelled mouse 512 512 cancelled mouse 512 512 512 stroke");
        row("a wait in Stroke collects a stroke", "when stroke nest; " + drag + " & mouse down 10 50; mouse up 60 50",
            "mouse 512 512 stroke mouse 512 512 stroke");
        row("a wait in CursorDown as the stroke goes on", "when down nest; mouse down 10 10 & mouse move 40 10; "
            "mouse up 40 10", "mouse 512 stroke");
        row("disabled in down, then enabled", "when down off; " + drag + "; enable; " + drag, "mouse mouse 512 512 stroke");
        row("disabled in packets", "when packets off; " + drag, "mouse 512 2");
        row("disabled between", "mouse down 10 10; off; mouse move 30 10; mouse up 30 10", "mouse 512 2");
        row("deleted in down", "when down gone; " + drag, "mouse 2");
        row("deleted in packets", "when packets gone; " + drag, "mouse 512 2");
        row("deleted in stroke", "when stroke gone; " + drag, "mouse 512 512 cancelled");
        row("the paper goes first", drag + "; mouse down 10 10; nopaper", "mouse 512 512 stroke mouse 512");
    }
    void sequences()
    {
        QFETCH(QString, input);
        QFETCH(QString, raised);
        m_collector->SetEventInterest(InkCollectorEventInterest::Stroke, false);  // raised all the same
        // One word an event, in order; a stroke's fate is known at the end.
        QStringList seen, positions;
        std::vector<InkStrokeDisp> ended;
        InkStrokeDisp current;
        QObject scope;
        auto same = [&](const InkCursor& c, const InkStrokeDisp& stroke) {
            return c.Inverted == (c.kind == InkCursor::Kind::Eraser) && stroke == current;
        };
        connect(m_collector.get(), &InkCollector::CursorDown, &scope, [&](const InkCursor& c, const InkStrokeDisp& stroke) {
            // Not one of the ink's strokes yet, nor found by its queries.
            const InkPoint at = stroke.GetPoints(0, 1).front();
            QVERIFY(same(c, current = stroke) && stroke.isInProgress() && m_collector->CollectingInk() &&
                    std::ranges::count(ink().HitTestCircle(at.x, at.y, 100).items(), stroke) == 0);
            seen << QStringList{"mouse", "pen", "eraser"}[int(c.kind)];
            when(0);
        });
        connect(m_collector.get(), &InkCollector::NewPackets, &scope,
                [&](const InkCursor& c, const InkStrokeDisp& stroke, int32_t count, const std::vector<int32_t>& data) {
                    QVERIFY(same(c, stroke) && data.size() == size_t(3 * count));
                    for (size_t p = 0; p < data.size(); p += 3) {
                        seen << QString::number(data[p + 2]);
                        positions << QString("%1 %2").arg(data[p]).arg(data[p + 1]);
                    }
                    when(1);
                });
        connect(m_collector.get(), &InkCollector::Stroke, &scope,
                [&](const InkCursor& c, const InkStrokeDisp& stroke, bool& cancel) {
                    QVERIFY(same(c, stroke));
                    seen << "#";
                    ended.push_back(stroke);
                    cancel |= c.Inverted;  // as the window does with the eraser end's stroke
                    when(2);
                });
        m_nested = input.section(" & ", 1);
        play(input.section(" & ", 0, 0));
        QVERIFY(!m_collector || !m_collector->CollectingInk());
        for (qsizetype i = 0, k = 0; i < seen.size(); ++i)
            if (seen[i] == "#")
                seen[i] = ended[k++].isDetached() ? "cancelled" : "stroke";
        // What went on to the paper: all of a disabled collector's input, no tablet event an enabled one used.
        const bool enabled = m_collector && m_collector->Enabled();
        if (const int passed = m_window ? paper()->tabletEvents + (enabled ? 0 : paper()->mouseEvents) : 0)
            seen << QString::number(passed);
        QCOMPARE(seen.join(' ') + (raised.contains('|') ? " | " + positions.join(' ') : ""), raised);
        if (!m_collector) {
            // No overlay left over the paper: it listens to the collector's ink.
            QCOMPARE(paper()->findChildren<QWidget*>().size(), 0);
            return;
        }
        QCOMPARE(ink().strokeCount(), raised.count("stroke"));  // and no other: the rest are detached
        for (const InkStrokeDisp& stroke : ink().Strokes())
            QVERIFY(!stroke.isInProgress());
    }
};

QTEST_MAIN(TestInkCollector)
#include "tst_ink_collector.moc"
