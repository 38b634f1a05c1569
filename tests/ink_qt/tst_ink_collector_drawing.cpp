// What the collector puts on screen: the stroke in progress as it grows,
// repainting only the new segment; finished ink only when it redraws
// automatically.

#include "paper_fixture.h"
#include "render_helpers.h"

#include <QScreen>
#include <QTest>

namespace {

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
        m_collector->DefaultDrawingAttributes().SetWidth(291);  // 11 pixels
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
        sendMouse(paper(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {50, 50});
        QCOMPARE(shownAt({50, 50}), kBlack);
        dragTo(paper(), {150, 50});
        QCOMPARE(shownAt({100, 50}), kBlack);
        QCOMPARE(shownAt({100, 80}), kWhite);
        QVERIFY(std::abs(qGray(shownAt({100, 45})) - qGray(shownAt({100, 55}))) <= 8);  // centred on its row
        PaintCounter above(overlay()), underneath(paper());
        dragTo(paper(), {150, 100});
        QCOMPARE(shownAt({150, 75}), kBlack);
        // Only the new segment repaints, 11 pixels wide with its antialiased edge, and all of it.
        const QRect segment = QRect(QPoint(150, 50), QPoint(150, 100)).adjusted(-8, -8, 8, 8);
        QVERIFY(segment.contains(above.painted.boundingRect()) && segment.contains(underneath.painted.boundingRect()));
        QVERIFY(above.painted.contains(segment.adjusted(5, 5, -5, -5)));
        QCOMPARE(m_collector->Ink().strokeCount(), 0);
    }

    // With its own redraw off (the window's way), the collector leaves
    // finished ink to the paper: a stroke shows only if the paper draws it,
    // and an erased one goes once the paper repaints.
    void paperPaintsFinishedInk()
    {
        for (bool paperDrawsInk : {false, true}) {
            paper()->drawsInk = paperDrawsInk;
            mouseDrag(paper(), {{50, 50}, {150, 50}});
            QCOMPARE(shownAt({100, 50}) == kBlack, paperDrawsInk);
            m_collector->Ink().DeleteStrokes();
            paper()->update();
            QCOMPARE(shownAt({100, 50}), kWhite);
        }
    }
};

QTEST_MAIN(TestInkCollectorDrawing)
#include "tst_ink_collector_drawing.moc"
