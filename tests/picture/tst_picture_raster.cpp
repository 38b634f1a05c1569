// Loading JPEG, GIF and bitmap files, telling formats by content, and
// refusing what is not a whole supported picture or would be too large.

#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"
#include "raster_fixtures.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Runs a load that must fail; returns the failure's code.
int failureCode(const QString& path)
{
    try {
        LoadPicture(path, 96);
    } catch (const PlatformError& error) {
        return error.code();
    }
    return 0;
}

}  // namespace

class TestPictureRaster : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void formatsLoadWithTheirPixels_data();
    void formatsLoadWithTheirPixels();
    void gifShowsItsFirstFrame();
    void contentDecidesNotTheExtension_data();
    void contentDecidesNotTheExtension();
    void brokenFilesAreRefused_data();
    void brokenFilesAreRefused();
    void hugeHeadersAreRefusedBeforeDecoding_data();
    void hugeHeadersAreRefusedBeforeDecoding();
    void sizeLimitBoundary();
    void pictureIsACheapValue();
    void rasterDrawsOneToOne();
};

void TestPictureRaster::formatsLoadWithTheirPixels_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("tolerance");
    const QImage image = fixtures::quadrantImage();
    QTest::newRow("JPEG") << fixtures::jpegOf(image) << 40;
    QTest::newRow("GIF") << fixtures::gifOf({image}) << 0;
    QTest::newRow("bitmap") << fixtures::bmpOf(image) << 0;
}

void TestPictureRaster::formatsLoadWithTheirPixels()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, tolerance);
    const Picture picture = LoadPicture(writeFile(m_dir.filePath("picture"), bytes), 96);
    QVERIFY(picture.isRaster());
    QCOMPARE(picture.size(), QSize(64, 48));
    const QImage image = picture.toImage();
    QVERIFY(near(image.pixelColor(16, 16), Qt::green, tolerance));
    QVERIFY(near(image.pixelColor(48, 4), Qt::red, tolerance));
    QVERIFY(near(image.pixelColor(40, 40), Qt::blue, tolerance));
    QVERIFY(near(image.pixelColor(0, 47), Qt::blue, tolerance));
}

void TestPictureRaster::gifShowsItsFirstFrame()
{
    QImage second(64, 48, QImage::Format_RGB32);
    second.fill(Qt::green);
    const QString path =
        writeFile(m_dir.filePath("animated.gif"), fixtures::gifOf({fixtures::quadrantImage(), second, second}));
    const QImage image = LoadPicture(path, 96).toImage();
    QCOMPARE(image.pixelColor(48, 4), QColor(Qt::red));
    QCOMPARE(image.pixelColor(40, 40), QColor(Qt::blue));
}

void TestPictureRaster::contentDecidesNotTheExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QImage image = fixtures::quadrantImage();
    QTest::newRow("JPEG named .gif") << "photo.gif" << fixtures::jpegOf(image);
    QTest::newRow("GIF named .bmp") << "drawing.bmp" << fixtures::gifOf({image});
    QTest::newRow("bitmap named .jpg") << "scan.jpg" << fixtures::bmpOf(image);
    QTest::newRow("bitmap without extension") << "scan" << fixtures::bmpOf(image);
    QTest::newRow("spaces and Korean") << QStringLiteral("배경 그림 1.jpg") << fixtures::jpegOf(image);
}

void TestPictureRaster::contentDecidesNotTheExtension()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QDir(m_dir.path()).mkpath(QStringLiteral("폴더 이름"));
    const QString path = writeFile(m_dir.filePath(QStringLiteral("폴더 이름/") + name), bytes);
    const Picture picture = LoadPicture(path, 96);
    QCOMPARE(picture.size(), QSize(64, 48));
    QVERIFY(near(picture.toImage().pixelColor(16, 16), Qt::green, 40));
}

void TestPictureRaster::brokenFilesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // null: the entry is not a file
    QTest::addColumn<int>("code");
    const QImage image = fixtures::quadrantImage();
    const QByteArray jpeg = fixtures::jpegOf(image), bmp = fixtures::bmpOf(image);
    const QByteArray gif = fixtures::gifOf({image});
    const int invalid = PictureErrorCode::InvalidPicture;

    QByteArray noise(4096, '\0');
    QRandomGenerator random(5);
    for (char& byte : noise)
        byte = char(random.bounded(256));
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "png");
    }

    QTest::newRow("empty file") << "empty.jpg" << QByteArray("") << invalid;
    QTest::newRow("random bytes") << "noise.jpg" << noise << invalid;
    QTest::newRow("PNG is not offered") << "image.png" << png << invalid;
    QTest::newRow("JPEG cut in half") << "half.jpg" << jpeg.left(jpeg.size() / 2) << invalid;
    QTest::newRow("JPEG without its end") << "end.jpg" << jpeg.left(jpeg.size() - 2) << invalid;
    QTest::newRow("JPEG header only") << "head.jpg" << jpeg.left(20) << invalid;
    QTest::newRow("GIF cut in half") << "half.gif" << gif.left(gif.size() / 2) << invalid;
    QTest::newRow("GIF first frame unfinished") << "end.gif" << gif.left(gif.size() - 2) << invalid;
    QTest::newRow("bitmap cut in half") << "half.bmp" << bmp.left(bmp.size() / 2) << invalid;
    QTest::newRow("bitmap one byte short") << "short.bmp" << bmp.left(bmp.size() - 1) << invalid;
    QTest::newRow("bitmap header only") << "head.bmp" << bmp.left(30) << invalid;
    QTest::newRow("missing file") << "no such file.jpg" << QByteArray() << int(PictureErrorCode::FileNotFound);
    QTest::newRow("folder") << "a folder.jpg" << QByteArray() << int(PictureErrorCode::FileNotFound);
}

void TestPictureRaster::brokenFilesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    const QString path = m_dir.filePath(name);
    if (!bytes.isNull())
        writeFile(path, bytes);
    else if (name.startsWith("a folder"))
        QVERIFY(QDir().mkpath(path));
    QCOMPARE(failureCode(path), code);
}

void TestPictureRaster::hugeHeadersAreRefusedBeforeDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("bitmap 60000 x 60000") << fixtures::bmpClaiming(60000, 60000);
    QTest::newRow("bitmap 60000 x -60000 (top-down)") << fixtures::bmpClaiming(60000, -60000);
    QTest::newRow("GIF 60000 x 60000") << fixtures::gifClaiming(60000, 60000);
    QTest::newRow("GIF frame of 60000 x 60000") << fixtures::gifFrameClaiming(60000, 60000);
    QTest::newRow("JPEG 60000 x 60000") << fixtures::jpegClaiming(60000, 60000);
    QTest::newRow("bitmap just past 256 MB") << fixtures::bmpClaiming(8193, 8192);
}

void TestPictureRaster::hugeHeadersAreRefusedBeforeDecoding()
{
    QFETCH(QByteArray, bytes);
    const QString path = writeFile(m_dir.filePath("bomb"), bytes);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(failureCode(path), int(PictureErrorCode::OutOfMemory));
    // Decoding or even allocating 14 GB would take far longer than this.
    QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed()) + " ms"));
}

void TestPictureRaster::sizeLimitBoundary()
{
    QVERIFY(pictureSizeAllowed(8192, 8192));   // exactly 256 MB
    QVERIFY(!pictureSizeAllowed(8193, 8192));
    QVERIFY(!pictureSizeAllowed(65535, 65535));
    QVERIFY(!pictureSizeAllowed(0, 10));
    QVERIFY(!pictureSizeAllowed(10, -1));
}

void TestPictureRaster::pictureIsACheapValue()
{
    QVERIFY(Picture().isNull());
    QVERIFY(Picture::fromImage(QImage()).isNull());
    QVERIFY(Picture().toImage().isNull());
    QCOMPARE(Picture().size(), QSize());

    const QImage image = fixtures::quadrantImage();
    const Picture picture = Picture::fromImage(image);
    const Picture copy = picture;  // NOLINT: the copy is the point
    QVERIFY(copy.isRaster() && !copy.isVector());
    QCOMPARE(copy.dpi(), 0.0);
    // Copies share the pixels instead of duplicating them.
    QCOMPARE(copy.toImage().constBits(), image.constBits());
}

void TestPictureRaster::rasterDrawsOneToOne()
{
    QImage canvas(100, 80, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    Picture::fromImage(fixtures::quadrantImage()).draw(painter, QPointF(10, 20));
    Picture().draw(painter, QPointF(0, 0));  // draws nothing
    painter.end();
    QCOMPARE(canvas.pixelColor(9, 19), QColor(Qt::white));
    QCOMPARE(canvas.pixelColor(10, 20), QColor(Qt::red));
    QCOMPARE(canvas.pixelColor(10 + 16, 20 + 16), QColor(Qt::green));
    QCOMPARE(canvas.pixelColor(10 + 63, 20 + 47), QColor(Qt::blue));
    QCOMPARE(canvas.pixelColor(10 + 64, 20 + 48), QColor(Qt::white));
}

QTEST_MAIN(TestPictureRaster)
#include "tst_picture_raster.moc"
