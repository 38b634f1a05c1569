// Windows metafiles and enhanced metafiles written by libUEMF: their shapes
// land where they were drawn, at the size their headers give, through each
// way of mapping logical units to the picture.

#include "metafile_bytes.h"
#include "metafile_fixtures.h"
#include "platform/picture/picture_loader.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool isColour(const QImage& image, QPoint at, QColor colour)
{
    const QColor pixel = image.pixelColor(at);
    return pixel.alpha() == 255 && std::abs(pixel.red() - colour.red()) <= 8
           && std::abs(pixel.green() - colour.green()) <= 8 && std::abs(pixel.blue() - colour.blue()) <= 8;
}

int countPixels(const QImage& image, const QRect& box, const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    }
    return count;
}

bool dark(QColor c)
{
    return c.alpha() > 128 && c.red() < 100 && c.green() < 100 && c.blue() < 100;
}

}  // namespace

class TestPictureMetafile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString scene(const QString& kind) const { return m_dir.filePath(QStringLiteral("장면 scene.") + kind); }

private slots:
    void initTestCase();
    void sceneShapesLandWhereDrawn_data();
    void sceneShapesLandWhereDrawn();
    void sceneTextHatchAndDashes_data();
    void sceneTextHatchAndDashes();
    void sizeFollowsTheTargetDpi_data();
    void sizeFollowsTheTargetDpi();
    void mappingsPlaceTheRectangle_data();
    void mappingsPlaceTheRectangle();
    void pathsArcsAndClipping_data();
    void pathsArcsAndClipping();
    void drawsAtItsCornerAndOnlyInsideItsFrame();
};

void TestPictureMetafile::initTestCase()
{
    QVERIFY(m_dir.isValid());
    fixtures::writeEmfScene(scene("emf"));
    fixtures::writeWmfScene(scene("wmf"));
}

void TestPictureMetafile::sceneShapesLandWhereDrawn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour");
    for (const char* kind : {"emf", "wmf"}) {
        for (const fixtures::SceneProbe& probe : fixtures::sceneProbes())
            QTest::addRow("%s: %s", kind, probe.what) << QString(kind) << probe.at << probe.colour;
    }
}

void TestPictureMetafile::sceneShapesLandWhereDrawn()
{
    QFETCH(QString, kind);
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    const Picture picture = LoadPicture(scene(kind), 96);
    QVERIFY(picture.isVector());
    QCOMPARE(picture.size(), QSize(fixtures::kSceneWidth, fixtures::kSceneHeight));
    const QImage image = picture.toImage();
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

    // "Hello" in 40-pixel letters from the reference point on, nothing before it.
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
    QVERIFY(countPixels(image, QRect(line.left(), line.top(), 30, 1), dark) > 0);
    QVERIFY(countPixels(image, QRect(line.right() - 30, line.top(), 30, 1), dark) > 0);
}

void TestPictureMetafile::sizeFollowsTheTargetDpi_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<QSize>("size");
    QTest::newRow("emf at 120 dpi") << "emf" << 120.0 << QSize(1200, 600);
    QTest::newRow("emf at 48 dpi") << "emf" << 48.0 << QSize(480, 240);
    QTest::newRow("wmf at 120 dpi") << "wmf" << 120.0 << QSize(1200, 600);
    QTest::newRow("wmf at 144 dpi") << "wmf" << 144.0 << QSize(1440, 720);
}

void TestPictureMetafile::sizeFollowsTheTargetDpi()
{
    QFETCH(QString, kind);
    QFETCH(double, dpi);
    QFETCH(QSize, size);
    const Picture picture = LoadPicture(scene(kind), dpi);
    QCOMPARE(picture.size(), size);
    QCOMPARE(picture.dpi(), dpi);
    const QImage image = picture.toImage();
    const double scale = dpi / 96;
    QVERIFY(isColour(image, QPoint(int(200 * scale), int(150 * scale)), Qt::red));
    QVERIFY(isColour(image, QPoint(int(450 * scale), int(150 * scale)), Qt::blue));
    QVERIFY(isColour(image, QPoint(int(200 * scale), int(425 * scale)), Qt::white));
    QCOMPARE(image.pixelColor(int(90 * scale), int(150 * scale)).alpha(), 0);
}

void TestPictureMetafile::mappingsPlaceTheRectangle_data()
{
    QTest::addColumn<int>("mapping");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRectF>("red");
    for (const fixtures::MappingCase& c : fixtures::mappingCases())
        QTest::newRow(c.name) << int(c.mapping) << c.size << c.redRect;
}

void TestPictureMetafile::mappingsPlaceTheRectangle()
{
    QFETCH(int, mapping);
    QFETCH(QSize, size);
    QFETCH(QRectF, red);
    const QString path = m_dir.filePath(QString("mapping %1").arg(mapping));
    fixtures::writeMapping(path, fixtures::Mapping(mapping));
    const Picture picture = LoadPicture(path, 96);
    QCOMPARE(picture.size(), size);
    const QImage image = picture.toImage();
    const QPointF c = red.center();
    QVERIFY(isColour(image, c.toPoint(), Qt::red));
    // Just inside each edge is red; just outside it is empty.
    const double in = 2, out = 3;
    QVERIFY(isColour(image, QPointF(red.left() + in, c.y()).toPoint(), Qt::red));
    QVERIFY(isColour(image, QPointF(red.right() - in, c.y()).toPoint(), Qt::red));
    QVERIFY(isColour(image, QPointF(c.x(), red.top() + in).toPoint(), Qt::red));
    QVERIFY(isColour(image, QPointF(c.x(), red.bottom() - in).toPoint(), Qt::red));
    for (const QPointF& outside : {QPointF(red.left() - out, c.y()), QPointF(red.right() + out, c.y()),
                                   QPointF(c.x(), red.top() - out), QPointF(c.x(), red.bottom() + out)}) {
        if (QRectF(QPointF(0, 0), QSizeF(size)).contains(outside))
            QCOMPARE(image.pixelColor(outside.toPoint()).alpha(), 0);
    }
}

void TestPictureMetafile::pathsArcsAndClipping_data()
{
    using namespace rawmeta;
    QTest::addColumn<QByteArray>("emf");
    QTest::addColumn<QPoint>("red");
    QTest::addColumn<QPoint>("empty");
    // MM_TEXT at 96 dpi: logical units are the picture's pixels.
    const QByteArray rectangle = emfRectangle(100, 100, 300, 200);
    QTest::newRow("filled path")
        << emfOf(emfRedBrushThen({emfRecord(59, {}), emfRecord(27, {100, 100}), emfRecord(54, {200, 100}),
                                  emfRecord(54, {200, 200}), emfRecord(61, {}), emfRecord(60, {}),
                                  emfRecord(62, {0, 0, 480, 240})}))
        << QPoint(180, 120) << QPoint(120, 180);
    QTest::newRow("pie from three to twelve o'clock")
        << emfOf(emfRedBrushThen({emfRecord(47, {100, 20, 300, 220, 300, 120, 200, 20})}))
        << QPoint(240, 80) << QPoint(160, 160);
    QTest::newRow("clipped to a rectangle")
        << emfOf(emfRedBrushThen({emfRecord(30, {0, 0, 150, 240}), rectangle})) << QPoint(125, 150)
        << QPoint(200, 150);
    QTest::newRow("a rectangle excluded")
        << emfOf(emfRedBrushThen({emfRecord(29, {150, 0, 250, 240}), rectangle})) << QPoint(120, 150)
        << QPoint(200, 150);
    QTest::newRow("clip undone by restore")
        << emfOf(emfRedBrushThen({emfRecord(33, {}), emfRecord(30, {0, 0, 10, 10}),
                                  emfRecord(34, {uint32_t(-1)}), rectangle}))
        << QPoint(200, 150) << QPoint(50, 150);
    QTest::newRow("clip region reset by an empty one")
        << emfOf(emfRedBrushThen({emfRecord(30, {0, 0, 10, 10}), emfRecord(75, {0, 5}), rectangle}))
        << QPoint(200, 150) << QPoint(50, 150);
}

void TestPictureMetafile::pathsArcsAndClipping()
{
    QFETCH(QByteArray, emf);
    QFETCH(QPoint, red);
    QFETCH(QPoint, empty);
    const QString path = m_dir.filePath("shapes.emf");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(emf);
    file.close();
    const QImage image = LoadPicture(path, 96).toImage();
    QVERIFY(isColour(image, red, Qt::red));
    QCOMPARE(image.pixelColor(empty).alpha(), 0);
}

void TestPictureMetafile::drawsAtItsCornerAndOnlyInsideItsFrame()
{
    // A rectangle from (400, 200) to (700, 400) in a 480 x 240 frame.
    const QString path = m_dir.filePath("overflowing.emf");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(rawmeta::emfOf(rawmeta::emfRedBrushThen({rawmeta::emfRectangle(400, 200, 700, 400)})));
    file.close();
    const Picture picture = LoadPicture(path, 96);
    QCOMPARE(picture.size(), QSize(480, 240));

    QImage canvas(800, 500, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setClipRect(0, 0, 800, 500);
    picture.draw(painter, QPointF(30, 40));
    painter.fillRect(0, 0, 5, 5, Qt::black);  // the caller's state is its own again
    painter.end();
    QCOMPARE(canvas.pixelColor(30 + 450, 40 + 220), QColor(Qt::red));
    QCOMPARE(canvas.pixelColor(30 + 485, 40 + 220), QColor(Qt::white));  // right of the frame
    QCOMPARE(canvas.pixelColor(30 + 450, 40 + 245), QColor(Qt::white));  // below the frame
    QCOMPARE(canvas.pixelColor(30 + 395, 40 + 220), QColor(Qt::white));
    QCOMPARE(canvas.pixelColor(2, 2), QColor(Qt::black));
}

QTEST_MAIN(TestPictureMetafile)
#include "tst_picture_metafile.moc"
