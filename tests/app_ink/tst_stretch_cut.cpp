// The pieces the erasers are made of, without a window: the marker
// interpolation, the eraser's reach along its path, and the marker cache
// against every stroke asked again.

#include "app/ink/eraser_reach.h"
#include "app/ink/marker_cache.h"
#include "app/ink/markers.h"
#include "app/ink/stretch_cut.h"

#include <QTest>

namespace {
// Small crosses on an n x n grid from x0, each arm a zigzag: cusps and
// crossings all over, each stroke near only a few others.
void crosses(InkDisp& ink, int n, int32_t x0)
{
    InkDrawingAttributes pen;
    pen.SetWidth(53.0f);
    for (int c = 0; c < n * n; ++c) {
        const int32_t x = x0 + (c % n) * 800;
        const int32_t y = (c / n) * 800;
        std::vector<InkPacket> across, down;
        for (int k = 0; k <= 12; ++k) {
            const int32_t zig = (k / 4) % 2 * 120;
            across.push_back(InkPacket{x + k * 50, y + 300 + zig, kInkMousePressure});
            down.push_back(InkPacket{x + 300 + zig, y + k * 50, kInkMousePressure});
        }
        ink.CreateStroke(across, pen);
        ink.CreateStroke(down, pen);
    }
}

std::vector<std::vector<InkPoint>> plainPositions(InkDisp& ink, MarkerCache::Kind kind)
{
    std::vector<std::vector<InkPoint>> result;
    const InkStrokes strokes = ink.Strokes();
    for (const InkStrokeDisp& s : strokes)
        result.push_back(kind == MarkerCache::Kind::Cusps ? cuspMarkerPoints(s) : intersectionMarkerPoints(s, strokes));
    return result;
}
}  // namespace

class TestStretchCut : public QObject {
    Q_OBJECT
private slots:
    void markerInterpolation_data();
    void markerInterpolation();
    void eraserReach_data();
    void eraserReach();
    void markerCache_data();
    void markerCache();
};

void TestStretchCut::markerInterpolation_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<float>("index");  // on the segment from point 7
    QTest::addColumn<QPoint>("marker");
    QTest::newRow("halfway, floor of -2.5 is -3") << QPoint(100, 200) << QPoint(110, 195) << 7.5f << QPoint(105, 197);
    QTest::newRow("far apart, past 16 bits") << QPoint(-2000000000, 0) << QPoint(2000000000, 7) << 7.5f
                                             << QPoint(0, 3);
}

void TestStretchCut::markerInterpolation()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(float, index);
    QFETCH(QPoint, marker);
    const PointIndex at = splitPointIndex(index);
    QCOMPARE(at.point, int64_t(7));
    const InkPoint p = at.fraction > 0 ? interpolateMarker({from.x(), from.y()}, {to.x(), to.y()}, at.fraction)
                                       : InkPoint{from.x(), from.y()};
    QCOMPARE(QPoint(p.x, p.y), marker);
}

// A stroke along y = 0 from x = 0 to 1000, 40 units wide, or widening with
// pen pressure from 20 to 60: the eraser's path from -> to, radius 30.
void TestStretchCut::eraserReach_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("widening");
    QTest::addColumn<bool>("reaches");
    QTest::newRow("a point 49 above the centre line") << QPoint(500, 49) << QPoint(500, 49) << false << true;
    QTest::newRow("a point 51 above") << QPoint(500, 51) << QPoint(500, 51) << false << false;
    QTest::newRow("passing clear of its end") << QPoint(1060, -400) << QPoint(1060, 400) << false << false;
    QTest::newRow("widening: 59 above its wide end") << QPoint(1000, 59) << QPoint(1000, 59) << true << true;
    QTest::newRow("widening: 41 above its narrow end") << QPoint(0, 41) << QPoint(0, 41) << true << false;
}

void TestStretchCut::eraserReach()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(bool, widening);
    QFETCH(bool, reaches);
    InkDisp ink;
    InkDrawingAttributes pen;
    pen.SetWidth(40.0f);
    const InkStrokeDisp stroke =
        ink.CreateStroke({InkPacket{0, 0, widening ? 0 : kInkMousePressure},
                          InkPacket{1000, 0, widening ? kInkMaxPressure : kInkMousePressure}},
                         pen);
    const InkPoint a{from.x(), from.y()};
    const InkPoint b{to.x(), to.y()};
    QCOMPARE(edgeNearSegment(stroke.packets(), pen, a, b, 30.0), reaches);
    QCOMPARE(strokesNearSegment(ink, a, b, 30.0f).Count(), reaches ? 1 : 0);
    // The other way along the path reaches the same.
    QCOMPARE(strokesNearSegment(ink, b, a, 30.0f).Count(), reaches ? 1 : 0);
}

// Erasing (as the intersection eraser does), adding and deleting: the same
// markers, while only strokes near a change are asked again. More changes
// than the cache keeps track of: it starts afresh.
void TestStretchCut::markerCache_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("crossings") << int(MarkerCache::Kind::Intersections);
    QTest::newRow("cusps") << int(MarkerCache::Kind::Cusps);
}

void TestStretchCut::markerCache()
{
    QFETCH(int, kind);
    const auto k = MarkerCache::Kind(kind);
    InkDisp ink;
    crosses(ink, 20, 0);
    MarkerCache cache(k);
    QVERIFY(cache.positions(ink) == plainPositions(ink, k));
    for (int round = 0; round < 6; ++round) {
        const uint64_t askedBefore = cache.stats().strokesAsked;
        const InkPoint at = ink.Strokes().Item(round * 53).GetPoints(6, 1).front();  // a stroke's middle
        const int32_t x = at.x;
        const int32_t y = at.y;
        if (round % 3 == 0) {
            for (InkStrokeDisp s : ink.HitTestCircle(x, y, 30.0f)) {
                const IntersectionStretch stretch =
                    intersectionStretch(s.crossingsAround(s.NearestPoint(x, y)), s.PacketCount() - 1);
                stretchCut(ink, s, stretch.boundaries, stretch.lower);
            }
        } else if (round % 3 == 1) {
            crosses(ink, 1, x);
        } else {
            ink.DeleteStroke(ink.Strokes().Item(round * 37));
        }
        QVERIFY2(cache.positions(ink) == plainPositions(ink, k), qPrintable(QString::number(round)));
        QVERIFY2(cache.stats().strokesAsked - askedBefore < uint64_t(ink.strokeCount() / 2),
                 "a local change asks only the strokes near it");
    }
    QCOMPARE(cache.stats().fullRebuilds, uint64_t(1));
    crosses(ink, 24, 20000);
    QVERIFY(cache.positions(ink) == plainPositions(ink, k));
    QCOMPARE(cache.stats().fullRebuilds, uint64_t(2));
    ink.DeleteStrokes();
    QVERIFY(cache.positions(ink).empty());
}

QTEST_APPLESS_MAIN(TestStretchCut)
#include "tst_stretch_cut.moc"
