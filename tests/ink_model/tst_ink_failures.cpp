// Every call that cannot do what it is asked throws PlatformError with the
// right code and leaves the ink as it was.

#include "ink_test_util.h"

#include <QObject>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

using StrokeCall = std::function<void(InkStrokeDisp&)>;
Q_DECLARE_METATYPE(StrokeCall)

namespace {
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
}  // namespace

class TestInkFailures : public QObject {
    Q_OBJECT
private:
    static void addEveryCall()
    {
        QTest::addColumn<StrokeCall>("call");
        QTest::newRow("ID") << StrokeCall([](InkStrokeDisp& s) { s.ID(); });
        QTest::newRow("PacketSize") << StrokeCall([](InkStrokeDisp& s) { s.PacketSize(); });
        QTest::newRow("PacketCount") << StrokeCall([](InkStrokeDisp& s) { s.PacketCount(); });
        QTest::newRow("packets") << StrokeCall([](InkStrokeDisp& s) { s.packets(); });
        QTest::newRow("GetPoints") << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(0, 1); });
        QTest::newRow("DrawingAttributes") << StrokeCall([](InkStrokeDisp& s) { s.DrawingAttributes(); });
        QTest::newRow("SetDrawingAttributes")
            << StrokeCall([](InkStrokeDisp& s) { s.SetDrawingAttributes(InkDrawingAttributes()); });
        QTest::newRow("GetBoundingBox") << StrokeCall([](InkStrokeDisp& s) { s.GetBoundingBox(); });
        QTest::newRow("drawnBounds") << StrokeCall([](InkStrokeDisp& s) { s.drawnBounds(); });
        QTest::newRow("PolylineCusps") << StrokeCall([](InkStrokeDisp& s) { s.PolylineCusps(); });
        QTest::newRow("NearestPoint") << StrokeCall([](InkStrokeDisp& s) { s.NearestPoint(0, 0); });
        QTest::newRow("FindIntersections") << StrokeCall([](InkStrokeDisp& s) { s.FindIntersections(); });
        QTest::newRow("Split") << StrokeCall([](InkStrokeDisp& s) { s.Split(0.5f); });
        QTest::newRow("ink") << StrokeCall([](InkStrokeDisp& s) { s.ink(); });
    }

private slots:
    void emptyReference_data() { addEveryCall(); }
    void emptyReference()
    {
        QFETCH(StrokeCall, call);
        InkStrokeDisp none;
        QVERIFY(none.isNull() && !none.isDetached() && !none.isInProgress());
        QVERIFY(throwsCode([&] { call(none); }, PlatformErrorCode::NullReference));
    }

    void deletedStroke_data() { addEveryCall(); }
    void deletedStroke()
    {
        QFETCH(StrokeCall, call);
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {100, 0}});
        InkStrokeDisp other = addStroke(ink, {{50, -5}, {50, 5}});
        ink.DeleteStroke(s);
        QVERIFY(throwsCode([&] { call(s); }, PlatformErrorCode::DetachedStroke));
        QCOMPARE(ink.strokeCount(), 1);
        QVERIFY(ink.Strokes().Item(0) == other);
    }

    void strokeOfDestroyedInk_data() { addEveryCall(); }
    void strokeOfDestroyedInk()
    {
        QFETCH(StrokeCall, call);
        InkStrokeDisp s;
        {
            InkDisp ink;
            s = addStroke(ink, {{0, 0}, {100, 0}});
        }
        QVERIFY(throwsCode([&] { call(s); }, PlatformErrorCode::DetachedStroke));
    }

    void badArguments_data()
    {
        QTest::addColumn<StrokeCall>("call");
        QTest::addColumn<int>("code");
        // The stroke has 3 points: 0, 1, 2.
        const int range = PlatformErrorCode::IndexOutOfRange;
        const int invalid = PlatformErrorCode::InvalidArgument;
        QTest::newRow("GetPoints negative index") << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(-1, 1); }) << range;
        QTest::newRow("GetPoints past the end") << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(4, -1); }) << range;
        QTest::newRow("GetPoints too many") << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(1, 3); }) << range;
        QTest::newRow("GetPoints huge count")
            << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(2, std::numeric_limits<int32_t>::max()); }) << range;
        QTest::newRow("GetPoints negative count") << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(0, -2); })
                                                  << invalid;
        QTest::newRow("Split NaN") << StrokeCall([](InkStrokeDisp& s) { s.Split(kNaN); }) << invalid;
        QTest::newRow("Split infinity") << StrokeCall([](InkStrokeDisp& s) { s.Split(kInf); }) << invalid;
        QTest::newRow("Split -infinity") << StrokeCall([](InkStrokeDisp& s) { s.Split(-kInf); }) << invalid;
        QTest::newRow("Split before the start") << StrokeCall([](InkStrokeDisp& s) { s.Split(-0.001f); }) << range;
        QTest::newRow("Split past the end") << StrokeCall([](InkStrokeDisp& s) { s.Split(2.001f); }) << range;
        QTest::newRow("Split far past the end") << StrokeCall([](InkStrokeDisp& s) { s.Split(3e38f); }) << range;
        QTest::newRow("HitTestCircle NaN radius")
            << StrokeCall([](InkStrokeDisp& s) { s.ink()->HitTestCircle(0, 0, kNaN); }) << invalid;
        QTest::newRow("HitTestCircle infinite radius")
            << StrokeCall([](InkStrokeDisp& s) { s.ink()->HitTestCircle(0, 0, kInf); }) << invalid;
        QTest::newRow("HitTestCircle negative radius")
            << StrokeCall([](InkStrokeDisp& s) { s.ink()->HitTestCircle(0, 0, -1.0f); }) << invalid;
        QTest::newRow("Item -1") << StrokeCall([](InkStrokeDisp& s) { s.ink()->Strokes().Item(-1); }) << range;
        QTest::newRow("Item Count") << StrokeCall([](InkStrokeDisp& s) { s.ink()->Strokes().Item(1); }) << range;
        QTest::newRow("CreateStroke without packets")
            << StrokeCall([](InkStrokeDisp& s) { s.ink()->CreateStroke({}, InkDrawingAttributes()); }) << invalid;
        QTest::newRow("appendPackets without data") << StrokeCall([](InkStrokeDisp& s) {
            InkStrokeDisp live = s.ink()->beginStroke(InkDrawingAttributes());
            s.ink()->appendPackets(live, nullptr, 2);
        }) << invalid;
    }
    void badArguments()
    {
        QFETCH(StrokeCall, call);
        QFETCH(int, code);
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {10, 0}, {20, 0}});
        const uint64_t revision = ink.revision();
        QVERIFY(throwsCode([&] { call(s); }, code));
        QCOMPARE(s.PacketCount(), 3);
        QCOMPARE(ink.strokeCount(), 1);
        QCOMPARE(ink.revision(), revision);
    }

    void wrongState()
    {
        InkDisp ink;
        InkDisp other;
        InkStrokeDisp done = addStroke(ink, {{0, 0}, {10, 0}});
        InkStrokeDisp live = ink.beginStroke(InkDrawingAttributes());
        InkStrokeDisp foreign = addStroke(other, {{0, 0}, {10, 0}});
        const InkPacket p{1, 1, 1};
        const int state = PlatformErrorCode::InvalidState;
        QVERIFY(throwsCode([&] { live.NearestPoint(0, 0); }, state));  // no points yet
        ink.appendPackets(live, &p, 1);
        QVERIFY(throwsCode([&] { live.Split(0.0f); }, state));
        QVERIFY(throwsCode([&] { ink.DeleteStroke(live); }, state));
        QVERIFY(throwsCode([&] { ink.appendPackets(done, &p, 1); }, state));
        QVERIFY(throwsCode([&] { ink.commitStroke(done); }, state));
        QVERIFY(throwsCode([&] { ink.discardStroke(done); }, state));
        QVERIFY(throwsCode([&] { ink.DeleteStroke(foreign); }, PlatformErrorCode::ForeignStroke));
        QVERIFY(throwsCode([&] { ink.appendPackets(foreign, &p, 1); }, PlatformErrorCode::ForeignStroke));
        QVERIFY(throwsCode([&] { ink.commitStroke(InkStrokeDisp()); }, PlatformErrorCode::NullReference));
        QVERIFY(throwsCode([&] { ink.DeleteStroke(InkStrokeDisp()); }, PlatformErrorCode::NullReference));
        QCOMPARE(other.strokeCount(), 1);
        QCOMPARE(ink.strokeCount(), 1);
        ink.commitStroke(live);
        QCOMPARE(ink.strokeCount(), 2);
    }

    void boundaryCallsSucceed()
    {
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {10, 0}, {20, 0}});
        QVERIFY(s.GetPoints(3, -1).empty());
        QVERIFY(s.GetPoints(3, 0).empty());
        QCOMPARE(s.GetPoints(2, 1), (std::vector<InkPoint>{{20, 0}}));
        QCOMPARE(s.PacketSize(), int16_t(3));
        QCOMPARE(ink.HitTestCircle(0, 0, 0.0f).Count(), 1);
    }
};

QTEST_APPLESS_MAIN(TestInkFailures)
#include "tst_ink_failures.moc"
