// The marker cache against the plain approach (every stroke asked again) on
// random pages, through erasing, deleting, adding, too many changes at once and
// clearing: the same markers, while only strokes near a change are asked again.

#include "app/ink/marker_cache.h"
#include "app/ink/markers.h"
#include "app/ink/stretch_cut.h"
#include "tests/ink_model/random_page.h"

#include <QTest>

#include <random>

namespace {

std::vector<std::vector<InkPoint>> plainPositions(InkDisp& ink, MarkerCache::Kind kind)
{
    std::vector<std::vector<InkPoint>> result;
    const InkStrokes strokes = ink.Strokes();
    for (const InkStrokeDisp& s : strokes)
        result.push_back(kind == MarkerCache::Kind::Cusps ? cuspMarkerPoints(s) : intersectionMarkerPoints(s, strokes));
    return result;
}

size_t markerCount(const std::vector<std::vector<InkPoint>>& positions)
{
    size_t n = 0;
    for (const auto& p : positions)
        n += p.size();
    return n;
}

// What the intersection eraser does at a point, without a window.
void eraseAt(InkDisp& ink, int32_t x, int32_t y)
{
    for (InkStrokeDisp s : ink.HitTestCircle(x, y, 30.0f)) {
        const std::vector<float> crossings = s.FindIntersections(ink.Strokes());
        if (crossings.empty()) {
            ink.DeleteStroke(s);
            continue;
        }
        stretchCut(ink, s, intersectionBoundaries(crossings, s.PacketCount() - 1),
                   intersectionLowerBoundary(crossings, s.NearestPoint(x, y)));
    }
}

}  // namespace

class TestMarkerCache : public QObject {
    Q_OBJECT
private slots:
    void sameAsPlainThroughChanges_data();
    void sameAsPlainThroughChanges();
};

void TestMarkerCache::sameAsPlainThroughChanges_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("crossings") << int(MarkerCache::Kind::Intersections) << 1u;
    QTest::newRow("cusps") << int(MarkerCache::Kind::Cusps) << 2u;
}

void TestMarkerCache::sameAsPlainThroughChanges()
{
    QFETCH(int, kind);
    QFETCH(unsigned, seed);
    const auto k = MarkerCache::Kind(kind);
    RandomPageSpec spec;
    spec.strokes = 400;
    spec.seed = seed;
    spec.maxPoints = 80;
    InkDisp ink;
    fillInk(ink, randomWalkStrokes(spec));
    MarkerCache cache(k);
    QVERIFY(cache.positions(ink) == plainPositions(ink, k));
    QVERIFY(markerCount(plainPositions(ink, k)) > 400);

    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> px(0, spec.width);
    std::uniform_int_distribution<int32_t> py(0, spec.height);
    RandomPageSpec more = spec;
    more.strokes = 3;
    for (int round = 0; round < 12; ++round) {
        const uint64_t askedBefore = cache.stats().strokesAsked;
        switch (round % 4) {
        case 0:
        case 1:
            for (int i = 0; i < 3; ++i)
                eraseAt(ink, px(rng), py(rng));
            break;
        case 2:
            more.seed = seed * 100 + unsigned(round);
            fillInk(ink, randomWalkStrokes(more));
            break;
        case 3:
            ink.DeleteStroke(ink.Strokes().Item(int32_t(rng() % unsigned(ink.strokeCount()))));
            break;
        }
        const auto cached = cache.positions(ink);
        QVERIFY2(cached == plainPositions(ink, k), qPrintable(QStringLiteral("round %1").arg(round)));
        QVERIFY2(cache.stats().strokesAsked - askedBefore < uint64_t(ink.strokeCount() / 2),
                 "a local change asks only the strokes near it");
    }
    QCOMPARE(cache.stats().fullRebuilds, uint64_t(1));
    // More changes than the cache keeps track of: it starts afresh.
    RandomPageSpec many = spec;
    many.strokes = 1100;
    many.maxPoints = 30;
    many.seed = 9;
    fillInk(ink, randomWalkStrokes(many));
    QVERIFY(cache.positions(ink) == plainPositions(ink, k));
    QCOMPARE(cache.stats().fullRebuilds, uint64_t(2));

    ink.DeleteStrokes();
    QVERIFY(cache.positions(ink).empty());
}

QTEST_APPLESS_MAIN(TestMarkerCache)
#include "tst_marker_cache.moc"
