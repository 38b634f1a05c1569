// The ink's storage: attributes and their copies, strokes in progress,
// deletion and order, change notifications. Every call that cannot do what
// it is asked throws PlatformError with the right code and changes nothing.

#include "ink_test_util.h"

#include <QObject>
#include <QTest>

#include <functional>
#include <limits>

using StrokeCall = std::function<void(InkStrokeDisp&)>;
Q_DECLARE_METATYPE(StrokeCall)

namespace {
const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Recorder : InkChangeListener {
    std::vector<InkStrokeDisp> added;
    std::vector<InkRectangle> changed;
    void strokeAdded(const InkStrokeDisp& s) override { added.push_back(s); }
    void inkChanged(const InkRectangle& area) override { changed.push_back(area); }
};

// A stroke being collected in the same ink as s, with one packet.
InkStrokeDisp inProgress(const InkStrokeDisp& s)
{
    const InkStrokeDisp live = s.ink()->beginStroke(InkDrawingAttributes());
    s.ink()->appendPackets(live, s.packets().data(), 1);
    return live;
}

bool covers(const InkRectangle& outer, const InkRectangle& inner)
{
    return outer.Left <= inner.Left && outer.Top <= inner.Top && outer.Right >= inner.Right &&
           outer.Bottom >= inner.Bottom;
}
}  // namespace

class TestInkStorage : public QObject {
    Q_OBJECT
private slots:
    void attributes()
    {
        InkDrawingAttributes a;
        a.SetColor(0xFFFFFF);
        a.SetWidth(100.0f);
        a.SetTransparency(255);
        const InkDrawingAttributes before = a;
        const int invalid = PlatformErrorCode::InvalidArgument;
        QVERIFY(throwsCode([&] { a.SetColor(0x1000000); }, invalid));
        QVERIFY(throwsCode([&] { a.SetWidth(-0.5f); }, invalid));
        QVERIFY(throwsCode([&] { a.SetWidth(kNaN); }, invalid));
        QVERIFY(throwsCode([&] { a.SetTransparency(256); }, invalid));
        QVERIFY(a == before);  // a rejected value changes nothing
        // Pressures outside the pen's range draw no wider or thinner than its ends.
        QCOMPARE(a.drawnWidth(-500), 50.0f);
        QCOMPARE(a.drawnWidth(100000), 150.0f);
        a.SetIgnorePressure(true);
        QCOMPARE(a.maxDrawnWidth(), 100.0f);
    }

    void deleteDetachesAndKeepsOrder()
    {
        InkDisp ink;
        std::vector<InkStrokeDisp> s;
        for (int i = 0; i < 5; ++i)
            s.push_back(addStroke(ink, {{0, i * 100}, {50, i * 100}}));
        const InkStrokes before = ink.Strokes();
        ink.DeleteStroke(s[1]);
        ink.DeleteStrokes(InkStrokes({s[3], s[3], s[0]}));  // duplicates are one
        QCOMPARE(before.Count(), 5);                          // a snapshot, not a live view
        QVERIFY(s[0].isDetached() && s[1].isDetached() && s[3].isDetached() && !s[2].isDetached());
        const InkStrokes left = ink.Strokes();
        QVERIFY(left.Count() == 2 && left.Item(0) == s[2] && left.Item(1) == s[4]);

        // A bad reference among good ones deletes nothing.
        QVERIFY(throwsCode([&] { ink.DeleteStrokes(InkStrokes({s[2], s[1]})); }, PlatformErrorCode::DetachedStroke));
        InkDisp other;
        const InkStrokeDisp foreign = addStroke(other, {{0, 0}, {10, 0}});
        QVERIFY(throwsCode([&] { ink.DeleteStroke(foreign); }, PlatformErrorCode::ForeignStroke));
        QVERIFY(throwsCode([&] { ink.DeleteStroke(InkStrokeDisp()); }, PlatformErrorCode::NullReference));
        QVERIFY(ink.strokeCount() == 2 && other.strokeCount() == 1);
        ink.DeleteStrokes();
        QVERIFY(ink.strokeCount() == 0 && s[2].isDetached() && s[4].isDetached());
        QCOMPARE(ink.HitTestCircle(0, 200, 1000.0f).Count(), 0);
    }

    // A page of many strokes, cut and deleted all over: pieces come right
    // after their stroke, the rest keep their order (one stroke cut 40 times
    // in the same place runs out of room between order keys).
    void orderThroughManyCutsAndDeletions()
    {
        InkDisp ink;
        std::vector<InkStrokeDisp> expected;
        for (int i = 0; i < 1500; ++i)
            expected.push_back(addStroke(ink, {{0, i * 10}, {40, i * 10}, {80, i * 10}}));
        for (size_t round = 0; round < 700; ++round) {
            const size_t at = round * 7919 % expected.size();
            if (round % 3 == 2) {
                ink.DeleteStroke(expected[at]);
                expected.erase(expected.begin() + std::ptrdiff_t(at));
            } else {
                expected.insert(expected.begin() + std::ptrdiff_t(at) + 1, expected[at].Split(0.5f));
            }
        }
        for (int i = 0; i < 40; ++i)
            expected.insert(expected.begin() + 1, expected[0].Split(0.5f));
        const InkStrokes all = ink.Strokes();
        QCOMPARE(size_t(all.Count()), expected.size());
        for (int32_t i = 0; i < all.Count(); ++i)
            QVERIFY2(all.Item(i) == expected[size_t(i)], qPrintable(QString::number(i)));
    }

    void listeners()
    {
        InkDisp ink;
        Recorder rec;
        ink.addListener(&rec);
        ink.addListener(&rec);  // once is enough
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {1000, 0}, {1000, 1000}}, 21.0f);
        QVERIFY(rec.added.size() == 1 && rec.added[0] == s);
        // Pen pressure may widen a 21 stroke to 31.5: half of it, rounded up, around the centre line.
        QCOMPARE(s.drawnBounds(), (InkRectangle{-16, -16, 1016, 1016}));

        // A restyle names what the stroke covered before and after. The
        // stroke holds its own copy of the attributes, and so does each piece
        // of a split.
        InkDrawingAttributes wide = s.DrawingAttributes();
        wide.SetWidth(400.0f);
        const InkRectangle narrowBounds = s.drawnBounds();
        s.SetDrawingAttributes(wide);
        QVERIFY(rec.changed.size() == 1 && covers(rec.changed[0], s.drawnBounds()) &&
                covers(rec.changed[0], narrowBounds));
        wide.SetColor(0xFF00);
        const InkRectangle drawn = s.drawnBounds();
        InkStrokeDisp piece = s.Split(1.5f);
        QVERIFY(rec.changed.size() == 2 && covers(rec.changed[1], drawn));
        QCOMPARE(rec.added.size(), size_t(1));  // a split adds nothing at the end
        piece.SetDrawingAttributes(wide);
        QVERIFY(s.DrawingAttributes().Color() == 0 && piece.DrawingAttributes().Color() == 0xFF00);
        const InkRectangle gone = s.drawnBounds();
        ink.DeleteStroke(s);
        QVERIFY(rec.changed.size() == 4 && covers(rec.changed[3], gone));
        ink.removeListener(&rec);
        ink.DeleteStrokes();
        QCOMPARE(rec.changed.size(), size_t(4));
    }

    // Empty, deleted, of a destroyed ink, or dropped with it while collected.
    void unusableStroke()
    {
        InkStrokeDisp none;
        QVERIFY(throwsCode([&] { none.Split(0.5f); }, PlatformErrorCode::NullReference));
        InkDisp ink;
        InkStrokeDisp deleted = addStroke(ink, {{0, 0}, {100, 0}});
        const InkStrokeDisp other = addStroke(ink, {{50, -5}, {50, 5}});
        ink.DeleteStroke(deleted);
        QVERIFY(throwsCode([&] { deleted.Split(0.5f); }, PlatformErrorCode::DetachedStroke));
        QVERIFY(throwsCode([&] { deleted.FindIntersections(); }, PlatformErrorCode::DetachedStroke));
        QVERIFY(ink.strokeCount() == 1 && ink.Strokes().Item(0) == other);
        InkStrokeDisp orphan;
        InkStrokeDisp collecting;
        {
            InkDisp gone;
            orphan = addStroke(gone, {{0, 0}, {100, 0}});
            collecting = gone.beginStroke(thinPen());
        }
        QVERIFY(throwsCode([&] { orphan.packets(); }, PlatformErrorCode::DetachedStroke));
        QVERIFY(throwsCode([&] { collecting.SetDrawingAttributes(thinPen()); }, PlatformErrorCode::DetachedStroke));
    }

    void badCalls_data()
    {
        QTest::addColumn<StrokeCall>("call");
        QTest::addColumn<int>("code");
        // The stroke has 3 points: 0, 1, 2.
        const int range = PlatformErrorCode::IndexOutOfRange;
        const int invalid = PlatformErrorCode::InvalidArgument;
        QTest::newRow("GetPoints past the end") << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(4, -1); }) << range;
        QTest::newRow("GetPoints one past the end") << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(1, 3); }) << range;
        QTest::newRow("GetPoints huge count")
            << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(2, std::numeric_limits<int32_t>::max()); }) << range;
        QTest::newRow("GetPoints negative count") << StrokeCall([](InkStrokeDisp& s) { s.GetPoints(0, -2); })
                                                  << invalid;
        QTest::newRow("Split NaN") << StrokeCall([](InkStrokeDisp& s) { s.Split(kNaN); }) << invalid;
        QTest::newRow("Split past the end") << StrokeCall([](InkStrokeDisp& s) { s.Split(2.001f); }) << range;
        QTest::newRow("HitTestCircle NaN radius")
            << StrokeCall([](InkStrokeDisp& s) { s.ink()->HitTestCircle(0, 0, kNaN); }) << invalid;
        QTest::newRow("Item Count") << StrokeCall([](InkStrokeDisp& s) { s.ink()->Strokes().Item(1); }) << range;
        QTest::newRow("CreateStroke without packets")
            << StrokeCall([](InkStrokeDisp& s) { s.ink()->CreateStroke({}, InkDrawingAttributes()); }) << invalid;
        QTest::newRow("appendPackets without data") << StrokeCall([](InkStrokeDisp& s) {
            s.ink()->appendPackets(s.ink()->beginStroke(InkDrawingAttributes()), nullptr, 2);
        }) << invalid;
        // The collector's side: a stroke in progress, and finished strokes handed to it.
        const int state = PlatformErrorCode::InvalidState;
        QTest::newRow("NearestPoint without packets")
            << StrokeCall([](InkStrokeDisp& s) { s.ink()->beginStroke({}).NearestPoint(0, 0); }) << state;
        QTest::newRow("delete in progress")
            << StrokeCall([](InkStrokeDisp& s) { s.ink()->DeleteStroke(inProgress(s)); }) << state;
        QTest::newRow("commit a finished stroke") << StrokeCall([](InkStrokeDisp& s) { s.ink()->commitStroke(s); })
                                                  << state;
    }
    void badCalls()
    {
        QFETCH(StrokeCall, call);
        QFETCH(int, code);
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {10, 0}, {20, 0}});
        const uint64_t revision = ink.revision();
        QVERIFY(throwsCode([&] { call(s); }, code));
        QVERIFY(s.PacketCount() == 3 && ink.strokeCount() == 1 && ink.revision() == revision);
        // The limits themselves are fine.
        QVERIFY(s.GetPoints(3, -1).empty() && s.GetPoints(3, 0).empty());
        QCOMPARE(ink.HitTestCircle(0, 0, 0.0f).Count(), 1);
    }
};

QTEST_APPLESS_MAIN(TestInkStorage)
#include "tst_ink_storage.moc"
