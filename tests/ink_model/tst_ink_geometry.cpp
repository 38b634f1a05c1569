// Our geometric definitions, one table each: cusps, nearest point, split
// (with its interpolation) and the hit test.

#include "ink_test_util.h"

#include <QObject>
#include <QTest>

#include <climits>
#include <cmath>

namespace {
// Points evenly spaced along legs between corners; every corner is a point.
PointList legs(const PointList& corners, int pointsPerLeg)
{
    PointList out{corners.first()};
    for (int c = 1; c < corners.size(); ++c)
        for (int i = 1; i <= pointsPerLeg; ++i) {
            const QPointF p = corners[c - 1] + (corners[c] - corners[c - 1]) * (double(i) / pointsPerLeg);
            out.append(QPoint(qRound(p.x()), qRound(p.y())));
        }
    return out;
}

PointList arc(QPoint centre, int radius, double fromDeg, double toDeg, int points)
{
    PointList out;
    for (int i = 0; i < points; ++i) {
        const double a = qDegreesToRadians(fromDeg + (toDeg - fromDeg) * i / (points - 1));
        out.append(centre + QPoint(qRound(radius * std::cos(a)), qRound(radius * std::sin(a))));
    }
    return out;
}

PointList scaled(const PointList& points, int factor, QPoint offset)
{
    PointList out;
    for (const QPoint& p : points)
        out.append(p * factor + offset);
    return out;
}

std::vector<InkPacket> withPressures(const PointList& points, const QList<int>& pressures)
{
    std::vector<InkPacket> packets;
    for (int i = 0; i < points.size(); ++i)
        packets.push_back(InkPacket{points[i].x(), points[i].y(), pressures[i]});
    return packets;
}
}  // namespace

class TestInkGeometry : public QObject {
    Q_OBJECT
private slots:
    void cusps_data()
    {
        QTest::addColumn<PointList>("points");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("one point") << PointList{{5, 5}} << QList<int>{0};
        QTest::newRow("one place twice") << PointList{{5, 5}, {5, 5}} << QList<int>{0, 1};
        QTest::newRow("straight line") << legs({{0, 0}, {900, 400}}, 40) << QList<int>{0, 40};
        QTest::newRow("L") << legs({{0, 0}, {0, 600}, {500, 600}}, 20) << QList<int>{0, 20, 40};
        QTest::newRow("V") << legs({{0, 0}, {150, 600}, {300, 0}}, 25) << QList<int>{0, 25, 50};
        QTest::newRow("smooth circle") << arc({0, 0}, 500, 0, 360, 72) << QList<int>{0, 71};
        QTest::newRow("gentle quarter arc") << arc({0, 0}, 800, 0, 90, 40) << QList<int>{0, 39};
        QTest::newRow("rectangle in one stroke")
            << legs({{0, 0}, {800, 0}, {800, 500}, {0, 500}, {0, 0}}, 16) << QList<int>{0, 16, 32, 48, 64};
        QTest::newRow("zigzag of three corners")
            << legs({{0, 0}, {200, 500}, {400, 0}, {600, 500}, {800, 0}}, 12) << QList<int>{0, 12, 24, 36, 48};
        QTest::newRow("three points, right angle") << PointList{{0, 0}, {10, 0}, {10, 10}} << QList<int>{0, 1, 2};
        QTest::newRow("corner held still: first of the repeats")
            << PointList{{0, 0}, {0, 100}, {0, 200}, {0, 200}, {0, 200}, {100, 200}, {200, 200}}
            << QList<int>{0, 2, 6};
        QTest::newRow("hook at the end") << legs({{0, 0}, {0, 1000}, {60, 1000}}, 25) << QList<int>{0, 25, 50};
    }
    void cusps()
    {
        QFETCH(PointList, points);
        QFETCH(QList<int>, expected);
        // The same shape at other scales and places gives the same cusps.
        for (const auto& [factor, offset] : {std::pair{1, QPoint()}, {13, QPoint(-70000, 30000)}, {250, QPoint(5, 5)}}) {
            InkDisp ink;
            const InkStrokeDisp s = addStroke(ink, scaled(points, factor, offset));
            QCOMPARE(toList(s.PolylineCusps()), expected);
        }
    }

    void nearestPoint_data()
    {
        QTest::addColumn<PointList>("points");
        QTest::addColumn<float>("width");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<float>("index");
        QTest::addColumn<float>("distance");
        const PointList line{{0, 0}, {100, 0}};
        QTest::newRow("beside a segment") << line << 0.0f << QPoint(30, 40) << 0.3f << 40.0f;
        QTest::newRow("minus half the width") << line << 20.0f << QPoint(30, 40) << 0.3f << 30.0f;
        QTest::newRow("inside the ink: 0") << line << 20.0f << QPoint(50, 5) << 0.5f << 0.0f;
        QTest::newRow("past the end") << line << 0.0f << QPoint(150, 0) << 1.0f << 50.0f;
        QTest::newRow("before the start") << line << 0.0f << QPoint(-30, -40) << 0.0f << 50.0f;
        QTest::newRow("V: equal arms, lower index")
            << PointList{{0, 0}, {100, 100}, {200, 0}} << 0.0f << QPoint(100, 0) << 0.5f << float(std::sqrt(5000.0));
        QTest::newRow("U: equal ends, lower index")
            << PointList{{0, 0}, {0, 100}, {100, 100}, {100, 0}} << 0.0f << QPoint(50, 0) << 0.0f << 50.0f;
        QTest::newRow("on a corner") << PointList{{0, 0}, {0, 100}, {100, 100}} << 0.0f << QPoint(120, 120) << 2.0f
                                     << float(std::sqrt(800.0));
        QTest::newRow("one point") << PointList{{10, 10}} << 0.0f << QPoint(13, 14) << 0.0f << 5.0f;
        QTest::newRow("far apart, int32 corners") << PointList{{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}} << 0.0f
                                                  << QPoint(0, 1) << 0.5f << float(std::sqrt(0.5));
    }
    void nearestPoint()
    {
        QFETCH(PointList, points);
        QFETCH(float, width);
        QFETCH(QPoint, at);
        QFETCH(float, index);
        QFETCH(float, distance);
        InkDisp ink;
        const InkStrokeDisp s = addStroke(ink, points, width);
        float d = -1.0f;
        QCOMPARE(s.NearestPoint(at.x(), at.y(), &d), index);
        QCOMPARE(d, distance);
        QCOMPARE(s.NearestPoint(at.x(), at.y()), index);
    }

    void nearestUsesTheWidthDrawnThere()
    {
        // Pressure from none to full: the drawn width at the middle is Width.
        InkDisp ink;
        const InkStrokeDisp s =
            ink.CreateStroke(withPressures({{0, 0}, {1000, 0}}, {0, kInkMaxPressure}), thinPen(100.0f));
        float d = 0;
        QCOMPARE(s.NearestPoint(500, 200, &d), 0.5f);
        QCOMPARE(d, 150.0f);
        s.NearestPoint(0, 200, &d);
        QCOMPARE(d, 175.0f);
    }

    void split_data()
    {
        QTest::addColumn<PointList>("points");
        QTest::addColumn<float>("index");
        QTest::addColumn<PointList>("kept");
        QTest::addColumn<PointList>("rest");
        const PointList s{{0, 0}, {100, 200}, {110, 195}, {300, 300}};
        QTest::newRow("halfway, rounded down: (105, 197)")
            << s << 1.5f << PointList{{0, 0}, {100, 200}, {105, 197}} << PointList{{105, 197}, {110, 195}, {300, 300}};
        QTest::newRow("on a point") << s << 2.0f << PointList{{0, 0}, {100, 200}, {110, 195}}
                                    << PointList{{110, 195}, {300, 300}};
        QTest::newRow("at the start") << s << 0.0f << PointList{{0, 0}} << s;
        QTest::newRow("at the end") << s << 3.0f << s << PointList{{300, 300}};
        QTest::newRow("negative steps round down") << PointList{{0, 0}, {-3, -3}} << 0.5f
                                                   << PointList{{0, 0}, {-2, -2}} << PointList{{-2, -2}, {-3, -3}};
        QTest::newRow("quarter of a long step") << PointList{{0, 0}, {1000, -10}} << 0.25f
                                                << PointList{{0, 0}, {250, -3}} << PointList{{250, -3}, {1000, -10}};
        QTest::newRow("far apart") << PointList{{INT_MIN, 0}, {INT_MAX, 0}} << 0.5f
                                   << PointList{{INT_MIN, 0}, {-1, 0}} << PointList{{-1, 0}, {INT_MAX, 0}};
    }
    void split()
    {
        QFETCH(PointList, points);
        QFETCH(float, index);
        QFETCH(PointList, kept);
        QFETCH(PointList, rest);
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, points);
        InkStrokeDisp after = addStroke(ink, {{9, 9}});
        const InkStrokeDisp piece = s.Split(index);
        QCOMPARE(s.packets(), packetsOf(kept));
        QCOMPARE(piece.packets(), packetsOf(rest));
        const InkStrokes all = ink.Strokes();
        QCOMPARE(all.Count(), 3);
        QVERIFY(all.Item(1) == piece && all.Item(2) == after);
    }

    void splitInterpolatesPressure()
    {
        InkDisp ink;
        InkStrokeDisp s = ink.CreateStroke(withPressures({{100, 200}, {110, 195}}, {512, 601}), thinPen());
        const InkStrokeDisp piece = s.Split(0.5f);
        QCOMPARE(s.packets().back(), (InkPacket{105, 197, 556}));
        QCOMPARE(piece.packets().front(), (InkPacket{105, 197, 556}));
    }

    void hitTest_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<float>("radius");
        QTest::addColumn<QList<int>>("hits");
        QTest::newRow("inside a wide stroke") << QPoint(500, 100) << 10.0f << QList<int>{1};
        QTest::newRow("near nothing") << QPoint(200, 60) << 10.0f << QList<int>{};
        QTest::newRow("edge exactly at the radius") << QPoint(200, 10) << 10.0f << QList<int>{0};
        QTest::newRow("just beyond the radius") << QPoint(200, 11) << 10.0f << QList<int>{};
        QTest::newRow("width counts: half of 100") << QPoint(560, 300) << 10.0f << QList<int>{1};
        QTest::newRow("width counts, just out") << QPoint(561, 300) << 10.0f << QList<int>{};
        QTest::newRow("stroke wholly inside") << QPoint(2000, 2000) << 100.0f << QList<int>{2};
        QTest::newRow("dot, edge at the radius") << QPoint(3000, 30) << 10.0f << QList<int>{3};
        QTest::newRow("dot, beyond") << QPoint(3000, 31) << 10.0f << QList<int>{};
        QTest::newRow("radius 0 at a crossing: ink order") << QPoint(500, 0) << 0.0f << QList<int>{0, 1};
        QTest::newRow("huge radius: all") << QPoint(0, 0) << 1e12f << QList<int>{0, 1, 2, 3};
    }
    void hitTest()
    {
        QFETCH(QPoint, at);
        QFETCH(float, radius);
        QFETCH(QList<int>, hits);
        InkDisp ink;
        std::vector<InkStrokeDisp> s{
            addStroke(ink, {{0, 0}, {1000, 0}}),
            addStroke(ink, {{500, -500}, {500, 500}}, 100.0f),
            addStroke(ink, {{1995, 1995}, {2005, 1995}, {2005, 2005}, {1995, 2005}, {1995, 1995}}),
            addStroke(ink, {{3000, 0}}, 40.0f),
        };
        QList<int> got;
        for (const InkStrokeDisp& h : ink.HitTestCircle(at.x(), at.y(), radius))
            got.append(int(std::find(s.begin(), s.end(), h) - s.begin()));
        QCOMPARE(got, hits);
    }

    void hitTestFollowsInkOrderAfterChanges()
    {
        InkDisp ink;
        InkStrokeDisp a = addStroke(ink, {{0, 0}, {100, 0}});
        InkStrokeDisp b = addStroke(ink, {{0, 10}, {100, 10}});
        InkStrokeDisp c = addStroke(ink, {{-50, 5}, {0, 5}, {50, 5}});
        ink.DeleteStroke(a);
        InkStrokeDisp d = addStroke(ink, {{50, -50}, {50, 50}});  // may reuse a's place in the index
        InkStrokeDisp cTail = c.Split(1.0f);
        const InkStrokes hits = ink.HitTestCircle(50, 5, 10.0f);
        QCOMPARE(hits.Count(), 3);
        QVERIFY(hits.Item(0) == b && hits.Item(1) == cTail && hits.Item(2) == d);
    }
};

QTEST_APPLESS_MAIN(TestInkGeometry)
#include "tst_ink_geometry.moc"
