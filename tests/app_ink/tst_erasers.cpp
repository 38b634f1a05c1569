// The cusp and intersection erasers through the mouse in their modes, their
// markers on the painted paper, and the cached markers against the plain
// ones, pixel for pixel.

#include "ink_fixture.h"

#include "app/ink/ink_settings.h"
#include "app/ink/marker_cache.h"
#include "tests/ink_model/random_page.h"

#include <random>

using Lines = QList<QLine>;
Q_DECLARE_METATYPE(Lines)

namespace {

// Each stroke of the page from its first to its last point, in pixels.
Lines pageLines(InkFixture& f)
{
    Lines lines;
    for (const InkStrokeDisp& s : f.ink().Strokes()) {
        const std::vector<InkPoint> points = s.GetPoints();
        lines << QLine(f.pixelAt(points.front()), f.pixelAt(points.back()));
    }
    return lines;
}

bool sameLines(const Lines& a, const Lines& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if ((a[i].p1() - b[i].p1()).manhattanLength() > 1 || (a[i].p2() - b[i].p2()).manhattanLength() > 1)
            return false;
    return true;
}

QString describe(const Lines& lines)
{
    QStringList parts;
    for (const QLine& l : lines)
        parts << QStringLiteral("(%1,%2)-(%3,%4)").arg(l.x1()).arg(l.y1()).arg(l.x2()).arg(l.y2());
    return parts.join(' ');
}

int redPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += isRed(image.pixelColor(x, y));
    return n;
}

// A marker's outline at its centre's left and right, the centre itself not.
bool markerAt(const QImage& shot, QPoint centre)
{
    return isRed(shot.pixelColor(centre + QPoint(-3, 0))) && isRed(shot.pixelColor(centre + QPoint(3, 0))) &&
           isRed(shot.pixelColor(centre + QPoint(0, -3))) && !isRed(shot.pixelColor(centre));
}

}  // namespace

class TestErasers : public QObject {
    Q_OBJECT
private slots:
    void cuspEraser_data();
    void cuspEraser();
    void intersectionEraser_data();
    void intersectionEraser();
    void twoHitStrokesOneRefresh_data();
    void twoHitStrokesOneRefresh();
    void cuspEraserBeyondSixteenBits();
    void markersByMode();
    void cachedMarkersDrawTheSamePixels_data();
    void cachedMarkersDrawTheSamePixels();
    void screenShowsWhatIsLeft_data();
    void screenShowsWhatIsLeft();
};

void TestErasers::cuspEraser_data()
{
    QTest::addColumn<Lines>("page");  // polylines given as their points, one QLine per segment
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<Lines>("left");
    const QList<QPoint> zig{{100, 100}, {200, 300}, {300, 100}, {400, 300}, {500, 100}};
    Lines zigzag;
    for (int i = 0; i + 1 < zig.size(); ++i)
        zigzag << QLine(zig[i], zig[i + 1]);
    QTest::newRow("first stretch") << zigzag << QPoint(150, 200) << Lines{{200, 300, 500, 100}};
    QTest::newRow("inner stretch") << zigzag << QPoint(250, 200)
                                   << Lines{{100, 100, 200, 300}, {300, 100, 500, 100}};
    QTest::newRow("last stretch") << zigzag << QPoint(450, 200) << Lines{{100, 100, 400, 300}};
    QTest::newRow("exactly on an inner cusp") << zigzag << QPoint(300, 100)
                                              << Lines{{100, 100, 300, 100}, {400, 300, 500, 100}};
    QTest::newRow("on the last point") << zigzag << QPoint(500, 100) << Lines{{100, 100, 400, 300}};
    QTest::newRow("no inner cusp: all of it") << Lines{{100, 200, 500, 200}} << QPoint(300, 200) << Lines{};
    QTest::newRow("nothing near") << zigzag << QPoint(300, 380) << Lines{{100, 100, 500, 100}};
}

void TestErasers::cuspEraser()
{
    QFETCH(Lines, page);
    QFETCH(QPoint, pointer);
    QFETCH(Lines, left);
    InkFixture f;
    QVERIFY(f.show());
    // Ten points along each arm, so that every corner is a cusp of its own.
    std::vector<QPoint> points{page.front().p1()};
    for (const QLine& l : page)
        for (int i = 1; i <= 10; ++i)
            points.push_back(l.p1() + (l.p2() - l.p1()) * i / 10);
    const InkStrokeDisp stroke = f.addStroke(points);
    QCOMPARE(stroke.PolylineCusps().size(), size_t(page.size() + 1));
    f.form->CuspErase();
    PaintCounter paints(f.paper());
    f.moveWithButton(pointer);
    QVERIFY2(sameLines(pageLines(f), left), qPrintable(describe(pageLines(f))));
    // Refreshed once when something was hit, not at all otherwise.
    QCOMPARE(paints.paints, sameLines(left, Lines{QLine(page.front().p1(), page.back().p2())}) ? 0 : 1);
    QVERIFY(f.messageBox.calls().isEmpty());
}

void TestErasers::intersectionEraser_data()
{
    QTest::addColumn<Lines>("page");  // two-point strokes
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<Lines>("left");
    const Lines x{{100, 100, 300, 300}, {100, 300, 300, 100}};
    QTest::newRow("X, before the crossing") << x << QPoint(150, 150)
                                            << Lines{{200, 200, 300, 300}, {100, 300, 300, 100}};
    QTest::newRow("X, after the crossing") << x << QPoint(250, 250)
                                           << Lines{{100, 100, 200, 200}, {100, 300, 300, 100}};
    const Lines ladder{{100, 200, 500, 200}, {200, 100, 200, 300}, {400, 100, 400, 300}};
    QTest::newRow("between two crossings") << ladder << QPoint(300, 200)
                                           << Lines{{100, 200, 200, 200}, {400, 200, 500, 200},
                                                    {200, 100, 200, 300}, {400, 100, 400, 300}};
    QTest::newRow("crossing nothing: all of it") << Lines{{100, 200, 500, 200}, {100, 300, 500, 300}}
                                                 << QPoint(300, 200) << Lines{{100, 300, 500, 300}};
}

void TestErasers::intersectionEraser()
{
    QFETCH(Lines, page);
    QFETCH(QPoint, pointer);
    QFETCH(Lines, left);
    InkFixture f;
    QVERIFY(f.show());
    for (const QLine& l : page)
        f.addStroke({l.p1(), l.p2()});
    f.form->IntersectionErase();
    PaintCounter paints(f.paper());
    f.moveWithButton(pointer);
    QVERIFY2(sameLines(pageLines(f), left), qPrintable(describe(pageLines(f))));
    QCOMPARE(paints.paints, 1);
    QVERIFY(f.messageBox.calls().isEmpty());
}

// Two strokes side by side under the pointer, both crossed by a third
// further on: each loses a stretch in the same call, with one refresh.
void TestErasers::twoHitStrokesOneRefresh_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("left");
    QTest::newRow("cusp erase: both go whole") << 2 << 1;
    QTest::newRow("intersection erase: each keeps its part past the crossing") << 3 << 3;
}

void TestErasers::twoHitStrokesOneRefresh()
{
    QFETCH(int, mode);
    QFETCH(int, left);
    InkFixture f;
    QVERIFY(f.show());
    const InkStrokeDisp a = f.addStroke({QPoint(100, 200), QPoint(500, 200)});
    const InkStrokeDisp b = f.addStroke({QPoint(100, 201), QPoint(500, 201)});
    f.addStroke({QPoint(300, 100), QPoint(300, 300)});
    f.form->UpdateApplicationMode(int16_t(mode));
    PaintCounter paints(f.paper());
    f.moveWithButton(QPoint(150, 200));
    QCOMPARE(f.ink().strokeCount(), left);
    QCOMPARE(paints.paints, 1);
    QVERIFY(a.isDetached() && b.isDetached());
    if (mode == 3)
        QVERIFY2(sameLines(pageLines(f), Lines{{300, 200, 500, 200}, {300, 201, 500, 201}, {300, 100, 300, 300}}),
                 qPrintable(describe(pageLines(f))));
}

// A zigzag of 100,000 points with a cusp every 10,000: the stretch around
// point 65,000 goes.
void TestErasers::cuspEraserBeyondSixteenBits()
{
    InkFixture f;
    QVERIFY(f.show());
    std::vector<InkPacket> packets;
    for (int i = 0; i < 100000; ++i) {
        const int leg = i / 10000;
        const int along = i % 10000;
        packets.push_back(InkPacket{5000 + (leg % 2 == 0 ? along : 10000 - along), 1000 + i / 10, kInkMousePressure});
    }
    const InkStrokeDisp zigzag = f.ink().CreateStroke(packets, InkDrawingAttributes());
    const std::vector<int32_t> cusps = zigzag.PolylineCusps();
    QCOMPARE(cusps.size(), size_t(11));
    QCOMPARE(cusps[6], 60000);
    f.form->CuspErase();
    f.moveWithButton(f.pixelAt(InkPoint{10000, 7500}));  // point 65,000
    QCOMPARE(f.ink().strokeCount(), 2);
    QCOMPARE(f.ink().Strokes().Item(0).PacketCount(), 60001);
    QCOMPARE(f.ink().Strokes().Item(1).PacketCount(), 30000);
    QCOMPARE(f.ink().Strokes().Item(1).GetPoints(0, 1).front(), (InkPoint{15000, 8000}));
    QVERIFY(f.messageBox.calls().isEmpty());
}

void TestErasers::markersByMode()
{
    InkFixture f;
    QVERIFY(f.show());
    f.addStroke({QPoint(100, 100), QPoint(300, 300)});
    f.addStroke({QPoint(100, 300), QPoint(200, 150), QPoint(300, 100)});
    QCOMPARE(redPixels(f.shot()), 0);

    f.form->IntersectionErase();
    QVERIFY(f.form->intersectionMarkerCache());
    const auto crossings = f.form->intersectionMarkerCache()->positions(f.ink());
    QCOMPARE(crossings.size(), size_t(2));
    QCOMPARE(crossings[0].size(), size_t(1));
    QCOMPARE(crossings[1].size(), size_t(1));
    QImage shot = f.shot();
    // One marker from each stroke, each on its own stroke's line.
    for (const auto& stroke : crossings)
        QVERIFY(markerAt(shot, f.pixelAt(stroke.front())));

    f.form->CuspErase();
    shot = f.shot();
    QVERIFY(!markerAt(shot, f.pixelAt(crossings[0].front())));
    for (QPoint cusp : {QPoint(100, 100), QPoint(300, 300), QPoint(100, 300), QPoint(300, 100)})
        QVERIFY(markerAt(shot, cusp));

    f.form->StrokeErase();
    QCOMPARE(redPixels(f.shot()), 0);
    f.form->UpdateApplicationMode(6);
    QCOMPARE(redPixels(f.shot()), 0);
    f.ink().DeleteStrokes();
    f.form->IntersectionErase();
    QCOMPARE(redPixels(f.shot()), 0);
}

void TestErasers::cachedMarkersDrawTheSamePixels_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("intersection erase") << 3;
    QTest::newRow("cusp erase") << 2;
}

// Random pages, erased at random places through the mouse: the cached
// markers show exactly what asking every stroke again shows.
void TestErasers::cachedMarkersDrawTheSamePixels()
{
    QFETCH(int, mode);
    InkFixture f;
    QVERIFY(f.show());
    RandomPageSpec spec;
    spec.strokes = 250;
    spec.maxPoints = 60;
    spec.seed = unsigned(mode);
    fillInk(f.ink(), randomWalkStrokes(spec));
    f.form->UpdateApplicationMode(int16_t(mode));
    std::mt19937 rng(11);
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 40; ++i)
            f.moveWithButton(QPoint(int(rng() % 600), int(rng() % 390)));
        const QImage cached = f.shot();
        f.form->setMarkerCacheEnabled(false);
        const QImage plain = f.shot();
        f.form->setMarkerCacheEnabled(true);
        QVERIFY(redPixels(plain) > 100);
        QVERIFY2(cached == plain, qPrintable(QStringLiteral("round %1").arg(round)));
    }
    QVERIFY(f.messageBox.calls().isEmpty());
}

void TestErasers::screenShowsWhatIsLeft_data()
{
    cachedMarkersDrawTheSamePixels_data();
    QTest::newRow("stroke erase") << 4;
}

// The raster behind the paper's repaint is brought up to date once after all
// the cuts of an erase: what the screen shows is what drawing the ink left
// anew shows.
void TestErasers::screenShowsWhatIsLeft()
{
    QFETCH(int, mode);
    InkFixture f;
    QVERIFY(f.show());
    RandomPageSpec spec;
    spec.strokes = 300;
    spec.maxPoints = 60;
    spec.seed = 40u + unsigned(mode);
    fillInk(f.ink(), randomWalkStrokes(spec));
    f.form->UpdateApplicationMode(int16_t(mode));
    const int before = f.ink().strokeCount();
    std::mt19937 rng{unsigned(mode)};
    for (int i = 0; i < 60; ++i)
        f.moveWithButton(QPoint(int(rng() % 600), int(rng() % 390)));
    QVERIFY(f.ink().strokeCount() != before);
    // The same ink on a fresh page, drawn from nothing.
    InkFixture fresh;
    QVERIFY(fresh.show());
    for (const InkStrokeDisp& s : f.ink().Strokes())
        fresh.ink().CreateStroke(s.packets(), s.DrawingAttributes());
    fresh.form->UpdateApplicationMode(int16_t(mode));
    QVERIFY(f.shot() == fresh.shot());
}

TAVRO_WINDOW_TEST_MAIN(TestErasers)
#include "tst_erasers.moc"
