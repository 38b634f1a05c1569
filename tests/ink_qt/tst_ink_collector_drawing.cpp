// What the collector puts on screen: the stroke in progress as it grows, in
// its own attributes, repainting only the new segment; finished ink only
// when it redraws automatically.

#include "collector_recorder.h"
#include "paper_fixture.h"
#include "render_helpers.h"

#include <QScreen>
#include <QTest>

namespace {

// Paint regions a widget receives.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(QWidget* widget) { widget->installEventFilter(this); }
    QRegion painted;
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return false;
    }
};

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

}  // namespace

class TestInkCollectorDrawing : public QObject {
    Q_OBJECT

    std::unique_ptr<PaperWindow> m_window;
    std::unique_ptr<InkCollector> m_collector;
    TestPaper* paper() { return m_window->paper; }
    QWidget* overlay() { return paper()->findChild<QWidget*>(); }

    // The paper as it shows on the screen after the repaints asked for so
    // far (the window's bar is 50 pixels). Not a grab of the widget, which
    // would paint everything anew and hide a repaint that was never asked for.
    QRgb shownAt(QPoint paperPixel)
    {
        QCoreApplication::processEvents();
        const QPixmap screen = m_window->window.screen()->grabWindow(m_window->window.winId());
        return screen.toImage().pixel(paperPixel + QPoint(0, 50));
    }

private slots:
    void init()
    {
        m_window = std::make_unique<PaperWindow>();
        m_collector = std::make_unique<InkCollector>();
        m_collector->SetWindow(paper());
        m_collector->DefaultDrawingAttributes().SetWidth(265);  // 10 pixels
        m_collector->SetAutoRedraw(false);
        m_collector->SetEnabled(true);
        paper()->drawInkOf(*m_collector);
        m_window->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window->window));
    }
    void cleanup()
    {
        m_collector.reset();
        m_window.reset();
    }

    void strokeInProgressShowsAsItGrows()
    {
        QCOMPARE(m_window->window.childAt(299, 199), paper());  // the overlay takes no input
        sendMouse(paper(), QEvent::MouseButtonPress, {50, 50});
        QCOMPARE(shownAt({50, 50}), kBlack);
        sendMouse(paper(), QEvent::MouseMove, {150, 50});
        QCOMPARE(shownAt({100, 50}), kBlack);
        QCOMPARE(shownAt({100, 80}), kWhite);
        sendMouse(paper(), QEvent::MouseMove, {150, 100});
        QCOMPARE(shownAt({150, 75}), kBlack);
        QCOMPARE(m_collector->Ink().strokeCount(), 0);
    }

    void whoPaintsFinishedInk_data()
    {
        QTest::addColumn<bool>("autoRedraw");
        QTest::addColumn<bool>("paperDrawsInk");
        QTest::newRow("the paper draws it") << false << true;
        QTest::newRow("nobody draws it") << false << false;
        QTest::newRow("the collector draws it") << true << false;
    }
    void whoPaintsFinishedInk()
    {
        QFETCH(bool, autoRedraw);
        QFETCH(bool, paperDrawsInk);
        m_collector->SetAutoRedraw(autoRedraw);
        paper()->drawsInk = paperDrawsInk;
        mouseStroke(paper(), {{50, 50}, {150, 50}});
        QCOMPARE(shownAt({100, 50}) == kBlack, autoRedraw || paperDrawsInk);
        // Later changes to the ink reach the screen the same way.
        m_collector->Ink().CreateStroke(pixelStroke({{50, 100}, {150, 100}}), m_collector->DefaultDrawingAttributes());
        if (autoRedraw)
            QCOMPARE(shownAt({100, 100}), kBlack);
        m_collector->Ink().DeleteStrokes();
        paper()->update();
        QCOMPARE(shownAt({100, 50}), kWhite);
    }

    void invisibleStrokeIsNeverDrawn()
    {
        // The window's way with the eraser end: invisible, and cancelled.
        m_collector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        CollectorRecorder events(*m_collector);
        events.onCursorDown = [](const InkCursor&, const InkStrokeDisp& stroke) {
            InkDrawingAttributes attributes = stroke.DrawingAttributes();
            attributes.SetTransparency(255);
            InkStrokeDisp(stroke).SetDrawingAttributes(attributes);
        };
        events.onStroke = [](const InkCursor&, const InkStrokeDisp&, bool& cancel) { cancel = true; };
        std::unique_ptr<QPointingDevice> eraser(makeTabletDevice(QPointingDevice::PointerType::Eraser, 3));
        QCoreApplication::processEvents();
        PaintSpy spy(overlay());
        sendTablet(paper(), eraser.get(), QEvent::TabletPress, {50, 50}, 0.5);
        sendTablet(paper(), eraser.get(), QEvent::TabletMove, {150, 50}, 0.5);
        QCoreApplication::processEvents();
        QCOMPARE(spy.paints, 0);  // nothing visible was asked to repaint
        sendTablet(paper(), eraser.get(), QEvent::TabletRelease, {150, 50}, 0);
        QCOMPARE(shownAt({100, 50}), kWhite);
        QCOMPARE(m_collector->Ink().strokeCount(), 0);
        QCOMPARE(m_collector->DefaultDrawingAttributes().Transparency(), 0);
    }

    void onlyTheNewSegmentRepaints()
    {
        sendMouse(paper(), QEvent::MouseButtonPress, {20, 20});
        for (int x = 30; x <= 200; x += 10)
            sendMouse(paper(), QEvent::MouseMove, {double(x), 20});
        QCoreApplication::processEvents();
        PaintSpy above(overlay());
        PaintSpy underneath(paper());
        sendMouse(paper(), QEvent::MouseMove, {210, 30});
        QCoreApplication::processEvents();
        // The segment from (200, 20) to (210, 30), 10 pixels wide, and its antialiased edge...
        const QRect segment = QRect(QPoint(200, 20), QPoint(210, 30)).adjusted(-8, -8, 8, 8);
        QVERIFY(above.paints > 0);
        QVERIFY(segment.contains(above.painted.boundingRect()));
        QVERIFY(segment.contains(underneath.painted.boundingRect()));
        // ...and all of it.
        QVERIFY(above.painted.contains(QRect(QPoint(197, 17), QPoint(213, 33))));
        sendMouse(paper(), QEvent::MouseButtonRelease, {210, 30});
    }
};

QTEST_MAIN(TestInkCollectorDrawing)
#include "tst_ink_collector_drawing.moc"
