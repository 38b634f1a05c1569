// The marker cache against the plain approach (every stroke asked again) on
// random pages, through erasing, deleting, adding and clearing: the same
// markers, while only strokes near a change are asked again.

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
    void manyChangesStartAfresh();
};

void TestMarkerCache::sameAsPlainThroughChanges_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<unsigned>("seed");
    for (unsigned seed : {1u, 2u}) {
        QTest::addRow("crossings, page %u", seed) << int(MarkerCache::Kind::Intersections) << seed;
        QTest::addRow("cusps, page %u", seed) << int(MarkerCache::Kind::Cusps) << seed;
    }
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

    ink.DeleteStrokes();
    QVERIFY(cache.positions(ink).empty());
}

void TestMarkerCache::manyChangesStartAfresh()
{
    RandomPageSpec spec;
    spec.strokes = 50;
    InkDisp ink;
    fillInk(ink, randomWalkStrokes(spec));
    MarkerCache cache(MarkerCache::Kind::Intersections);
    cache.positions(ink);
    spec.strokes = 1100;  // more changes than the cache keeps track of
    spec.maxPoints = 30;
    spec.seed = 9;
    fillInk(ink, randomWalkStrokes(spec));
    QVERIFY(cache.positions(ink) == plainPositions(ink, MarkerCache::Kind::Intersections));
    QCOMPARE(cache.stats().fullRebuilds, uint64_t(2));
}

QTEST_APPLESS_MAIN(TestMarkerCache)
#include "tst_marker_cache.moc"
