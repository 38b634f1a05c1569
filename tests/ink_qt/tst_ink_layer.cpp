// The renderer attached to an ink and a paper far larger than its window:
// the cached layer covers only what shows, repaints of an unchanged page come
// from it, and it stays right after strokes are added, deleted, split and
// restyled.

#include "paper_fixture.h"
#include "platform/ink/ink_renderer.h"
#include "render_helpers.h"

#include <QTest>

namespace {

constexpr int32_t kRed = 0x0000FF;
const QRect kShown(0, 0, 300, 150);

// Zigzags across the visible part of the paper, each near only a few
// others; some translucent, some with pen pressure growing along them.
void fillWithStrokes(InkDisp& ink, int count)
{
    for (int s = 0; s < count; ++s) {
        const QPointF at(5.0 + 290.0 * s / count, 5.0 + 7 * (s % 4));
        std::vector<InkPacket> packets = pixelStroke({at, at + QPointF(9, 40), at + QPointF(-3, 80), at + QPointF(12, 130)});
        for (size_t i = 0; i < packets.size() && s % 3 == 0; ++i)
            packets[i].pressure = int32_t(i * kInkMaxPressure / 3);
        ink.CreateStroke(packets, pixelAttributes(0x010307 * s % 0x1000000, 2 + s % 8, s % 4 ? 0 : 100));
    }
}

}  // namespace

class TestInkLayer : public QObject {
    Q_OBJECT

    std::unique_ptr<InkDisp> m_ink;
    std::unique_ptr<InkRenderer> m_renderer;
    std::unique_ptr<PaperWindow> m_window;

    QImage shown(const QRect& area = kShown) { return m_window->paper->grab(area).toImage(); }

    // What the paper shows against the same strokes drawn one by one on a fresh picture.
    int differenceFromStrokes()
    {
        QImage expected = blankPicture(kShown.size());
        QPainter painter(&expected);
        InkRenderer().Draw(painter, m_ink->Strokes());
        return largestDifference(shown(), expected);
    }

    bool showAttached()
    {
        m_renderer->attach(m_ink.get(), m_window->paper);
        m_window->paper->renderer = m_renderer.get();
        m_window->paper->ink = m_ink.get();
        m_window->window.show();
        return QTest::qWaitForWindowExposed(&m_window->window);
    }

private slots:
    void init()
    {
        m_ink = std::make_unique<InkDisp>();
        m_renderer = std::make_unique<InkRenderer>();
        m_window = std::make_unique<PaperWindow>();
    }
    void cleanup()
    {
        m_window.reset();
        m_renderer.reset();
        m_ink.reset();
    }

    void layerFollowsAddDeleteSplitAndRestyle()
    {
        fillWithStrokes(*m_ink, 40);
        InkStrokeDisp crossing =
            m_ink->CreateStroke(pixelStroke({{20, 75}, {150, 75}, {280, 75}}), pixelAttributes(kRed, 8));
        QVERIFY(showAttached());
        shown();
        const InkRenderer::LayerStats before = m_renderer->layerStats();
        QCOMPARE(before.rect, kShown);  // only what shows of the 9405 x 7410 paper
        QCOMPARE(before.deviceSize, kShown.size() * m_window->paper->devicePixelRatio());
        QVERIFY2(differenceFromStrokes() <= 2, "layer differs from the strokes");
        QCOMPARE(m_renderer->layerStats().strokesPainted, before.strokesPainted);  // an unchanged page: from the layer

        m_ink->CreateStroke(pixelStroke({{100, 100}, {200, 100}}), pixelAttributes(kRed, 6));
        QCOMPARE(m_renderer->layerStats().strokesPainted, before.strokesPainted + 1);  // painted alone
        QVERIFY(differenceFromStrokes() <= 2);

        m_ink->DeleteStroke(m_ink->Strokes().Item(5));
        QVERIFY(differenceFromStrokes() <= 2);

        InkStrokeDisp tail = m_ink->Strokes().Item(10).Split(1.5f);
        InkDrawingAttributes blue = tail.DrawingAttributes();
        blue.SetColor(0xFF0000);
        tail.SetDrawingAttributes(blue);
        QVERIFY(differenceFromStrokes() <= 2);

        // A stroke cut out of the middle leaves the paper underneath.
        InkStrokeDisp middle = crossing.Split(1.4f);
        middle.Split(0.2f);
        m_ink->DeleteStroke(middle);
        QVERIFY(differenceFromStrokes() <= 2);

        const InkRenderer::LayerStats after = m_renderer->layerStats();
        QCOMPARE(after.rebuilds, before.rebuilds);
        QVERIFY2(after.strokesPainted - before.strokesPainted < 3u * m_ink->strokeCount(),
                 "changes repainted far more than the strokes around them");
        m_ink->DeleteStrokes();
        QCOMPARE(largestDifference(shown(), blankPicture(kShown.size())), 0);
    }

    // Thousands of strokes, each across the middle row, are painted in
    // bands of rows at once (with two processors or more), and so is a large
    // part of them painted again: the same picture as the strokes drawn one
    // by one.
    void wholePageInBands()
    {
        fillWithStrokes(*m_ink, 4400);
        QVERIFY(showAttached());
        QVERIFY2(differenceFromStrokes() <= 2, "the bands differ from the strokes");
        // A stroke over most of the page, from below its top, taken away:
        // the rows under it are painted again in bands of their own.
        const InkStrokeDisp across = m_ink->CreateStroke(pixelStroke({{2, 12}, {298, 148}}), pixelAttributes(kRed, 6));
        m_ink->DeleteStroke(across);
        QVERIFY2(differenceFromStrokes() <= 2, "a repaint in bands differs from the strokes");
    }
};

QTEST_MAIN(TestInkLayer)
#include "tst_ink_layer.moc"
