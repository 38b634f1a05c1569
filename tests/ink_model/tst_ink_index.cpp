// The spatial index must answer exactly as looking at every stroke would,
// also after strokes are deleted, split and restyled. Random pages catch
// what hand-made cases miss: chunks spread over several cells, reused index
// slots, oversized boxes, ink far from the origin.

#include "ink_test_util.h"
#include "random_page.h"

#include <QObject>
#include <QTest>

#include <random>

namespace {
QList<int64_t> ids(const InkStrokes& strokes)
{
    QList<int64_t> out;
    for (const InkStrokeDisp& s : strokes)
        out.append(s.ID());
    return out;
}

QList<int64_t> hitByEveryStroke(const InkDisp& ink, int32_t x, int32_t y, float r)
{
    QList<int64_t> out;
    for (const InkStrokeDisp& s : ink.Strokes()) {
        float d = 0;
        s.NearestPoint(x, y, &d);
        if (d <= r)
            out.append(s.ID());
    }
    return out;
}

QList<float> meetingsOneByOne(const InkDisp& ink, const InkStrokeDisp& s)
{
    std::vector<float> all;
    for (const InkStrokeDisp& o : ink.Strokes()) {
        const std::vector<float> part = o == s ? std::vector<float>() : s.FindIntersections(InkStrokes({o}));
        all.insert(all.end(), part.begin(), part.end());
    }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return toList(all);
}

// Deletes, splits and restyles some strokes, as the erasers would.
void churn(InkDisp& ink, std::mt19937& rng, int rounds)
{
    for (int i = 0; i < rounds && ink.strokeCount() > 2; ++i) {
        InkStrokeDisp s = ink.Strokes().Item(std::uniform_int_distribution<int>(0, ink.strokeCount() - 1)(rng));
        InkDrawingAttributes a = s.DrawingAttributes();
        a.SetWidth(std::uniform_real_distribution<float>(0.0f, 600.0f)(rng));
        if (i % 3 == 0)
            ink.DeleteStroke(s);
        else if (i % 3 == 1)
            s.Split(std::uniform_real_distribution<float>(0.0f, float(s.PacketCount() - 1))(rng));
        else
            s.SetDrawingAttributes(a);
    }
}
}  // namespace

class TestInkIndex : public QObject {
    Q_OBJECT
private slots:
    void agreesWithEveryStroke_data()
    {
        QTest::addColumn<int>("strokes");
        QTest::addColumn<int>("corner");  // the page's top-left corner, x and y
        QTest::addColumn<double>("maxStep");
        QTest::addColumn<unsigned>("seed");
        QTest::newRow("dense page") << 300 << 0 << 120.0 << 1u;
        QTest::newRow("page at negative coordinates") << 200 << -2000000000 << 120.0 << 2u;
        QTest::newRow("page near the int32 top") << 200 << 2147460000 << 120.0 << 3u;
        QTest::newRow("long steps over many cells") << 60 << 0 << 5000.0 << 4u;
        QTest::newRow("few strokes crossing themselves, cut up") << 6 << 0 << 4000.0 << 5u;
    }
    void agreesWithEveryStroke()
    {
        QFETCH(int, strokes);
        QFETCH(int, corner);
        QFETCH(double, maxStep);
        QFETCH(unsigned, seed);
        RandomPageSpec spec;
        spec.strokes = strokes;
        spec.maxStep = maxStep;
        spec.seed = seed;
        auto page = randomWalkStrokes(spec);
        for (auto& stroke : page)
            for (InkPacket& p : stroke) {
                p.x += corner;
                p.y += corner;
            }
        InkDisp ink;
        fillInk(ink, page);
        // A few odd strokes: a dot, a stroke with a huge width, one long segment.
        const int32_t c = corner;
        ink.CreateStroke({InkPacket{c + 500, c + 500, 0}}, thinPen(30.0f));
        ink.CreateStroke({InkPacket{c + 900, c + 100, 512}, {c + 950, c + 130, 512}}, thinPen(1e9f));
        ink.CreateStroke({InkPacket{c, c, 512}, {c + 16000, c + 10500, 512}}, thinPen(10.0f));

        std::mt19937 rng(seed * 7919u);
        auto coord = [&](int extent) { return c + std::uniform_int_distribution<int>(-200, extent + 200)(rng); };
        for (int round = 0; round < 3; ++round) {
            for (int q = 0; q < 100; ++q) {
                const int32_t x = coord(spec.width);
                const int32_t y = coord(spec.height);
                const float r = std::uniform_real_distribution<float>(0.0f, q % 10 == 0 ? 3000.0f : 60.0f)(rng);
                QCOMPARE(ids(ink.HitTestCircle(x, y, r)), hitByEveryStroke(ink, x, y, r));

                // strokesIn: every stroke that can paint there, none whose drawn bounds miss it.
                const InkRectangle area{y, x, y + int32_t(r), x + int32_t(r)};
                const QList<int64_t> in = ids(ink.strokesIn(area));
                for (const InkStrokeDisp& s : ink.Strokes()) {
                    const InkRectangle b = s.drawnBounds();
                    if (in.contains(s.ID()))
                        QVERIFY(b.Left <= area.Right && area.Left <= b.Right && b.Top <= area.Bottom &&
                                area.Top <= b.Bottom);
                    float d = 0;
                    s.NearestPoint(x, y, &d);
                    if (d == 0.0f)
                        QVERIFY2(in.contains(s.ID()), "a stroke painting at the area's corner is missing");
                }
            }
            const InkStrokes all = ink.Strokes();
            for (int q = 0; q < 25; ++q) {
                const InkStrokeDisp s = all.Item(std::uniform_int_distribution<int>(0, all.Count() - 1)(rng));
                QCOMPARE(toList(s.FindIntersections()), meetingsOneByOne(ink, s));
            }
            churn(ink, rng, 60);
        }

        // A pass over the whole ink, as the intersection markers make, is
        // served from one sweep after the second stroke: same answers.
        const InkStrokes all = ink.Strokes();
        for (int i = 0; i < all.Count(); ++i) {
            const std::vector<float> swept = all.Item(i).FindIntersections(all);
            if (i % 3 == 1)
                QCOMPARE(toList(swept), meetingsOneByOne(ink, all.Item(i)));
        }
        // A change in between is seen at once.
        InkStrokeDisp first = all.Item(0);
        InkStrokeDisp piece = first.Split(float(first.PacketCount() - 1) / 2.0f);
        for (const InkStrokeDisp& s : {all.Item(1), all.Item(2), piece, first})
            QCOMPARE(toList(s.FindIntersections(ink.Strokes())), meetingsOneByOne(ink, s));
    }
};

QTEST_APPLESS_MAIN(TestInkIndex)
#include "tst_ink_index.moc"
