// Loading JPEG, GIF and bitmap files, telling formats by content, and
// refusing what is not a whole supported picture or would be too large.

#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"
#include "raster_fixtures.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QtEndian>
#include <QTemporaryDir>
#include <QTest>

class TestPictureRaster : public QObject {
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void rleIndexPastThePaletteIsBlack();
    void sizeLimitIsInclusive() { QVERIFY(pictureSizeAllowed(8192, 8192) && !pictureSizeAllowed(8193, 8192)); }

private:
    QTemporaryDir m_dir;
};

// The content decides, not the extension; a GIF shows its first frame.
// Broken files and headers claiming a huge picture are refused, fast.
void TestPictureRaster::load_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // null: a folder, or nothing for the name "missing"
    QTest::addColumn<int>("code");          // 0: it loads, with the quadrant image's pixels
    QTest::addColumn<int>("tolerance");
    const QImage image = fixtures::quadrantImage();
    const QByteArray jpeg = fixtures::jpegOf(image), bmp = fixtures::bmpOf(image), gif = fixtures::gifOf({image});
    QImage green(64, 48, QImage::Format_RGB32);
    green.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "png"));
    const int invalid = PictureErrorCode::InvalidPicture, notFound = PictureErrorCode::FileNotFound;
    const int tooLarge = PictureErrorCode::OutOfMemory;

    QTest::newRow("JPEG named .gif") << "photo.gif" << jpeg << 0 << 40;
    QTest::newRow("animated GIF named .bmp") << "drawing.bmp" << fixtures::gifOf({image, green, green}) << 0 << 0;
    QTest::newRow("bitmap, Korean name") << QString::fromUtf8("배경 그림 1.jpg") << bmp << 0 << 0;
    QTest::newRow("progressive JPEG") << "progressive.jpg" << fixtures::jpegOf(image, true) << 0 << 40;
    for (const int bits : {4, 8, 16, 24, 32})
        QTest::addRow("bitmap of %d bits, top-down", bits)
            << "down.bmp" << fixtures::bmpOf(image, bits, true) << 0 << 8;
    const QByteArray rle = fixtures::bmpOf(image, 8, false, true);
    QTest::newRow("run-length bitmap, padded runs") << "rle.bmp" << rle << 0 << 0;
    QTest::newRow("run-length bitmap without its end code")
        << "rle.bmp" << rle.chopped(2) + QByteArray("\0\0", 2) << invalid << 0;
    QTest::newRow("empty file") << "empty.jpg" << QByteArray("") << invalid << 0;
    QTest::newRow("PNG is not offered") << "image.png" << png << invalid << 0;
    QTest::newRow("JPEG cut in half") << "half.jpg" << jpeg.left(jpeg.size() / 2) << invalid << 0;
    QTest::newRow("JPEG without its end") << "end.jpg" << jpeg.chopped(2) << invalid << 0;
    QTest::newRow("GIF first frame unfinished") << "end.gif" << gif.chopped(2) << invalid << 0;
    QTest::newRow("bitmap one byte short") << "short.bmp" << bmp.chopped(1) << invalid << 0;
    QTest::newRow("folder") << "a folder.jpg" << QByteArray() << notFound << 0;
    QTest::newRow("missing file") << "missing" << QByteArray() << notFound << 0;
    QTest::newRow("bitmap 60000 x 60000") << "bomb" << fixtures::bmpClaiming(60000, 60000) << tooLarge << 0;
    QTest::newRow("bitmap, top-down") << "bomb" << fixtures::bmpClaiming(60000, -60000) << tooLarge << 0;
    QTest::newRow("GIF 60000 x 60000") << "bomb" << fixtures::gifClaiming(60000, 60000) << tooLarge << 0;
    QTest::newRow("GIF frame of 60000 x 60000") << "bomb" << fixtures::gifClaiming(60000, 60000, true) << tooLarge << 0;
    QTest::newRow("JPEG 60000 x 60000") << "bomb" << fixtures::jpegClaiming(60000, 60000) << tooLarge << 0;
    QTest::newRow("progressive JPEG of 600 scans")
        << "scans.jpg" << fixtures::fuzzSeed("picture_jpeg/hostile_progressive_600_scans") << tooLarge << 0;
}

void TestPictureRaster::load()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    QFETCH(int, tolerance);
    const QString path = m_dir.filePath(name);
    if (!bytes.isNull())
        fixtures::writeFile(path, bytes);
    else if (name != "missing")
        QVERIFY(QDir().mkpath(path));
    QElapsedTimer timer;
    timer.start();
    Picture picture;
    try {
        picture = LoadPicture(path, 96);
    } catch (const PlatformError& error) {
        QCOMPARE(error.code(), code);
        // Decoding or even allocating 14 GB would take far longer than this.
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed()) + " ms"));
        return;
    }
    QCOMPARE(code, 0);
    QVERIFY(picture.isRaster());
    QCOMPARE(picture.size(), QSize(64, 48));
    const QImage image = picture.toImage();
    QVERIFY(fixtures::near(image.pixelColor(16, 16), Qt::green, tolerance));
    QVERIFY(fixtures::near(image.pixelColor(48, 4), Qt::red, tolerance));
    QVERIFY(fixtures::near(image.pixelColor(0, 47), Qt::blue, tolerance));
}

// Found by fuzzing: Qt keeps a run-length-coded bitmap's colour table as short
// as its palette, and drawing an index past it read beyond the table.
void TestPictureRaster::rleIndexPastThePaletteIsBlack()
{
    QByteArray bmp(62, '\0');
    bmp.replace(0, 2, "BM");
    for (const auto& [at, value] : {std::pair<int, int>{2, 68}, {10, 62}, {14, 40}, {18, 4}, {22, 1},
                                    {26, 1 | 8 << 16}, {30, 1}, {34, 6}, {46, 2}})  // RLE8, two colours
        qToLittleEndian<qint32>(value, bmp.data() + at);
    qToLittleEndian<quint32>(0xFFFFFFFF, bmp.data() + 54);  // white, twice
    qToLittleEndian<quint32>(0xFFFFFFFF, bmp.data() + 58);
    bmp.append(QByteArray::fromHex("04C8" "0000" "0001"));  // four pixels of index 200, end of line, end
    const QString path = m_dir.filePath("rle.bmp");
    fixtures::writeFile(path, bmp);
    const QImage image = LoadPicture(path, 96).toImage();
    QCOMPARE(image.size(), QSize(4, 1));
    QCOMPARE(image.pixel(2, 0), qRgb(0, 0, 0));
}

QTEST_MAIN(TestPictureRaster)
#include "tst_picture_raster.moc"
