// Handlers of the collector's events may do anything: delete strokes, run a
// nested event loop that collects another stroke, disable, move or delete
// the collector.

#include "collector_recorder.h"
#include "paper_fixture.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

class TestInkCollectorReentry : public QObject {
    Q_OBJECT

    std::unique_ptr<PaperWindow> m_window;
    std::unique_ptr<InkCollector> m_collector;
    TestPaper* paper() { return m_window->paper; }

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

    void handlersDeleteFinishedStrokes()
    {
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        mouseStroke(paper(), {{10, 20}, {30, 20}});
        CollectorRecorder events(*m_collector);
        // As the stroke eraser does from NewPackets, and a handler may from Stroke.
        events.onNewPackets = [&](const InkCursor&, const InkStrokeDisp&) {
            if (m_collector->Ink().strokeCount() > 0)
                m_collector->Ink().DeleteStroke(m_collector->Ink().Strokes().Item(0));
        };
        events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool&) { m_collector->Ink().DeleteStrokes(); };
        mouseStroke(paper(), {{10, 30}, {30, 30}, {50, 30}});
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
        QVERIFY(m_collector->Ink().Strokes().Item(0) == events.strokes.back());
    }

    void nestedLoopCollectsAnotherStroke()
    {
        CollectorRecorder events(*m_collector);
        int depth = 0;
        events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool&) {
            if (depth++ > 0)
                return;
            // Like the window's Delay: events keep coming while we wait.
            QEventLoop loop;
            QTimer::singleShot(0, &loop, [&] {
                mouseStroke(paper(), {{10, 50}, {60, 50}});
                loop.quit();
            });
            loop.exec();
        };
        mouseStroke(paper(), {{10, 10}, {60, 10}});
        QCOMPARE(events.log.count("stroke"), 2);
        QCOMPARE(m_collector->Ink().strokeCount(), 2);
        for (const InkStrokeDisp& stroke : m_collector->Ink().Strokes())
            QVERIFY(!stroke.isInProgress());
        QVERIFY(!m_collector->CollectingInk());
    }

    void nestedLoopDuringAStroke()
    {
        CollectorRecorder events(*m_collector);
        bool waited = false;
        events.onCursorDown = [&](const InkCursor&, const InkStrokeDisp&) {
            waited = true;
            QEventLoop loop;
            QTimer::singleShot(0, &loop, [&] {
                // The rest of the stroke arrives inside the wait.
                sendMouse(paper(), QEvent::MouseMove, {40, 10});
                sendMouse(paper(), QEvent::MouseButtonRelease, {40, 10});
                loop.quit();
            });
            loop.exec();
        };
        sendMouse(paper(), QEvent::MouseButtonPress, {10, 10});
        QVERIFY(waited);
        QCOMPARE(events.log, QStringList({"down", "packets 1", "stroke"}));
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
        QCOMPARE(m_collector->Ink().Strokes().Item(0).PacketCount(), 2);
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
        QVERIFY(m_collector->Ink().strokeCount() == 0 && events.strokes.front().isDetached());
        QCOMPARE(paper()->mouseEvents, 2);  // the rest went to the paper

        events.onCursorDown = events.onNewPackets = nullptr;
        m_collector->SetEnabled(true);
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
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
        auto goAway = [&] { m_collector.reset(); };
        if (when == "down")
            events.onCursorDown = [&](const InkCursor&, const InkStrokeDisp&) { goAway(); };
        if (when == "packets")
            events.onNewPackets = [&](const InkCursor&, const InkStrokeDisp&) { goAway(); };
        if (when == "stroke")
            events.onStroke = [&](const InkCursor&, const InkStrokeDisp&, bool&) { goAway(); };
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

    void handlerMovesTheCollectorElsewhere()
    {
        TestPaper other(&m_window->window);
        CollectorRecorder events(*m_collector);
        events.onNewPackets = [&](const InkCursor&, const InkStrokeDisp&) { m_collector->SetWindow(&other); };
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        QVERIFY(!events.log.contains("stroke"));
        QCOMPARE(m_collector->Ink().strokeCount(), 0);
        mouseStroke(&other, {{10, 10}, {30, 10}});
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
        QCOMPARE(m_collector->Window(), &other);
    }

    void paperGoesAwayFirst()
    {
        mouseStroke(paper(), {{10, 10}, {30, 10}});
        sendMouse(paper(), QEvent::MouseButtonPress, {10, 10});
        m_window.reset();
        QVERIFY(!m_collector->Window());
        m_collector->SetEnabled(false);
        QCOMPARE(m_collector->Ink().strokeCount(), 1);
    }
};

QTEST_MAIN(TestInkCollectorReentry)
#include "tst_ink_collector_reentry.moc"
