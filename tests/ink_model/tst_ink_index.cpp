// The spatial index must answer exactly as looking at every stroke would,
// also after strokes are deleted, split and restyled. Random pages catch
// what hand-made cases miss: chunks spread over several cells, reused index
// slots, oversized boxes, ink far from the origin.

#include "ink_test_util.h"
#include "random_page.h"

#include <QObject>
#include <QTest>

#include <climits>
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

std::vector<float> meetingsOneByOne(const InkDisp& ink, const InkStrokeDisp& s)
{
    std::vector<float> all;
    for (const InkStrokeDisp& o : ink.Strokes()) {
        if (o == s)
            continue;
        const std::vector<float> part = s.FindIntersections(InkStrokes({o}));
        all.insert(all.end(), part.begin(), part.end());
    }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

bool meets(const InkRectangle& a, const InkRectangle& b)
{
    return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}
}  // namespace

class TestInkIndex : public QObject {
    Q_OBJECT
private:
    // Deletes, splits and restyles some strokes, as the erasers would.
    static void churn(InkDisp& ink, std::mt19937& rng, int rounds)
    {
        for (int i = 0; i < rounds && ink.strokeCount() > 2; ++i) {
            const InkStrokes all = ink.Strokes();
            InkStrokeDisp s = all.Item(std::uniform_int_distribution<int>(0, all.Count() - 1)(rng));
            switch (i % 3) {
            case 0:
                ink.DeleteStroke(s);
                break;
            case 1: {
                const float last = float(s.PacketCount() - 1);
                s.Split(std::uniform_real_distribution<float>(0.0f, last)(rng));
                break;
            }
            default: {
                InkDrawingAttributes a = s.DrawingAttributes();
                a.SetWidth(std::uniform_real_distribution<float>(0.0f, 600.0f)(rng));
                s.SetDrawingAttributes(a);
            }
            }
        }
    }

private slots:
    void agreesWithEveryStroke_data()
    {
        QTest::addColumn<int>("strokes");
        QTest::addColumn<int>("offset");  // the page moved far from the origin
        QTest::addColumn<double>("maxStep");
        QTest::addColumn<unsigned>("seed");
        QTest::newRow("dense page") << 300 << 0 << 120.0 << 1u;
        QTest::newRow("page at negative coordinates") << 200 << -2000000000 << 120.0 << 2u;
        QTest::newRow("page near the int32 top") << 200 << 2000000000 << 120.0 << 3u;
        QTest::newRow("long steps over many cells") << 120 << 0 << 5000.0 << 4u;
    }
    void agreesWithEveryStroke()
    {
        QFETCH(int, strokes);
        QFETCH(int, offset);
        QFETCH(double, maxStep);
        QFETCH(unsigned, seed);
        RandomPageSpec spec;
        spec.strokes = strokes;
        spec.maxStep = maxStep;
        spec.seed = seed;
        auto page = randomWalkStrokes(spec);
        for (auto& stroke : page)
            for (InkPacket& p : stroke) {
                p.x = int32_t(int64_t(p.x) + (offset > 0 ? offset - spec.width : offset));
                p.y = int32_t(int64_t(p.y) + (offset > 0 ? offset - spec.height : offset));
            }
        InkDisp ink;
        fillInk(ink, page);
        // A few odd strokes: dots, a stroke with a huge width, one long segment.
        const int32_t ox = offset > 0 ? offset - spec.width : offset;
        ink.CreateStroke({InkPacket{ox + 500, ox + 500, 0}}, thinPen(30.0f));
        ink.CreateStroke({InkPacket{ox + 900, ox + 100, 512}, {ox + 950, ox + 130, 512}}, thinPen(1e9f));
        ink.CreateStroke({InkPacket{ox, ox, 512}, {ox + 16000, ox + 10500, 512}}, thinPen(10.0f));

        std::mt19937 rng(seed * 7919u);
        auto coord = [&](int extent) { return int32_t(int64_t(ox) + std::uniform_int_distribution<int>(-200, extent + 200)(rng)); };
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
                    const bool listed = in.contains(s.ID());
                    if (listed)
                        QVERIFY(meets(s.drawnBounds(), area));
                    float d = 0;
                    s.NearestPoint(x, y, &d);
                    if (d == 0.0f)
                        QVERIFY2(listed, "a stroke painting at the area's corner is missing");
                }
            }
            const InkStrokes all = ink.Strokes();
            for (int q = 0; q < 25; ++q) {
                const InkStrokeDisp s = all.Item(std::uniform_int_distribution<int>(0, all.Count() - 1)(rng));
                QCOMPARE(toList(s.FindIntersections()), toList(meetingsOneByOne(ink, s)));
            }
            churn(ink, rng, 60);
        }

        // A pass over the whole ink, as the intersection markers make, is
        // served from one sweep after the second stroke: same answers.
        const InkStrokes all = ink.Strokes();
        for (int i = 0; i < all.Count(); ++i) {
            const std::vector<float> swept = all.Item(i).FindIntersections(all);
            if (i % 3 == 1)
                QCOMPARE(toList(swept), toList(meetingsOneByOne(ink, all.Item(i))));
        }
        // A change in between is seen at once.
        InkStrokeDisp first = all.Item(0);
        InkStrokeDisp piece = first.Split(float(first.PacketCount() - 1) / 2.0f);
        for (const InkStrokeDisp& s : {all.Item(1), all.Item(2), piece, first})
            QCOMPARE(toList(s.FindIntersections(ink.Strokes())), toList(meetingsOneByOne(ink, s)));
    }
};

QTEST_APPLESS_MAIN(TestInkIndex)
#include "tst_ink_index.moc"
