// The pieces the erasers are made of, without a window: the boundary
// searches, the stretch cut on real ink, the marker interpolation and the
// eraser's reach along its path.

#include "app/ink/eraser_reach.h"
#include "app/ink/held_repaint.h"
#include "app/ink/markers.h"
#include "app/ink/stretch_cut.h"
#include "tests/ink_model/ink_test_util.h"

#include <QTest>

using IntList = QList<int>;
using FloatList = QList<float>;

class TestStretchCut : public QObject {
    Q_OBJECT
private slots:
    void cuspLowerBoundary_data();
    void cuspLowerBoundary();
    void intersectionLowerBoundary_data();
    void intersectionLowerBoundary();
    void cutLeavesPieces_data();
    void cutLeavesPieces();
    void cutBeyondSixteenBits();
    void markerInterpolation_data();
    void markerInterpolation();
    void eraserReach_data();
    void eraserReach();
    void heldAreasMerge();
};

void TestStretchCut::cuspLowerBoundary_data()
{
    QTest::addColumn<IntList>("cusps");
    QTest::addColumn<float>("nearest");
    QTest::addColumn<int>("lower");  // -1: none
    const IntList zigzag{0, 10, 20, 30};
    QTest::newRow("first stretch") << zigzag << 4.5f << 0;
    QTest::newRow("inner stretch") << zigzag << 15.25f << 1;
    QTest::newRow("last stretch") << zigzag << 29.0f << 2;
    QTest::newRow("on an inner cusp: the stretch it begins") << zigzag << 10.0f << 1;
    QTest::newRow("on the last point: the last stretch") << zigzag << 30.0f << 2;
    QTest::newRow("on the first point") << zigzag << 0.0f << 0;
    QTest::newRow("just below a cusp") << zigzag << 19.999f << 1;
    QTest::newRow("beyond 32767") << IntList{0, 40000, 99999} << 50000.5f << 1;
    QTest::newRow("one cusp: none") << IntList{0} << 0.0f << -1;
}

void TestStretchCut::cuspLowerBoundary()
{
    QFETCH(IntList, cusps);
    QFETCH(float, nearest);
    QFETCH(int, lower);
    const std::vector<int32_t> list(cusps.begin(), cusps.end());
    const std::optional<size_t> found = ::cuspLowerBoundary(list, nearest);
    QCOMPARE(found ? int(*found) : -1, lower);
}

void TestStretchCut::intersectionLowerBoundary_data()
{
    QTest::addColumn<FloatList>("crossings");
    QTest::addColumn<float>("nearest");
    QTest::addColumn<int>("lower");  // in the list start, crossings..., end
    const FloatList two{3.5f, 7.25f};
    QTest::newRow("before the first") << two << 1.0f << 0;
    QTest::newRow("between") << two << 5.0f << 1;
    QTest::newRow("after the last") << two << 9.0f << 2;
    QTest::newRow("on a crossing: the stretch it begins") << two << 7.25f << 2;
    QTest::newRow("on the first crossing") << two << 3.5f << 1;
    QTest::newRow("one crossing, before") << FloatList{2.0f} << 1.99f << 0;
    QTest::newRow("one crossing, after") << FloatList{2.0f} << 2.0f << 1;
}

void TestStretchCut::intersectionLowerBoundary()
{
    QFETCH(FloatList, crossings);
    QFETCH(float, nearest);
    QFETCH(int, lower);
    const std::vector<float> list(crossings.begin(), crossings.end());
    QCOMPARE(int(::intersectionLowerBoundary(list, nearest)), lower);
}

// A straight stroke of points 0..20 along x (x = 100 * index), cut with the
// boundary list given: what remains, as the x extents of the strokes left.
void TestStretchCut::cutLeavesPieces_data()
{
    QTest::addColumn<QList<double>>("boundaries");
    QTest::addColumn<int>("lower");
    QTest::addColumn<QList<QPoint>>("left");  // (first x, last x) of each stroke, in ink order
    const QList<double> inner{0, 5, 12, 20};
    QTest::newRow("first stretch: one stroke from the first inner boundary")
        << inner << 0 << QList<QPoint>{{500, 2000}};
    QTest::newRow("inner stretch: start and end remain") << inner << 1 << QList<QPoint>{{0, 500}, {1200, 2000}};
    QTest::newRow("last stretch: the start remains") << inner << 2 << QList<QPoint>{{0, 1200}};
    QTest::newRow("no inner boundary: the stroke goes") << QList<double>{0, 20} << 0 << QList<QPoint>{};
    QTest::newRow("fractional boundaries") << QList<double>{0, 2.5, 7.75, 20} << 1
                                           << QList<QPoint>{{0, 250}, {775, 2000}};
    QTest::newRow("both boundaries on one segment") << QList<double>{0, 5.25, 5.75, 20} << 1
                                                    << QList<QPoint>{{0, 525}, {575, 2000}};
    QTest::newRow("upper on a point, lower on the segment before") << QList<double>{0, 5.5, 6, 20} << 1
                                                                   << QList<QPoint>{{0, 550}, {600, 2000}};
}

void TestStretchCut::cutLeavesPieces()
{
    QFETCH(QList<double>, boundaries);
    QFETCH(int, lower);
    QFETCH(QList<QPoint>, left);
    InkDisp ink;
    PointList line;
    for (int i = 0; i <= 20; ++i)
        line << QPoint(100 * i, 0);
    InkStrokeDisp stroke = addStroke(ink, line, 20.0f);
    const InkStrokeDisp other = addStroke(ink, {QPoint(0, 5000), QPoint(100, 5000)});
    const std::vector<double> list(boundaries.begin(), boundaries.end());
    stretchCut(ink, stroke, list, size_t(lower));

    QList<QPoint> extents;
    for (const InkStrokeDisp& s : ink.Strokes())
        if (!(s == other))
            extents << QPoint(s.GetPoints().front().x, s.GetPoints().back().x);
    QCOMPARE(extents, left);
    QCOMPARE(ink.Strokes().Item(ink.strokeCount() - 1), other);  // pieces stay where the stroke was
}

// Positions and indices past the 16-bit range are ordinary.
void TestStretchCut::cutBeyondSixteenBits()
{
    InkDisp ink;
    std::vector<InkPacket> packets;
    for (int i = 0; i < 100000; ++i)
        packets.push_back(InkPacket{i, (i / 1000) % 2 == 0 ? 0 : 1, kInkMousePressure});
    InkStrokeDisp stroke = ink.CreateStroke(packets, InkDrawingAttributes());
    const std::vector<double> boundaries{0, 40000, 70000.5, 99999};
    stretchCut(ink, stroke, boundaries, 1);
    QCOMPARE(ink.strokeCount(), 2);
    QCOMPARE(ink.Strokes().Item(0).PacketCount(), 40001);
    QCOMPARE(ink.Strokes().Item(0).GetPoints().back().x, 40000);
    QCOMPARE(ink.Strokes().Item(1).GetPoints().front().x, 70000);
    QCOMPARE(ink.Strokes().Item(1).GetPoints().back().x, 99999);
}

void TestStretchCut::markerInterpolation_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<float>("index");  // on the segment from point 7
    QTest::addColumn<QPoint>("marker");
    QTest::newRow("halfway, floor of -2.5 is -3") << QPoint(100, 200) << QPoint(110, 195) << 7.5f << QPoint(105, 197);
    QTest::newRow("on the point") << QPoint(100, 200) << QPoint(110, 195) << 7.0f << QPoint(100, 200);
    QTest::newRow("a quarter, negative steps") << QPoint(0, 0) << QPoint(-10, -10) << 7.25f << QPoint(-3, -3);
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

// A stroke along y = 0 from x = 0 to 1000, 40 units wide: the eraser's path
// from -> to, radius 30.
void TestStretchCut::eraserReach_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("reaches");
    QTest::newRow("a point on it") << QPoint(500, 0) << QPoint(500, 0) << true;
    QTest::newRow("a point 49 above the centre line") << QPoint(500, 49) << QPoint(500, 49) << true;
    QTest::newRow("a point 51 above") << QPoint(500, 51) << QPoint(500, 51) << false;
    QTest::newRow("jumping over it between two packets") << QPoint(500, -400) << QPoint(500, 400) << true;
    QTest::newRow("passing its end") << QPoint(1040, -400) << QPoint(1040, 400) << true;
    QTest::newRow("passing clear of its end") << QPoint(1060, -400) << QPoint(1060, 400) << false;
    QTest::newRow("parallel and clear") << QPoint(-500, 60) << QPoint(1500, 60) << false;
}

void TestStretchCut::eraserReach()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(bool, reaches);
    InkDisp ink;
    InkDrawingAttributes pen;
    pen.SetWidth(40.0f);
    const InkStrokeDisp stroke = ink.CreateStroke(
        {InkPacket{0, 0, kInkMousePressure}, InkPacket{1000, 0, kInkMousePressure}}, pen);
    const InkPoint a{from.x(), from.y()};
    const InkPoint b{to.x(), to.y()};
    QCOMPARE(edgeNearSegment(stroke.packets(), pen, a, b, 30.0), reaches);
    QCOMPARE(strokesNearSegment(ink, a, b, 30.0f).Count(), reaches ? 1 : 0);
    // The other way along the path reaches the same.
    QCOMPARE(strokesNearSegment(ink, b, a, 30.0f).Count(), reaches ? 1 : 0);
}

// Areas that meet, directly or through others, become their common bounds;
// the rest stay apart.
void TestStretchCut::heldAreasMerge()
{
    // Top, Left, Bottom, Right
    const std::vector<InkRectangle> areas{{0, 0, 10, 10}, {100, 100, 110, 110}, {5, 5, 20, 20},
                                          {18, 18, 30, 30}, {0, 0, -1, -1}};
    std::vector<InkRectangle> merged = HeldRepaint::merged(areas);
    std::sort(merged.begin(), merged.end(), [](const InkRectangle& a, const InkRectangle& b) { return a.Top < b.Top; });
    QCOMPARE(merged.size(), size_t(2));
    QCOMPARE(merged[0], (InkRectangle{0, 0, 30, 30}));
    QCOMPARE(merged[1], (InkRectangle{100, 100, 110, 110}));
}

QTEST_APPLESS_MAIN(TestStretchCut)
#include "tst_stretch_cut.moc"
