// Our geometric definitions, one table each: cusps, nearest point, split
// (with its interpolation), the hit test and intersections; and the grid the
// queries go through. (That the index answers as every stroke would, on
// random pages and changes, is fuzz_ink_geometry's check.)

#include "ink_test_util.h"
#include "platform/ink/spatial_grid.h"

#include <QObject>
#include <QTest>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>

using StrokeList = QList<PointList>;

namespace {
// Mouse positions in ink units along legs between corners given in pixels:
// whole pixels a step apart along the longer axis (so axis and diagonal
// steps mix), each moved by -1, 0 or +1 px on both axes when a jitter seed
// is given. at gets the corners' indices.
PointList mouse(const PointList& corners, unsigned jitterSeed, QList<int>& at)
{
    std::minstd_rand rng(jitterSeed);
    PointList out;
    auto put = [&](QPointF p) {
        QPoint px = p.toPoint();
        if (jitterSeed)
            px += QPoint(int(rng() % 3) - 1, int(rng() % 3) - 1);
        out.append(QPoint(qRound(px.x() * 2540.0 / 96), qRound(px.y() * 2540.0 / 96)));
    };
    put(corners.first());
    at = {0};
    for (qsizetype c = 1; c < corners.size(); ++c) {
        const QPoint leg = corners[c] - corners[c - 1];
        const int steps = std::max(std::abs(leg.x()), std::abs(leg.y()));
        for (int i = 1; i <= steps; ++i)
            put(QPointF(corners[c - 1]) + QPointF(leg) * (double(i) / steps));
        at.append(int(out.size()) - 1);
    }
    return out;
}

InkStrokeDisp withPressures(InkDisp& ink, const PointList& points, const QList<int>& pressures, float width)
{
    std::vector<InkPacket> packets = packetsOf(points);
    for (size_t i = 0; i < packets.size(); ++i)
        packets[i].pressure = pressures[qsizetype(i)];
    return ink.CreateStroke(packets, thinPen(width));
}
}  // namespace

class TestInkGeometry : public QObject {
    Q_OBJECT
private slots:
    void cusps_data()
    {
        QTest::addColumn<PointList>("points");
        QTest::addColumn<QList<int>>("expected");
        // Points a cusp may lie off its corner where the input jitters; such
        // rows are not drawn bigger, which would make their jitter a zigzag.
        QTest::addColumn<int>("slack");
        using I = QList<int>;
        QTest::newRow("one point") << PointList{{5, 5}} << I{0} << 0;
        QTest::newRow("one place twice") << PointList{{5, 5}, {5, 5}} << I{0, 1} << 0;
        QTest::newRow("corner held still: first of the repeats")
            << PointList{{0, 0}, {0, 100}, {0, 200}, {0, 200}, {0, 200}, {100, 200}, {200, 200}} << I{0, 2, 6} << 0;
        // The mouse: whole pixels, 1-pixel steps, +-1 px jitter.
        QList<int> at;
        for (const QPoint end : {QPoint(200, 0), QPoint(200, 13), QPoint(200, 50), QPoint(200, 100), QPoint(200, 133),
                                 QPoint(200, 200), QPoint(90, 200), QPoint(0, 200), QPoint(-200, 67), QPoint(-150, -150)})
            for (const unsigned seed : {0u, 7u}) {
                const PointList line = mouse({{300, 200}, QPoint(300, 200) + end}, seed, at);
                QTest::addRow("mouse line %d:%d, jitter %u", end.x(), end.y(), seed) << line << I{0, at.last()} << int(seed);
            }
        const QList<std::pair<const char*, PointList>> shapes{
            {"L", {{100, 100}, {100, 200}, {180, 200}}},
            {"V", {{100, 100}, {140, 200}, {180, 100}}},
            {"V of 10 px arms", {{100, 100}, {104, 109}, {108, 100}}},
            {"rectangle", {{100, 100}, {200, 100}, {200, 160}, {100, 160}, {100, 100}}},
            {"zigzag", {{100, 100}, {130, 160}, {160, 100}, {190, 160}, {220, 100}}},
            {"hairpin", {{100, 100}, {100, 160}, {100, 100}}},
            {"hook at the end", {{100, 100}, {100, 138}, {109, 138}}},
            // The turn after a cusp is measured from the cusp on, not across it.
            {"narrow U", {{100, 100}, {100, 124}, {116, 124}, {116, 100}}}};
        for (const auto& [name, corners] : shapes)
            for (const unsigned seed : {0u, 3u, 11u}) {
                const PointList shape = mouse(corners, seed, at);
                QTest::addRow("mouse %s, jitter %u", name, seed) << shape << at << (seed ? 4 : 0);
            }
        PointList round;
        for (int i = 0; i <= 72; ++i)
            round.append(QPoint(200, 200) + (QPointF(std::cos(i * M_PI / 36), std::sin(i * M_PI / 36)) * 60).toPoint());
        for (const unsigned seed : {0u, 5u}) {
            const PointList shape = mouse(round, seed, at);
            QTest::addRow("mouse circle, jitter %u", seed) << shape << I{0, at.last()} << (seed ? 4 : 0);
        }
        // A sampled pen: a point every 0.25 px, noise up to 0.3 px.
        std::minstd_rand rng(2);
        PointList pen;
        for (int i = 0; i <= 800; ++i)
            pen.append(QPoint(qRound((100 + i * 0.22 + (int(rng() % 601) - 300) / 1000.0) * 2540 / 96),
                              qRound((100 + i * 0.12 + (int(rng() % 601) - 300) / 1000.0) * 2540 / 96)));
        QTest::newRow("sampled pen line") << pen << I{0, 800} << 1;
    }
    void cusps()
    {
        QFETCH(PointList, points);
        QFETCH(QList<int>, expected);
        QFETCH(int, slack);
        // The same shape elsewhere, or drawn bigger, gives the same cusps.
        for (const auto& [factor, offset] : {std::pair{1, QPoint()}, {13, QPoint(-70000, 3000)}, {250, QPoint(5, 5)}}) {
            PointList moved;
            for (const QPoint& p : points)
                moved.append(p * (slack ? 1 : factor) + offset);
            InkDisp ink;
            const QList<int> cusps = toList(addStroke(ink, moved).PolylineCusps());
            QCOMPARE(cusps.size(), expected.size());
            for (qsizetype k = 0; k < cusps.size(); ++k)
                QVERIFY2(std::abs(cusps[k] - expected[k]) <= slack, qPrintable(QString::number(cusps[k])));
        }
    }

    void nearestPoint_data()
    {
        QTest::addColumn<PointList>("points");
        QTest::addColumn<float>("width");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<float>("index");
        QTest::addColumn<float>("distance");
        using P = PointList;
        const P line{{0, 0}, {100, 0}};
        QTest::newRow("beside a segment") << line << 0.0f << QPoint(30, 40) << 0.3f << 40.0f;
        QTest::newRow("minus half the width") << line << 20.0f << QPoint(30, 40) << 0.3f << 30.0f;
        QTest::newRow("inside the ink: 0") << line << 20.0f << QPoint(50, 5) << 0.5f << 0.0f;
        QTest::newRow("V: equal arms, lower index")
            << P{{0, 0}, {100, 100}, {200, 0}} << 0.0f << QPoint(100, 0) << 0.5f << float(std::sqrt(5000.0));
        QTest::newRow("U: equal ends, lower index")
            << P{{0, 0}, {0, 100}, {100, 100}, {100, 0}} << 0.0f << QPoint(50, 0) << 0.0f << 50.0f;
        QTest::newRow("one point") << P{{10, 10}} << 0.0f << QPoint(13, 14) << 0.0f << 5.0f;
        QTest::newRow("int32 corners")
            << P{{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}} << 0.0f << QPoint(0, 1) << 0.5f << float(std::sqrt(0.5));
    }
    void nearestPoint()
    {
        QFETCH(PointList, points);
        QFETCH(float, width);
        QFETCH(QPoint, at);
        QFETCH(float, index);
        QFETCH(float, distance);
        InkDisp ink;
        float d = -1.0f;
        QCOMPARE(addStroke(ink, points, width).NearestPoint(at.x(), at.y(), &d), index);
        QCOMPARE(d, distance);
    }

    void nearestUsesTheWidthDrawnThere()
    {
        // Pressure from none to full: the drawn width at the middle is Width.
        InkDisp ink;
        const InkStrokeDisp s = withPressures(ink, {{0, 0}, {1000, 0}}, {0, kInkMaxPressure}, 100.0f);
        float d = 0;
        QCOMPARE(s.NearestPoint(500, 200, &d), 0.5f);
        QCOMPARE(d, 150.0f);
    }

    void split_data()
    {
        QTest::addColumn<PointList>("points");
        QTest::addColumn<QList<float>>("cuts");  // each in the piece the last one gave
        QTest::addColumn<PointList>("kept");
        QTest::addColumn<PointList>("rest");
        using P = PointList;
        using F = QList<float>;
        const P s{{0, 0}, {100, 200}, {110, 195}, {300, 300}};
        QTest::newRow("halfway, rounded down") << s << F{1.5f} << P{{0, 0}, {100, 200}, {105, 197}}
                                               << P{{105, 197}, {110, 195}, {300, 300}};
        QTest::newRow("at the start") << s << F{0.0f} << P{{0, 0}} << s;
        QTest::newRow("at the end") << s << F{3.0f} << s << P{{300, 300}};
        QTest::newRow("negative steps round down")
            << P{{0, 0}, {-3, -3}} << F{0.5f} << P{{0, 0}, {-2, -2}} << P{{-2, -2}, {-3, -3}};
        QTest::newRow("far apart")
            << P{{INT_MIN, 0}, {INT_MAX, 0}} << F{0.5f} << P{{INT_MIN, 0}, {-1, 0}} << P{{-1, 0}, {INT_MAX, 0}};
        // Forty pieces crowd into the room between two strokes' order keys.
        P line;
        for (int i = 0; i < 42; ++i)
            line.append(QPoint(i, 0));
        QTest::newRow("cut forty times") << line << F(40, 1.0f) << line.mid(0, 2) << line.mid(40);
    }
    void split()
    {
        QFETCH(PointList, points);
        QFETCH(QList<float>, cuts);
        QFETCH(PointList, kept);
        QFETCH(PointList, rest);
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, points);
        InkStrokeDisp after = addStroke(ink, {{9, 9}});
        s.PolylineCusps();  // asked before the cut, as the erasers do
        InkStrokeDisp piece = s;
        for (float index : cuts)
            piece = piece.Split(index);
        QCOMPARE(s.packets(), packetsOf(kept));
        QCOMPARE(piece.packets(), packetsOf(rest));
        const InkStrokes all = ink.Strokes();
        QVERIFY(all.Count() == 2 + cuts.size() && all.Item(cuts.size()) == piece && all.Item(all.Count() - 1) == after);
        QCOMPARE(s.PolylineCusps(), addStroke(ink, kept).PolylineCusps());
    }

    void splitInterpolatesPressure()
    {
        InkDisp ink;
        InkStrokeDisp s = withPressures(ink, {{100, 200}, {110, 195}}, {512, 601}, 0.0f);
        const InkStrokeDisp piece = s.Split(0.5f);
        QCOMPARE(s.packets().back(), (InkPacket{105, 197, 556}));
        QCOMPARE(piece.packets().front(), (InkPacket{105, 197, 556}));
    }

    void hitTest_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<float>("radius");
        QTest::addColumn<QList<int>>("hits");
        using I = QList<int>;
        QTest::newRow("edge exactly at the radius") << QPoint(200, 10) << 10.0f << I{0};
        QTest::newRow("just beyond the radius") << QPoint(200, 11) << 10.0f << I{};
        QTest::newRow("width counts: half of 100") << QPoint(560, 300) << 10.0f << I{1};
        QTest::newRow("stroke wholly inside") << QPoint(2000, 2000) << 100.0f << I{2};
        QTest::newRow("dot, edge at the radius") << QPoint(3000, 30) << 10.0f << I{3};
        QTest::newRow("radius 0 at a crossing: ink order") << QPoint(500, 0) << 0.0f << I{0, 1};
        QTest::newRow("huge radius: all") << QPoint(0, 0) << 1e12f << I{0, 1, 2, 3};
    }
    void hitTest()
    {
        QFETCH(QPoint, at);
        QFETCH(float, radius);
        QFETCH(QList<int>, hits);
        InkDisp ink;
        const std::vector<InkStrokeDisp> s{
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

    // Boxes as the ink's bounds, corners included; the grid's cells are 512
    // units. Each box that meets the area is met once, with a part of the
    // area that holds their overlap.
    void grid_data()
    {
        QTest::addColumn<QList<QRect>>("boxes");  // slots 0, 1, ...
        QTest::addColumn<int>("removed");         // a slot taken out again, or -1
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QList<int>>("met");
        using B = QList<QRect>;
        const QRect wide(QPoint(1000, 0), QPoint(1000 + 512 * 70, 10));  // too many cells: the oversized list
        QTest::newRow("into the next cell's first column")
            << B{{QPoint(0, 0), QPoint(512, 10)}} << -1 << QRect(0, 0, 1000, 100) << QList<int>{0};
        QTest::newRow("into the next cell's first row")
            << B{{QPoint(0, 0), QPoint(10, 512)}} << -1 << QRect(0, 0, 100, 1000) << QList<int>{0};
        QTest::newRow("oversized, at the area's right edge")
            << B{wide} << -1 << QRect(QPoint(-10, 0), QPoint(1000, 5)) << QList<int>{0};
        QTest::newRow("oversized, removed") << B{wide, QRect(2000, 0, 100, 10)} << 0 << QRect(0, 0, 5000, 100)
                                            << QList<int>{1};
    }
    void grid()
    {
        QFETCH(QList<QRect>, boxes);
        QFETCH(int, removed);
        QFETCH(QRect, area);
        QFETCH(QList<int>, met);
        auto ink = [](const QRect& r) { return InkRectangle{r.top(), r.left(), r.bottom(), r.right()}; };
        std::vector<InkRectangle> b;
        for (const QRect& r : boxes)
            b.push_back(ink(r));
        SpatialGrid grid;
        for (size_t i = 0; i < b.size(); ++i)
            grid.insert(uint32_t(i), {&b[i], 1});
        if (removed >= 0)
            grid.remove(uint32_t(removed), {&b[size_t(removed)], 1});
        QList<int> got;
        grid.query(ink(area), [&](const SpatialGrid::Entry& e, const InkRectangle& p) {
            got << int(e.slot);
            const QRect part(QPoint(p.Left, p.Top), QPoint(p.Right, p.Bottom));
            QVERIFY(area.contains(part) && part.contains(boxes[e.slot] & area));
        });
        QCOMPARE(got, met);
    }

    // A page whose crossings are too many to keep each meeting: every
    // stroke's crossings, found on threads sharing the grid's cells, are
    // those of a page that keeps its meetings.
    void crossingsOfAPageFoundEitherWay()
    {
        InkDisp kept;
        InkDisp swept;
        swept.setKeptMeetingsLimit(0);
        std::mt19937 rng(17);
        for (int s = 0; s < 300; ++s) {
            PointList points{{int(rng() % 40000), int(rng() % 20000)}};
            for (int i = 0; i < 12; ++i)
                points.push_back(points.back() + QPoint(int(rng() % 1601) - 800, int(rng() % 1601) - 800));
            addStroke(kept, points);
            addStroke(swept, points);
            // Strokes deleted and drawn again: slots reused out of ink order.
            if (s % 30 == 29) {
                kept.DeleteStroke(kept.Strokes().Item(s / 3));
                swept.DeleteStroke(swept.Strokes().Item(s / 3));
            }
        }
        // Found on a copy, as on another thread, and taken by the ink unless
        // it changed meanwhile; while a job is out, strokes are answered one
        // by one.
        std::unique_ptr<InkDisp::CrossingsJob> keptJob = kept.crossingsJob(0);
        const std::unique_ptr<InkDisp::CrossingsJob> sweptJob = swept.crossingsJob(0);
        QVERIFY(keptJob && sweptJob && keptJob->run() && sweptJob->run());
        kept.Strokes().Item(0).SetDrawingAttributes(InkDrawingAttributes());
        QVERIFY(!kept.adoptCrossings(*keptJob));
        kept.Strokes().Item(1).FindIntersections();
        kept.Strokes().Item(2).FindIntersections();
        QVERIFY(!kept.meetingsKept());
        keptJob = kept.crossingsJob(0);
        QVERIFY(keptJob->run() && kept.adoptCrossings(*keptJob) && swept.adoptCrossings(*sweptJob));
        // Once kept, a job is handed them as it is made.
        keptJob = kept.crossingsJob(0);
        QVERIFY(keptJob->run() && kept.adoptCrossings(*keptJob));
        const InkStrokes a = kept.Strokes();
        const InkStrokes b = swept.Strokes();
        const InkStrokes asked(a.items());  // not the whole ink's: found afresh
        const std::vector<std::vector<float>> each = swept.intersectionsOfEach(b);
        size_t crossings = 0;
        for (int32_t i = 0; i < a.Count(); ++i) {
            const std::vector<float> expected = a.Item(i).FindIntersections(asked);
            QCOMPARE(toList(a.Item(i).FindIntersections()), toList(expected));
            QCOMPARE(toList(b.Item(i).FindIntersections()), toList(expected));
            QCOMPARE(toList(each[size_t(i)]), toList(expected));
            QCOMPARE(toList(sweptJob->crossings(size_t(i))), toList(expected));
            QCOMPARE(toList(keptJob->crossings(size_t(i))), toList(expected));
            crossings += expected.size();
        }
        QVERIFY(crossings > 1000);
    }

    void intersections_data()
    {
        QTest::addColumn<PointList>("stroke");
        QTest::addColumn<StrokeList>("others");
        QTest::addColumn<QList<float>>("expected");
        using P = PointList;
        using S = StrokeList;
        using F = QList<float>;
        const P flat{{0, 0}, {100, 0}};
        QTest::newRow("X") << P{{0, 0}, {100, 100}} << S{{{0, 100}, {100, 0}}} << F{0.5f};
        QTest::newRow("ending on another: nothing") << P{{0, 0}, {50, 0}} << S{{{50, -50}, {50, 50}}} << F{};
        QTest::newRow("collinear overlap: both ends") << flat << S{{{60, 0}, {20, 0}}} << F{0.2f, 0.6f};
        QTest::newRow("overlap up to the end: one") << flat << S{{{50, 0}, {150, 0}}} << F{0.5f};
        QTest::newRow("own loop does not count") << P{{0, 0}, {100, 100}, {100, 0}, {0, 100}} << S{} << F{};
        QTest::newRow("another's corner on the stroke: once") << flat << S{{{50, -50}, {50, 0}, {60, 50}}} << F{0.5f};
        QTest::newRow("ascending") << P{{0, 0}, {100, 100}, {200, 0}, {300, 100}}
                                   << S{{{0, 50}, {300, 50}}, {{250, -10}, {250, 200}}} << F{0.5f, 1.5f, 2.5f};
        QTest::newRow("a dot on the stroke") << flat << S{{{30, 0}}} << F{0.3f};
        QTest::newRow("thirds are rounded once") << P{{0, 0}, {3, 0}} << S{{{1, -1}, {1, 1}}} << F{float(1.0 / 3.0)};
        QTest::newRow("int32 extremes") << P{{INT_MIN, 0}, {INT_MAX, 0}} << S{{{0, INT_MIN}, {0, INT_MAX}}}
                                        << F{float(2147483648.0 / 4294967295.0)};
        QTest::newRow("a point held still on the crossing: both its indices")
            << P{{0, 0}, {50, 0}, {50, 0}, {100, 0}} << S{{{50, -5}, {50, 5}}} << F{1, 2};
    }
    void intersections()
    {
        QFETCH(PointList, stroke);
        QFETCH(StrokeList, others);
        QFETCH(QList<float>, expected);
        InkDisp ink;
        const InkStrokeDisp s = addStroke(ink, stroke);
        for (const PointList& o : others)
            addStroke(ink, o);
        QCOMPARE(toList(s.FindIntersections()), expected);
        QCOMPARE(toList(s.FindIntersections(ink.Strokes())), expected);
    }

    void intersectionsWithACollection()
    {
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {400, 0}});
        InkStrokeDisp a = addStroke(ink, {{100, -10}, {100, 10}});
        InkStrokeDisp b = addStroke(ink, {{200, -10}, {200, 10}});
        InkStrokeDisp c = addStroke(ink, {{300, -10}, {300, 10}});
        QCOMPARE(toList(s.FindIntersections(InkStrokes({c, a, s, a}))), (QList<float>{0.25f, 0.75f}));
        const InkStrokes old = ink.Strokes();
        ink.DeleteStroke(b);
        // An old snapshot names a deleted stroke: that is a failure, not a guess.
        QVERIFY(throwsCode([&] { s.FindIntersections(old); }, PlatformErrorCode::DetachedStroke));

        // A stroke being collected takes part only when named.
        InkStrokeDisp live = ink.beginStroke(thinPen());
        const std::vector<InkPacket> p = packetsOf({{350, -10}, {350, 10}});
        ink.appendPackets(live, p.data(), p.size());
        QCOMPARE(toList(s.FindIntersections()), (QList<float>{0.25f, 0.75f}));
        QCOMPARE(toList(s.FindIntersections(InkStrokes({live}))), (QList<float>{0.875f}));
    }
};

QTEST_APPLESS_MAIN(TestInkGeometry)
#include "tst_ink_geometry.moc"
