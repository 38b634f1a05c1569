// The cusp and intersection erasers through the mouse in their modes, their
// markers on the painted paper, and the cached markers against the plain
// ones, pixel for pixel.

#include "ink_fixture.h"
#include "tests/ink_qt/render_helpers.h"

#include "app/ink/ink_settings.h"
#include "app/ink/marker_cache.h"


using Lines = QList<QLine>;
using Page = QList<QPolygon>;
Q_DECLARE_METATYPE(Lines)
Q_DECLARE_METATYPE(Page)

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
    void eraseAtPointer_data();
    void eraseAtPointer();
    void cuspEraserBeyondSixteenBits();
    void markersByMode();
    void keptMarkersMatchFresh_data();
    void keptMarkersMatchFresh();
};

// A press at the drag's first point and a move with the button held to each
// of the others (one point: a move there) over a page of strokes (each a
// polygon of points): the pieces left, each as a line from its first to its
// last point.
void TestErasers::eraseAtPointer_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<Page>("page");
    QTest::addColumn<QPolygon>("drag");
    QTest::addColumn<Lines>("left");
    const Page zigzag{QPolygon({{100, 100}, {200, 300}, {300, 100}, {400, 300}, {500, 100}})};
    QTest::newRow("cusp: first stretch") << 2 << zigzag << QPolygon({{150, 200}}) << Lines{{200, 300, 500, 100}};
    QTest::newRow("cusp: inner stretch") << 2 << zigzag << QPolygon({{250, 200}})
                                         << Lines{{100, 100, 200, 300}, {300, 100, 500, 100}};
    QTest::newRow("cusp: exactly on an inner cusp") << 2 << zigzag << QPolygon({{300, 100}})
                                                    << Lines{{100, 100, 300, 100}, {400, 300, 500, 100}};
    QTest::newRow("cusp: on the last point, the last stretch") << 2 << zigzag << QPolygon({{500, 100}})
                                                               << Lines{{100, 100, 400, 300}};
    QTest::newRow("cusp: no inner cusp, all of it") << 2 << Page{QPolygon({{100, 200}, {500, 200}})}
                                                    << QPolygon({{300, 200}}) << Lines{};
    QTest::newRow("cusp: nothing near") << 2 << zigzag << QPolygon({{300, 380}}) << Lines{{100, 100, 500, 100}};

    const Page x{QPolygon({{100, 100}, {300, 300}}), QPolygon({{100, 300}, {300, 100}})};
    QTest::newRow("crossing: X, before") << 3 << x << QPolygon({{150, 150}})
                                         << Lines{{200, 200, 300, 300}, {100, 300, 300, 100}};
    // Two crossings on the one segment of a two-point stroke.
    const Page ladder{QPolygon({{100, 200}, {500, 200}}), QPolygon({{200, 100}, {200, 300}}),
                      QPolygon({{400, 100}, {400, 300}})};
    QTest::newRow("crossing: between two in one segment")
        << 3 << ladder << QPolygon({{300, 200}})
        << Lines{{100, 200, 200, 200}, {400, 200, 500, 200}, {200, 100, 200, 300}, {400, 100, 400, 300}};
    QTest::newRow("crossing: none, all of it") << 3 << Page{QPolygon({{100, 200}, {500, 200}}),
                                                            QPolygon({{100, 300}, {500, 300}})}
                                               << QPolygon({{300, 200}}) << Lines{{100, 300, 500, 300}};
    // Two strokes side by side under the pointer, both crossed further on:
    // each loses its stretch in the same move.
    const Page pair{QPolygon({{100, 200}, {500, 200}}), QPolygon({{100, 201}, {500, 201}}),
                    QPolygon({{300, 100}, {300, 300}})};
    QTest::newRow("crossing: two strokes hit")
        << 3 << pair << QPolygon({{150, 200}}) << Lines{{300, 200, 500, 200}, {300, 201, 500, 201}, {300, 100, 300, 300}};

    // A quick drag in 30 px moves over thin lines 7 px apart sweeps the way
    // between its moves: every line it crosses goes, and only those. One
    // line ends 1 px short of the way, within reach; one lies 4 px beside
    // it, one 10 px past its end, out of reach.
    Page lines{QPolygon({{100, 202}, {300, 202}}), QPolygon({{100, 204}, {300, 204}}),
               QPolygon({{280, 100}, {280, 300}}), QPolygon({{260, 100}, {260, 199}})};
    for (int x = 95; x < 260; x += 7)
        lines << QPolygon({{x, 100}, {x, 300}});
    QTest::newRow("stroke: quick drag across lines")
        << 4 << lines << QPolygon({{90, 200}, {120, 200}, {150, 200}, {180, 200}, {210, 200}, {240, 200}, {270, 200}})
        << Lines{{100, 204, 300, 204}, {280, 100, 280, 300}};
    Page rungs;
    for (int y = 103; y < 300; y += 7)
        rungs << QPolygon({{100, y}, {400, y}});
    QTest::newRow("stroke: quick diagonal drag") << 4 << rungs
                                                 << QPolygon({{110, 90}, {131, 111}, {152, 132}, {173, 153}, {194, 174},
                                                              {215, 195}, {236, 216}, {257, 237}, {278, 258},
                                                              {299, 279}, {320, 300}, {341, 321}})
                                                 << Lines{};
    // A quick drag whose moves queue up: every move erases, and the paper is painted once. (Cuts
    // round down, so the last leaves the ink unit just before a crossing.)
    QTest::newRow("crossing: three queued moves")
        << 3 << ladder << QPolygon({{150, 200}, {150, 200}, {300, 200}, {450, 200}})
        << Lines{{400, 200, 400, 200}, {200, 100, 200, 300}, {400, 100, 400, 300}};
}

void TestErasers::eraseAtPointer()
{
    QFETCH(int, mode);
    QFETCH(Page, page);
    QFETCH(QPolygon, drag);
    QFETCH(Lines, left);
    InkFixture f;
    QVERIFY(f.show());
    Lines before;
    for (const QPolygon& stroke : page) {
        before << QLine(stroke.front(), stroke.back());
        // For the cusp eraser ten points along each arm, so that every
        // corner is a cusp of its own.
        std::vector<QPoint> points{stroke.front()};
        for (qsizetype k = 1; k < stroke.size(); ++k)
            for (int i = 1; i <= (mode == 2 ? 10 : 1); ++i)
                points.push_back(stroke[k - 1] + (stroke[k] - stroke[k - 1]) * i / (mode == 2 ? 10 : 1));
        f.addStroke(points);
    }
    f.form->UpdateApplicationMode(int16_t(mode));
    f.paper()->setFocus();  // the moves give it the focus, and that repaints it too
    QCoreApplication::processEvents();
    PaintCounter paints(f.paper());
    std::vector<QPoint> points(drag.begin(), drag.end());
    if (points.size() == 1)
        points.push_back(points.front());
    sendMouse(f.paper(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, points.front());
    for (size_t i = 1; i < points.size(); ++i)
        QCoreApplication::postEvent(f.paper(), new QMouseEvent(QEvent::MouseMove, points[i], points[i],
                                                               f.paper()->mapToGlobal(points[i]), Qt::NoButton,
                                                               Qt::LeftButton, Qt::NoModifier));
    QTest::qWait(50);
    QVERIFY(sameLines(pageLines(f), left));
    // The stroke eraser refreshes at every move; the others once when
    // something was hit, not at all otherwise.
    QCOMPARE(paints.paints, mode == 4 ? int(points.size()) - 1 : int(!sameLines(left, before)));
    QVERIFY(f.messageBox.calls().isEmpty());
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
    f.ink().CreateStroke(packets, InkDrawingAttributes());
    f.form->CuspErase();
    dragTo(f.paper(), f.pixelAt(InkPoint{10000, 7500}));  // point 65,000
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
    const auto crossings = f.form->intersectionMarkerCache()->positions(f.ink());
    QCOMPARE(crossings.size(), size_t(2));
    QImage shot = f.shot();
    // One marker from each stroke, each on its own stroke's line.
    for (const auto& stroke : crossings) {
        QCOMPARE(stroke.size(), size_t(1));
        QVERIFY(markerAt(shot, f.pixelAt(stroke.front())));
    }

    f.form->CuspErase();
    shot = f.shot();
    QVERIFY(!markerAt(shot, f.pixelAt(crossings[0].front())));
    for (QPoint cusp : {QPoint(100, 100), QPoint(300, 300), QPoint(100, 300), QPoint(300, 100)})
        QVERIFY(markerAt(shot, cusp));
    // Erasing the straight stroke takes its end markers off the screen too.
    dragTo(f.paper(), QPoint(250, 250));
    QCOMPARE(f.ink().strokeCount(), 1);
    shot = f.shot();
    QVERIFY(!markerAt(shot, QPoint(100, 100)) && !markerAt(shot, QPoint(300, 300)) && markerAt(shot, QPoint(100, 300)));

    f.form->StrokeErase();
    QCOMPARE(redPixels(f.shot()), 0);
}

// A drag erasing across a lattice of wavy strokes, painted after each move:
// the markers kept between paints and brought up to date from the changes,
// and the raster repainted where ink went, are the same pixels as all of it
// drawn anew.
void TestErasers::keptMarkersMatchFresh_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("transparency");
    QTest::addColumn<int>("lines");  // a lattice of lines each way
    QTest::addColumn<bool>("elsewhere");  // crossings found on another thread
    QTest::newRow("cusps") << 2 << 0 << 8 << false;
    QTest::newRow("crossings") << 3 << 0 << 8 << false;
    QTest::newRow("crossings, translucent ink") << 3 << 128 << 8 << false;
    // Tens of thousands of markers, found and converted in parts.
    QTest::newRow("crossings, dense lattice") << 3 << 0 << 150 << false;
    QTest::newRow("crossings found on another thread") << 3 << 0 << 8 << true;
}

void TestErasers::keptMarkersMatchFresh()
{
    QFETCH(int, mode);
    QFETCH(int, transparency);
    QFETCH(int, lines);
    QFETCH(bool, elsewhere);
    InkFixture f;
    QVERIFY(f.show());
    if (elsewhere)
        f.form->setMarkersInBackgroundFrom(0);
    for (int i = 0; i < lines; ++i) {
        std::vector<QPoint> row;
        std::vector<QPoint> column;
        for (int x = 40; x <= 580; x += 12)
            row.push_back(QPoint(x, 40 + 320 * i / lines + (x / 12 % 2) * 5));
        for (int y = 20; y <= 380; y += 12)
            column.push_back(QPoint(60 + 520 * i / lines + (y / 12 % 3) * 4, y));
        f.addStroke(row);
        f.addStroke(column);
    }
    // A bow crossing itself, away from the drag: once cut, its two pieces
    // cross there, and a marker comes where nothing went.
    f.addStroke({QPoint(100, 240), QPoint(120, 240), QPoint(180, 380), QPoint(180, 240), QPoint(120, 380)});
    for (InkStrokeDisp stroke : f.ink().Strokes()) {
        InkDrawingAttributes pen = stroke.DrawingAttributes();
        pen.SetTransparency(transparency);
        stroke.SetDrawingAttributes(pen);
    }
    f.form->UpdateApplicationMode(int16_t(mode));
    const QImage before = f.shot();
    QCOMPARE(f.form->intersectionMarkerCache() && f.form->intersectionMarkerCache()->finding(), elsewhere);
    if (elsewhere)  // the bow cut before they are found: they are found again
        mouseDrag(f.paper(), {QPointF(180, 300), QPointF(180, 301)});
    sendMouse(f.paper(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(50, 30));
    for (int i = 1; i <= 20; ++i) {
        dragTo(f.paper(), QPoint(50 + 26 * i, 30 + 17 * i));
        QCoreApplication::processEvents();
    }
    sendMouse(f.paper(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(570, 370));
    mouseDrag(f.paper(), {QPointF(180, 300), QPointF(180, 301)});
    QCoreApplication::processEvents();
    // A paint with none found starts finding them.
    QTRY_VERIFY((f.shot(), !f.form->intersectionMarkerCache() || !f.form->intersectionMarkerCache()->finding()));
    const QImage kept = f.shot();
    QVERIFY(kept != before);
    f.form->setMarkerCacheEnabled(false);
    QVERIFY(kept == f.shot());
    // So is the ink's raster, repainted only where ink went, to one drawn
    // anew, but for a grey level where the bow's two pieces now blend their
    // edges twice at its crossing (one stroke blended them once).
    f.collector().Renderer().attach(&f.ink(), f.paper());
    QVERIFY(largestDifference(kept, f.shot()) <= 1);
}

TAVRO_WINDOW_TEST_MAIN(TestErasers)
#include "tst_erasers.moc"
