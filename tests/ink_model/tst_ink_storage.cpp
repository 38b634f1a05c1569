// Storage of the ink: attributes and their copies, strokes in progress,
// snapshots, deletion, order, listeners.

#include "ink_test_util.h"

#include <QObject>
#include <QTest>

#include <cmath>
#include <limits>

namespace {
struct Recorder : InkChangeListener {
    std::vector<InkStrokeDisp> added;
    std::vector<InkRectangle> changed;
    void strokeAdded(const InkStrokeDisp& s) override { added.push_back(s); }
    void inkChanged(const InkRectangle& area) override { changed.push_back(area); }
};

bool covers(const InkRectangle& outer, const InkRectangle& inner)
{
    return outer.Left <= inner.Left && outer.Top <= inner.Top && outer.Right >= inner.Right &&
           outer.Bottom >= inner.Bottom;
}
}  // namespace

class TestInkStorage : public QObject {
    Q_OBJECT
private slots:
    void attributeDefaults()
    {
        const InkDrawingAttributes a;
        QCOMPARE(a.Color(), 0);
        QCOMPARE(a.Width(), 53.0f);
        QCOMPARE(a.Transparency(), 0);
        QVERIFY(!a.IgnorePressure());
        QVERIFY(a.AntiAliased());
    }

    void attributeValidation_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("accepted");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("color 0") << "color" << 0.0 << true;
        QTest::newRow("color white") << "color" << double(0xFFFFFF) << true;
        QTest::newRow("color above 24 bits") << "color" << double(0x1000000) << false;
        QTest::newRow("color negative") << "color" << -1.0 << false;
        QTest::newRow("width 0") << "width" << 0.0 << true;
        QTest::newRow("width 1e30") << "width" << 1e30 << true;
        QTest::newRow("width negative") << "width" << -0.5 << false;
        QTest::newRow("width NaN") << "width" << std::nan("") << false;
        QTest::newRow("width +inf") << "width" << inf << false;
        QTest::newRow("width -inf") << "width" << -inf << false;
        QTest::newRow("transparency 255") << "transparency" << 255.0 << true;
        QTest::newRow("transparency 256") << "transparency" << 256.0 << false;
        QTest::newRow("transparency -1") << "transparency" << -1.0 << false;
    }
    void attributeValidation()
    {
        QFETCH(QString, field);
        QFETCH(double, value);
        QFETCH(bool, accepted);
        InkDrawingAttributes a;
        a.SetColor(0x123456);
        a.SetTransparency(7);
        const InkDrawingAttributes before = a;
        auto set = [&] {
            if (field == "color")
                a.SetColor(static_cast<int32_t>(value));
            else if (field == "width")
                a.SetWidth(static_cast<float>(value));
            else
                a.SetTransparency(static_cast<int32_t>(value));
        };
        if (accepted) {
            set();
            const double got = field == "color" ? a.Color() : field == "width" ? a.Width() : a.Transparency();
            QCOMPARE(got, double(float(value)));
        } else {
            QVERIFY(throwsCode(set, PlatformErrorCode::InvalidArgument));
            QVERIFY(a == before);  // a rejected value changes nothing
        }
    }

    void drawnWidth_data()
    {
        QTest::addColumn<bool>("ignorePressure");
        QTest::addColumn<int>("pressure");
        QTest::addColumn<float>("expected");  // for Width 100
        QTest::newRow("mouse draws at Width") << false << int(kInkMousePressure) << 100.0f;
        QTest::newRow("no pressure: half") << false << 0 << 50.0f;
        QTest::newRow("full pressure: one and a half") << false << int(kInkMaxPressure) << 150.0f;
        QTest::newRow("quarter pressure") << false << int(kInkMaxPressure / 4) << 75.0f;
        QTest::newRow("below range clamps") << false << -500 << 50.0f;
        QTest::newRow("above range clamps") << false << 100000 << 150.0f;
        QTest::newRow("pressure ignored") << true << 0 << 100.0f;
    }
    void drawnWidth()
    {
        QFETCH(bool, ignorePressure);
        QFETCH(int, pressure);
        QFETCH(float, expected);
        InkDrawingAttributes a;
        a.SetWidth(100.0f);
        a.SetIgnorePressure(ignorePressure);
        QCOMPARE(a.drawnWidth(pressure), expected);
        QCOMPARE(a.maxDrawnWidth(), ignorePressure ? 100.0f : 150.0f);
        QVERIFY(a.drawnWidth(pressure) <= a.maxDrawnWidth());
    }

    void strokesHoldTheirOwnAttributes()
    {
        InkDisp ink;
        InkDrawingAttributes pen;
        pen.SetColor(255);
        pen.SetWidth(80.0f);
        InkStrokeDisp s = ink.CreateStroke(packetsOf({{0, 0}, {100, 0}, {200, 0}}), pen);
        pen.SetColor(0xFF00);  // the caller's defaults move on
        QCOMPARE(s.DrawingAttributes().Color(), 255);
        InkDrawingAttributes copy = s.DrawingAttributes();
        copy.SetWidth(1.0f);
        QCOMPARE(s.DrawingAttributes().Width(), 80.0f);

        InkStrokeDisp piece = s.Split(1.0f);
        InkDrawingAttributes restyled = piece.DrawingAttributes();
        restyled.SetColor(0xFF0000);
        piece.SetDrawingAttributes(restyled);
        QCOMPARE(piece.DrawingAttributes().Color(), 0xFF0000);
        QCOMPARE(s.DrawingAttributes().Color(), 255);
    }

    void strokeInProgress()
    {
        InkDisp ink;
        Recorder rec;
        ink.addListener(&rec);
        addStroke(ink, {{0, 0}, {10, 10}});
        InkStrokeDisp s = ink.beginStroke(thinPen(10.0f));
        QVERIFY(s.isInProgress());
        QCOMPARE(s.PacketCount(), 0);
        QVERIFY(s.GetPoints().empty());
        QVERIFY(throwsCode([&] { ink.commitStroke(s); }, PlatformErrorCode::InvalidState));
        const std::vector<InkPacket> first = packetsOf({{0, 100}, {50, 100}});
        ink.appendPackets(s, first.data(), first.size());
        const std::vector<InkPacket> second = packetsOf({{100, 100}, {100, 200}});
        ink.appendPackets(s, second.data(), second.size());

        // Readable while collected, but not yet one of the ink's strokes.
        QCOMPARE(ink.strokeCount(), 1);
        QCOMPARE(s.PacketCount(), 4);
        QCOMPARE(s.GetPoints(2, 2), (std::vector<InkPoint>{{100, 100}, {100, 200}}));
        QCOMPARE(toList(s.PolylineCusps()), (QList<int>{0, 2, 3}));
        QCOMPARE(s.NearestPoint(25, 90), 0.5f);
        QCOMPARE(ink.HitTestCircle(50, 100, 5.0f).Count(), 0);
        QCOMPARE(rec.added.size(), size_t(1));

        const uint64_t revision = ink.revision();
        ink.commitStroke(s);
        QVERIFY(!s.isInProgress());
        QVERIFY(ink.revision() > revision);
        QCOMPARE(ink.strokeCount(), 2);
        QVERIFY(ink.Strokes().Item(1) == s);
        QCOMPARE(rec.added.size(), size_t(2));
        QVERIFY(rec.added.back() == s);
        QCOMPARE(ink.HitTestCircle(50, 100, 5.0f).Count(), 1);
        QVERIFY(throwsCode([&] { ink.commitStroke(s); }, PlatformErrorCode::InvalidState));

        InkStrokeDisp dropped = ink.beginStroke(thinPen());
        ink.appendPackets(dropped, first.data(), first.size());
        ink.discardStroke(dropped);
        QVERIFY(dropped.isDetached());
        QCOMPARE(ink.strokeCount(), 2);
        QCOMPARE(rec.added.size(), size_t(2));
    }

    void snapshots()
    {
        InkDisp ink;
        InkStrokeDisp a = addStroke(ink, {{0, 0}, {10, 0}});
        const InkStrokes before = ink.Strokes();
        QCOMPARE(before.wholeInkOf(), &ink);
        QCOMPARE(before.revision(), ink.revision());
        InkStrokeDisp b = addStroke(ink, {{0, 50}, {10, 50}});
        QCOMPARE(before.Count(), 1);  // a snapshot, not a live view
        QVERIFY(before.revision() != ink.revision());
        const InkStrokes after = ink.Strokes();
        QCOMPARE(after.Count(), 2);
        int seen = 0;
        for (const InkStrokeDisp& s : after)
            QVERIFY(s == (seen++ == 0 ? a : b));
        QVERIFY(ink.HitTestCircle(0, 0, 100.0f).wholeInkOf() == nullptr);
    }

    void deleteDetachesAndKeepsOrder()
    {
        InkDisp ink;
        std::vector<InkStrokeDisp> s;
        for (int i = 0; i < 5; ++i)
            s.push_back(addStroke(ink, {{0, i * 100}, {50, i * 100}}));
        ink.DeleteStroke(s[1]);
        ink.DeleteStrokes(InkStrokes({s[3], s[3], s[0]}));  // duplicates are one
        QVERIFY(s[0].isDetached() && s[1].isDetached() && s[3].isDetached());
        QVERIFY(!s[2].isDetached());
        const InkStrokes left = ink.Strokes();
        QCOMPARE(left.Count(), 2);
        QVERIFY(left.Item(0) == s[2] && left.Item(1) == s[4]);
        QVERIFY(throwsCode([&] { s[1].PacketCount(); }, PlatformErrorCode::DetachedStroke));

        // A bad reference among good ones deletes nothing.
        QVERIFY(throwsCode([&] { ink.DeleteStrokes(InkStrokes({s[2], s[1]})); }, PlatformErrorCode::DetachedStroke));
        QCOMPARE(ink.strokeCount(), 2);

        ink.DeleteStrokes();
        QCOMPARE(ink.strokeCount(), 0);
        QVERIFY(s[2].isDetached() && s[4].isDetached());
        QCOMPARE(ink.HitTestCircle(0, 200, 1000.0f).Count(), 0);
    }

    void destroyedInkDetachesItsStrokes()
    {
        InkStrokeDisp kept;
        InkStrokeDisp collecting;
        {
            InkDisp ink;
            kept = addStroke(ink, {{0, 0}, {5, 5}});
            collecting = ink.beginStroke(thinPen());
        }
        QVERIFY(kept.isDetached());
        QVERIFY(collecting.isDetached());
        QVERIFY(throwsCode([&] { kept.GetPoints(); }, PlatformErrorCode::DetachedStroke));
        QVERIFY(throwsCode([&] { collecting.ink(); }, PlatformErrorCode::DetachedStroke));
    }

    void idsAreUniqueAndSplitOrder()
    {
        InkDisp ink;
        InkStrokeDisp a = addStroke(ink, {{0, 0}, {100, 0}, {200, 0}});
        InkStrokeDisp b = addStroke(ink, {{0, 50}, {100, 50}});
        const int64_t idB = b.ID();
        ink.DeleteStroke(b);
        InkStrokeDisp c = addStroke(ink, {{0, 90}, {100, 90}});
        QVERIFY(c.ID() != idB && c.ID() != a.ID());
        InkStrokeDisp first = a.Split(0.5f);
        InkStrokeDisp second = first.Split(1.0f);
        QVERIFY(first.ID() != second.ID() && first.ID() != c.ID());
        const InkStrokes all = ink.Strokes();
        QCOMPARE(all.Count(), 4);
        QVERIFY(all.Item(0) == a && all.Item(1) == first && all.Item(2) == second && all.Item(3) == c);
        QCOMPARE(a.ink(), &ink);
    }

    void boundsAndMemory()
    {
        InkDisp ink;
        InkStrokeDisp s = addStroke(ink, {{10, 20}, {-30, 60}, {5, -7}}, 53.0f);
        QCOMPARE(s.GetBoundingBox(), (InkRectangle{-7, -30, 60, 10}));
        // Pen pressure may widen a 53 stroke to 79.5: half of it, rounded up.
        QCOMPARE(s.drawnBounds(), (InkRectangle{-47, -70, 100, 50}));
        const InkDisp::MemoryUse use = ink.memoryUse();
        QCOMPARE(use.strokes, size_t(1));
        QCOMPARE(use.packets, size_t(3));
        QVERIFY(use.bytes >= 3 * sizeof(InkPacket));
    }

    void listeners()
    {
        InkDisp ink;
        Recorder rec;
        ink.addListener(&rec);
        ink.addListener(&rec);  // once is enough
        InkStrokeDisp s = addStroke(ink, {{0, 0}, {1000, 0}, {1000, 1000}}, 20.0f);
        QCOMPARE(rec.added.size(), size_t(1));
        QVERIFY(rec.added[0] == s);

        const InkRectangle drawn = s.drawnBounds();
        InkStrokeDisp tail = s.Split(1.5f);
        QCOMPARE(rec.changed.size(), size_t(1));
        QVERIFY(covers(rec.changed[0], drawn));
        QCOMPARE(rec.added.size(), size_t(1));  // a split adds nothing at the end

        InkDrawingAttributes wide = tail.DrawingAttributes();
        wide.SetWidth(400.0f);
        const InkRectangle narrowBounds = tail.drawnBounds();
        tail.SetDrawingAttributes(wide);
        QCOMPARE(rec.changed.size(), size_t(2));
        QVERIFY(covers(rec.changed[1], tail.drawnBounds()) && covers(rec.changed[1], narrowBounds));
        tail.SetDrawingAttributes(wide);  // unchanged: nothing to redraw
        QCOMPARE(rec.changed.size(), size_t(2));

        const InkRectangle gone = tail.drawnBounds();
        ink.DeleteStroke(tail);
        QCOMPARE(rec.changed.size(), size_t(3));
        QVERIFY(covers(rec.changed[2], gone));

        ink.removeListener(&rec);
        ink.DeleteStrokes();
        QCOMPARE(rec.changed.size(), size_t(3));
    }
};

QTEST_APPLESS_MAIN(TestInkStorage)
#include "tst_ink_storage.moc"
