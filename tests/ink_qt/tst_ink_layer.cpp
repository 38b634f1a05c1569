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

// Random-walk strokes over the visible part of the paper, some translucent,
// some with pen pressure.
void fillWithStrokes(InkDisp& ink, int count, quint32 seed)
{
    QRandomGenerator random(seed);
    for (int s = 0; s < count; ++s) {
        QPointF at(random.bounded(300.0), random.bounded(150.0));
        std::vector<QPointF> points{at};
        const int n = 2 + random.bounded(20);
        for (int i = 0; i < n; ++i) {
            at += QPointF(random.bounded(20.0) - 10.0, random.bounded(20.0) - 10.0);
            points.push_back(at);
        }
        std::vector<InkPacket> packets = pixelStroke(points);
        if (s % 3 == 0) {
            for (InkPacket& p : packets)
                p.pressure = random.bounded(kInkMaxPressure + 1);
        }
        const int32_t color = static_cast<int32_t>(random.bounded(0x1000000));
        ink.CreateStroke(packets, pixelAttributes(color, 2 + random.bounded(8), s % 4 == 0 ? 100 : 0));
    }
}

// What the paper shows of its visible part, against the same strokes drawn
// stroke by stroke on a fresh picture.
struct Comparison {
    QImage shown;
    QImage expected;
};
Comparison compare(PaperWindow& w, InkDisp& ink)
{
    Comparison c;
    c.shown = w.paper->grab(QRect(0, 0, 300, 150)).toImage();
    c.expected = blankPicture(QSize(300, 150), w.paper->background);
    QPainter painter(&c.expected);
    InkRenderer().Draw(painter, ink.Strokes());
    if (qEnvironmentVariableIsSet("TAVRO_KEEP_PICTURES")) {
        c.shown.save("/tmp/layer_shown.png");
        c.expected.save("/tmp/layer_expected.png");
    }
    return c;
}

}  // namespace

class TestInkLayer : public QObject {
    Q_OBJECT

    InkDisp* m_ink = nullptr;
    InkRenderer* m_renderer = nullptr;
    PaperWindow* m_window = nullptr;

    void attachAndShow()
    {
        m_renderer->attach(m_ink, m_window->paper);
        m_window->paper->renderer = m_renderer;
        m_window->paper->ink = m_ink;
        m_window->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window->window));
    }

private slots:
    void init()
    {
        m_ink = new InkDisp;
        m_renderer = new InkRenderer;
        m_window = new PaperWindow;
    }
    void cleanup()
    {
        delete m_window;
        delete m_renderer;
        delete m_ink;
    }

    void layerCoversOnlyWhatShows()
    {
        attachAndShow();
        m_window->paper->grab(QRect(0, 0, 300, 150));
        const InkRenderer::LayerStats stats = m_renderer->layerStats();
        QCOMPARE(stats.rect, QRect(0, 0, 300, 150));
        QCOMPARE(stats.deviceSize, QSize(300, 150) * m_window->paper->devicePixelRatio());
    }

    void unchangedPageIsServedFromTheLayer()
    {
        fillWithStrokes(*m_ink, 60, 1);
        attachAndShow();
        m_window->paper->grab(QRect(0, 0, 300, 150));
        const InkRenderer::LayerStats first = m_renderer->layerStats();
        const Comparison c = compare(*m_window, *m_ink);
        const InkRenderer::LayerStats second = m_renderer->layerStats();
        QCOMPARE(second.rebuilds, first.rebuilds);
        QCOMPARE(second.strokesPainted, first.strokesPainted);
        QVERIFY2(largestDifference(c.shown, c.expected) <= 2, "layer differs from the strokes");
    }

    void addedStrokeIsPaintedAlone()
    {
        fillWithStrokes(*m_ink, 30, 2);
        attachAndShow();
        m_window->paper->grab(QRect(0, 0, 300, 150));
        const InkRenderer::LayerStats before = m_renderer->layerStats();
        m_ink->CreateStroke(pixelStroke({{100, 100}, {200, 100}}), pixelAttributes(kRed, 6));
        const InkRenderer::LayerStats after = m_renderer->layerStats();
        QCOMPARE(after.strokesPainted, before.strokesPainted + 1);
        const Comparison c = compare(*m_window, *m_ink);
        QCOMPARE(m_renderer->layerStats().rebuilds, before.rebuilds);
        QCOMPARE(c.shown.pixel(150, 100), qRgb(255, 0, 0));
        QVERIFY(largestDifference(c.shown, c.expected) <= 2);
    }

    void layerFollowsDeleteSplitAndRestyle()
    {
        fillWithStrokes(*m_ink, 80, 3);
        InkStrokeDisp crossing =
            m_ink->CreateStroke(pixelStroke({{20, 75}, {150, 75}, {280, 75}}), pixelAttributes(kRed, 8));
        attachAndShow();
        m_window->paper->grab(QRect(0, 0, 300, 150));
        const InkRenderer::LayerStats before = m_renderer->layerStats();

        m_ink->DeleteStroke(m_ink->Strokes().Item(5));
        Comparison c = compare(*m_window, *m_ink);
        QVERIFY(largestDifference(c.shown, c.expected) <= 2);

        InkStrokeDisp tail = m_ink->Strokes().Item(10).Split(1.5f);
        InkDrawingAttributes blue = tail.DrawingAttributes();
        blue.SetColor(0xFF0000);
        tail.SetDrawingAttributes(blue);
        c = compare(*m_window, *m_ink);
        QVERIFY(largestDifference(c.shown, c.expected) <= 2);

        // A stroke cut out of the middle leaves the paper underneath.
        InkStrokeDisp rest = crossing.Split(1.4f);
        InkStrokeDisp middle = rest;
        rest = middle.Split(0.2f);
        m_ink->DeleteStroke(middle);
        c = compare(*m_window, *m_ink);
        QVERIFY(largestDifference(c.shown, c.expected) <= 2);

        const InkRenderer::LayerStats after = m_renderer->layerStats();
        QCOMPARE(after.rebuilds, before.rebuilds);
        QVERIFY2(after.strokesPainted - before.strokesPainted < 3u * m_ink->strokeCount(),
                 "changes repainted far more than the strokes around them");
    }

    void deleteAllClearsTheLayer()
    {
        fillWithStrokes(*m_ink, 40, 4);
        attachAndShow();
        m_window->paper->grab(QRect(0, 0, 300, 150));
        m_ink->DeleteStrokes();
        const QImage shown = m_window->paper->grab(QRect(0, 0, 300, 150)).toImage();
        QCOMPARE(largestDifference(shown, blankPicture(QSize(300, 150))), 0);
    }

    void backgroundShowsThrough()
    {
        m_window->paper->background = QColor(0, 0, 160);
        m_ink->CreateStroke(pixelStroke({{100, 100}, {200, 100}}), pixelAttributes(kRed, 6, 128));
        attachAndShow();
        const QImage shown = m_window->paper->grab(QRect(0, 0, 300, 150)).toImage();
        QCOMPARE(shown.pixel(20, 20), qRgb(0, 0, 160));
        const QRgb mixed = shown.pixel(150, 100);
        QVERIFY(qRed(mixed) > 100 && qBlue(mixed) > 50);
    }

    void otherCollectionsAreDrawnStrokeByStroke()
    {
        const InkStrokeDisp red = m_ink->CreateStroke(pixelStroke({{20, 20}, {100, 20}}), pixelAttributes(kRed, 6));
        m_ink->CreateStroke(pixelStroke({{20, 60}, {100, 60}}), pixelAttributes(kRed, 6));
        attachAndShow();
        InkStrokes just;
        just.Add(red);
        m_window->paper->only = just;
        const QImage shown = m_window->paper->grab(QRect(0, 0, 300, 150)).toImage();
        QCOMPARE(shown.pixel(60, 20), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(60, 60), qRgb(255, 255, 255));
    }

    void grabBeyondWhatShowsStillDrawsTheInk()
    {
        m_ink->CreateStroke(pixelStroke({{1000, 1000}, {1040, 1000}}), pixelAttributes(kRed, 6));
        attachAndShow();
        const QImage far = m_window->paper->grab(QRect(950, 950, 100, 100)).toImage();
        QCOMPARE(far.pixel(70, 50), qRgb(255, 0, 0));
        QCOMPARE(m_renderer->layerStats().rect, QRect(0, 0, 300, 150));
    }

    void layerFollowsTheWindowSize()
    {
        m_ink->CreateStroke(pixelStroke({{330, 200}, {380, 200}}), pixelAttributes(kRed, 6));
        attachAndShow();
        m_window->paper->grab(QRect(0, 0, 300, 150));
        m_window->window.resize(400, 300);
        QTRY_COMPARE(m_window->window.size(), QSize(400, 300));
        const QImage shown = m_window->paper->grab(QRect(0, 0, 400, 250)).toImage();
        QCOMPARE(m_renderer->layerStats().rect, QRect(0, 0, 400, 250));
        QCOMPARE(shown.pixel(350, 200), qRgb(255, 0, 0));
    }

    void detachStopsListening()
    {
        attachAndShow();
        m_renderer->detach();
        m_ink->CreateStroke(pixelStroke({{20, 20}, {100, 20}}), pixelAttributes(kRed, 6));
        QCOMPARE(m_renderer->layerStats().strokesPainted, 0u);
        // Without a layer it still draws, stroke by stroke.
        const QImage shown = m_window->paper->grab(QRect(0, 0, 300, 150)).toImage();
        QCOMPARE(shown.pixel(60, 20), qRgb(255, 0, 0));
    }
};

QTEST_MAIN(TestInkLayer)
#include "tst_ink_layer.moc"
