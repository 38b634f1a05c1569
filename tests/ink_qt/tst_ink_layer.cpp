// The renderer attached to an ink and a paper far larger than its window:
// the cached layer covers only what shows, repaints of an unchanged page come
// from it, and it stays right after strokes are added, deleted, split and
// restyled.

#include "paper_fixture.h"
#include "platform/ink/ink_renderer.h"
#include "render_helpers.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr int32_t kRed = 0x0000FF;
const QRect kShown(0, 0, 300, 150);

// Random-walk strokes over the visible part of the paper, some translucent,
// some with pen pressure.
void fillWithStrokes(InkDisp& ink, int count, quint32 seed)
{
    QRandomGenerator random(seed);
    for (int s = 0; s < count; ++s) {
        std::vector<QPointF> points{QPointF(random.bounded(300.0), random.bounded(150.0))};
        for (int i = 0, n = 2 + random.bounded(20); i < n; ++i)
            points.push_back(points.back() + QPointF(random.bounded(20.0) - 10.0, random.bounded(20.0) - 10.0));
        std::vector<InkPacket> packets = pixelStroke(points);
        for (InkPacket& p : packets)
            p.pressure = s % 3 ? kInkMousePressure : random.bounded(kInkMaxPressure + 1);
        ink.CreateStroke(packets, pixelAttributes(random.bounded(0x1000000), 2 + random.bounded(8), s % 4 ? 0 : 100));
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

    void attachAndShow()
    {
        m_renderer->attach(m_ink.get(), m_window->paper);
        m_window->paper->renderer = m_renderer.get();
        m_window->paper->ink = m_ink.get();
        m_window->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window->window));
        shown();
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
        fillWithStrokes(*m_ink, 80, 3);
        InkStrokeDisp crossing =
            m_ink->CreateStroke(pixelStroke({{20, 75}, {150, 75}, {280, 75}}), pixelAttributes(kRed, 8));
        attachAndShow();
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
};

QTEST_MAIN(TestInkLayer)
#include "tst_ink_layer.moc"
