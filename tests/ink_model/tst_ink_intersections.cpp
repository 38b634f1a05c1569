// Where a stroke meets others: the definition's table, and which strokes a
// collection brings in.

#include "ink_test_util.h"

#include <QObject>
#include <QTest>

#include <climits>

using StrokeList = QList<PointList>;

class TestInkIntersections : public QObject {
    Q_OBJECT
private slots:
    void definition_data()
    {
        QTest::addColumn<PointList>("stroke");
        QTest::addColumn<StrokeList>("others");
        QTest::addColumn<QList<float>>("expected");
        const PointList flat{{0, 0}, {100, 0}};
        QTest::newRow("X") << PointList{{0, 0}, {100, 100}} << StrokeList{{{0, 100}, {100, 0}}} << QList<float>{0.5f};
        QTest::newRow("at the end of segment 0 is 1")
            << PointList{{0, 0}, {50, 50}, {100, 100}} << StrokeList{{{0, 100}, {100, 0}}} << QList<float>{1.0f};
        QTest::newRow("touching counts") << flat << StrokeList{{{50, 50}, {50, 0}}} << QList<float>{0.5f};
        QTest::newRow("ending on another: nothing") << PointList{{0, 0}, {50, 0}}
                                                    << StrokeList{{{50, -50}, {50, 50}}} << QList<float>{};
        QTest::newRow("starting on another: nothing") << PointList{{50, 0}, {100, 0}}
                                                      << StrokeList{{{50, -50}, {50, 50}}} << QList<float>{};
        QTest::newRow("collinear overlap: both ends")
            << flat << StrokeList{{{60, 0}, {20, 0}}} << QList<float>{0.2f, 0.6f};
        QTest::newRow("overlap up to the end: one") << flat << StrokeList{{{50, 0}, {150, 0}}} << QList<float>{0.5f};
        QTest::newRow("parallel apart") << flat << StrokeList{{{0, 1}, {100, 1}}} << QList<float>{};
        QTest::newRow("own loop does not count")
            << PointList{{0, 0}, {100, 100}, {100, 0}, {0, 100}} << StrokeList{} << QList<float>{};
        QTest::newRow("two strokes, one place: once")
            << flat << StrokeList{{{50, -10}, {50, 10}}, {{40, -10}, {60, 10}}} << QList<float>{0.5f};
        QTest::newRow("another's corner on the stroke: once")
            << flat << StrokeList{{{50, -50}, {50, 0}, {60, 50}}} << QList<float>{0.5f};
        QTest::newRow("ascending along the stroke")
            << PointList{{0, 0}, {100, 100}, {200, 0}, {300, 100}}
            << StrokeList{{{0, 50}, {300, 50}}, {{250, -10}, {250, 200}}} << QList<float>{0.5f, 1.5f, 2.5f};
        QTest::newRow("a dot on the stroke") << flat << StrokeList{{{30, 0}}} << QList<float>{0.3f};
        QTest::newRow("thirds are rounded once") << PointList{{0, 0}, {3, 0}} << StrokeList{{{1, -1}, {1, 1}}}
                                                 << QList<float>{float(1.0 / 3.0)};
        QTest::newRow("int32 extremes") << PointList{{INT_MIN, 0}, {INT_MAX, 0}}
                                        << StrokeList{{{0, INT_MIN}, {0, INT_MAX}}}
                                        << QList<float>{float(2147483648.0 / 4294967295.0)};
        QTest::newRow("a point held still on the crossing: both its indices")
            << PointList{{0, 0}, {50, 0}, {50, 0}, {100, 0}} << StrokeList{{{50, -5}, {50, 5}}}
            << QList<float>{1.0f, 2.0f};
    }
    void definition()
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

    void collections()
    {
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {400, 0}});
        InkStrokeDisp a = addStroke(ink, {{100, -10}, {100, 10}});
        InkStrokeDisp b = addStroke(ink, {{200, -10}, {200, 10}});
        InkStrokeDisp c = addStroke(ink, {{300, -10}, {300, 10}});
        QCOMPARE(toList(s.FindIntersections(InkStrokes())), (QList<float>{0.25f, 0.5f, 0.75f}));
        QCOMPARE(toList(s.FindIntersections(InkStrokes({c, a, s, a}))), (QList<float>{0.25f, 0.75f}));
        const InkStrokes old = ink.Strokes();
        ink.DeleteStroke(b);
        // An old snapshot names a deleted stroke: that is a failure, not a guess.
        QVERIFY(throwsCode([&] { s.FindIntersections(old); }, PlatformErrorCode::DetachedStroke));
        QCOMPARE(toList(s.FindIntersections(ink.Strokes())), (QList<float>{0.25f, 0.75f}));
        QVERIFY(throwsCode([&] { s.FindIntersections(InkStrokes({a, InkStrokeDisp()})); },
                           PlatformErrorCode::NullReference));
        InkDisp other;
        InkStrokeDisp foreign = addStroke(other, {{150, -10}, {150, 10}});
        QVERIFY(throwsCode([&] { s.FindIntersections(InkStrokes({foreign})); }, PlatformErrorCode::ForeignStroke));

        // A stroke being collected takes part when named, and can ask itself.
        InkStrokeDisp live = ink.beginStroke(thinPen());
        const std::vector<InkPacket> p = packetsOf({{350, -10}, {350, 10}});
        ink.appendPackets(live, p.data(), p.size());
        QCOMPARE(toList(s.FindIntersections()), (QList<float>{0.25f, 0.75f}));
        QCOMPARE(toList(s.FindIntersections(InkStrokes({live}))), (QList<float>{0.875f}));
        QCOMPARE(toList(live.FindIntersections()), (QList<float>{0.5f}));
    }

    void largeCollectionPicksItsStrokes()
    {
        // Past a few dozen strokes the collection is served by the index.
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {10000, 0}});
        std::vector<InkStrokeDisp> crossing;
        for (int i = 1; i < 100; ++i)
            crossing.push_back(addStroke(ink, {{i * 100, -10}, {i * 100, 10}}));
        InkStrokes odd;
        QList<float> expected;
        for (int i = 1; i < 100; i += 2) {
            odd.Add(crossing[size_t(i - 1)]);
            expected.append(float(i) / 100.0f);
        }
        QCOMPARE(toList(s.FindIntersections(odd)), expected);
        QCOMPARE(s.FindIntersections().size(), size_t(99));
    }

    void piecesOfACutEndOnTheOtherStroke()
    {
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {100, 100}});
        addStroke(ink, {{0, 100}, {100, 0}});
        const std::vector<float> at = s.FindIntersections();
        QCOMPARE(at.size(), size_t(1));
        InkStrokeDisp piece = s.Split(at[0]);
        QVERIFY(s.FindIntersections().empty());
        QVERIFY(piece.FindIntersections().empty());
    }
};

QTEST_APPLESS_MAIN(TestInkIntersections)
#include "tst_ink_intersections.moc"
