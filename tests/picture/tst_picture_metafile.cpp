// Windows metafiles and enhanced metafiles: their shapes land where they were
// drawn, at the size their headers give at the target DPI, through each way
// of mapping logical units to the picture.

#include "picture_fixtures.h"
#include "platform/picture/picture_loader.h"

#include <QTest>

namespace {

bool isColour(const QImage& image, QPoint at, QColor colour)
{
    return image.pixelColor(at).alpha() == 255 && fixtures::near(image.pixelColor(at), colour, 8);
}

int countPixels(const QImage& image, const QRect& box, const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool dark(QColor c)
{
    return c.alpha() > 128 && c.red() < 100 && c.green() < 100 && c.blue() < 100;
}

}  // namespace

class TestPictureMetafile : public QObject {
    Q_OBJECT

private slots:
    void sceneShapesLandWhereDrawn_data();
    void sceneShapesLandWhereDrawn();
    void sceneTextHatchAndDashes_data();
    void sceneTextHatchAndDashes();
    void mappingsPlaceTheRectangle_data();
    void mappingsPlaceTheRectangle();
    void arcsAndExcludedClips_data();
    void arcsAndExcludedClips();

private:
    static QString scene(const QString& kind) { return fixtures::dataPath("scene." + kind); }
};

// At 96 dpi, and again at 144 dpi where every probe moves by half.
void TestPictureMetafile::sceneShapesLandWhereDrawn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour");
    for (const char* kind : {"emf", "wmf"}) {
        for (const double dpi : {96.0, 144.0}) {
            for (const fixtures::SceneProbe& probe : fixtures::sceneProbes())
                QTest::addRow("%s at %g dpi: %s", kind, dpi, probe.what)
                    << QString(kind) << dpi << probe.at << probe.colour;
        }
    }
}

void TestPictureMetafile::sceneShapesLandWhereDrawn()
{
    QFETCH(QString, kind);
    QFETCH(double, dpi);
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    const Picture picture = LoadPicture(scene(kind), dpi);
    QVERIFY(picture.isVector());
    QCOMPARE(picture.size(), QSize(fixtures::kSceneWidth, fixtures::kSceneHeight) * (dpi / 96));
    QCOMPARE(picture.dpi(), dpi);
    const QImage image = picture.toImage();
    at = (QPointF(at) * (dpi / 96)).toPoint();
    if (colour.isValid())
        QVERIFY2(isColour(image, at, colour), qPrintable(image.pixelColor(at).name(QColor::HexArgb)));
    else
        QCOMPARE(image.pixelColor(at).alpha(), 0);
}

void TestPictureMetafile::sceneTextHatchAndDashes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("emf") << "emf";
    QTest::newRow("wmf") << "wmf";
}

void TestPictureMetafile::sceneTextHatchAndDashes()
{
    QFETCH(QString, kind);
    const QImage image = LoadPicture(scene(kind), 96).toImage();

    // "Hello" in 40-pixel letters from the reference point on, nothing before or above it.
    const QRect text = fixtures::kTextBox;
    QVERIFY(countPixels(image, text, dark) > 300);
    QCOMPARE(countPixels(image, QRect(text.left() - 20, text.top(), 18, text.height()), dark), 0);
    QCOMPARE(countPixels(image, QRect(text.left(), text.top() - 20, text.width(), 18), dark), 0);

    // Blue lines with the opaque white background between them.
    const QRect hatch = fixtures::kHatchBox;
    const int area = hatch.width() * hatch.height();
    const int blue = countPixels(image, hatch, [](QColor c) { return c == QColor(Qt::blue); });
    const int white = countPixels(image, hatch, [](QColor c) { return c == QColor(Qt::white); });
    QVERIFY2(blue > area / 20 && white > area / 2, qPrintable(QString("%1 blue, %2 white").arg(blue).arg(white)));
    QCOMPARE(blue + white, area);

    // Dashes: black with gaps along the whole line.
    const QRect line = fixtures::kDashLine;
    const int black = countPixels(image, line, dark);
    QVERIFY2(black > line.width() / 3 && black < line.width() * 9 / 10, qPrintable(QString::number(black)));
    QVERIFY(countPixels(image, QRect(line.right() - 30, line.top(), 30, 1), dark) > 0);
}

// One red rectangle placed through one way of mapping, or drawn as a path
// or through clipping (data/metafile, make_metafiles.py). Without mapping
// records, logical units are the pixels of a 480 x 240 picture.
void TestPictureMetafile::mappingsPlaceTheRectangle_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRectF>("red");
    const QSize size(480, 240);
    const double lo = 96 / 254.0;  // one tenth of a millimetre in pixels
    const std::tuple<const char*, QSize, QRectF> rows[] = {
        {"map-emf-text.emf", size, {100, 100, 200, 100}},
        {"map-emf-isotropic.emf", size, {120, 48, 240, 96}},  // the smaller scale
        {"map-emf-y-up.emf", size, {100, 40, 200, 100}},
        {"map-emf-lometric.emf", size, {100 * lo, 100 * lo, 200 * lo, 100 * lo}},
        {"map-emf-world.emf", size, {200, 100, 100, 50}},
        {"map-emf-world-past-1e9.emf", size, {100, 100, 200, 100}},  // ignored
        {"map-emf-300dpi.emf", size, {96, 96, 192, 96}},
        {"map-emf-path.emf", size, {100, 100, 200, 100}},
        {"map-emf-clip.emf", size, {100, 100, 50, 100}},
        {"map-emf-clip-restored.emf", size, {100, 100, 200, 100}},
        {"map-wmf-window-origin.wmf", size, {100, 50, 100, 50}},
        {"map-wmf-unplaced.wmf", {400, 300}, {0, 0, 200, 150}},  // its window at 96 dpi
    };
    for (const auto& [file, size, red] : rows)
        QTest::newRow(file) << QString(file) << size << red;
}

void TestPictureMetafile::mappingsPlaceTheRectangle()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QFETCH(QRectF, red);
    const Picture picture = LoadPicture(fixtures::dataPath("metafile/" + file), 96);
    QCOMPARE(picture.size(), size);
    const QImage image = picture.toImage();
    // Just inside each edge is red; just outside it, within the picture, is empty.
    const QPointF c = red.center();
    QVERIFY(isColour(image, c.toPoint(), Qt::red));
    for (const QPointF& inside : {QPointF(red.left() + 2, c.y()), QPointF(red.right() - 2, c.y()),
                                  QPointF(c.x(), red.top() + 2), QPointF(c.x(), red.bottom() - 2)})
        QVERIFY2(isColour(image, inside.toPoint(), Qt::red), qPrintable(QString::number(inside.x())));
    for (const QPointF& outside : {QPointF(red.left() - 3, c.y()), QPointF(red.right() + 3, c.y()),
                                   QPointF(c.x(), red.top() - 3), QPointF(c.x(), red.bottom() + 3)})
        if (QRectF(QPointF(0, 0), QSizeF(size)).contains(outside))
            QCOMPARE(image.pixelColor(outside.toPoint()).alpha(), 0);
}

void TestPictureMetafile::arcsAndExcludedClips_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QPoint>("red");
    QTest::addColumn<QPoint>("empty");
    QTest::newRow("pie from three to twelve o'clock, counter-clockwise") << "pie.emf" << QPoint(240, 80)
                                                                          << QPoint(160, 160);
    QTest::newRow("a rectangle excluded") << "exclude.emf" << QPoint(120, 150) << QPoint(200, 150);
    QTest::newRow("WMF: a rectangle excluded") << "exclude.wmf" << QPoint(120, 150) << QPoint(200, 150);
}

void TestPictureMetafile::arcsAndExcludedClips()
{
    QFETCH(QString, file);
    QFETCH(QPoint, red);
    QFETCH(QPoint, empty);
    const QImage image = LoadPicture(fixtures::dataPath("metafile/" + file), 96).toImage();
    QVERIFY(isColour(image, red, Qt::red));
    QCOMPARE(image.pixelColor(empty).alpha(), 0);
}

QTEST_MAIN(TestPictureMetafile)
#include "tst_picture_metafile.moc"
