// Loading JPEG, GIF and bitmap files, telling formats by content, and
// refusing what is not a whole supported picture or would be too large.

#include "picture_fixtures.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

class TestPictureRaster : public QObject {
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void sizeLimitIsInclusive() { QVERIFY(pictureSizeAllowed(8192, 8192) && !pictureSizeAllowed(8193, 8192)); }

private:
    QTemporaryDir m_dir;
};

// The content decides, not the extension; a GIF shows its first frame.
// Broken files and headers claiming a huge picture are refused, fast.
void TestPictureRaster::load_data()
{
    QTest::addColumn<QString>("file");  // in data/; "" an empty file, "/" a folder, "-" nothing
    QTest::addColumn<QString>("name");  // opened under this name
    QTest::addColumn<int>("code");      // 0: it loads, with the quadrants' pixels; -1: index 200 is black
    QTest::addColumn<int>("tolerance");
    const int invalid = PictureErrorCode::InvalidPicture, notFound = PictureErrorCode::FileNotFound;
    const int tooLarge = PictureErrorCode::OutOfMemory;
    const struct { const char *row, *file, *name; int code, tolerance; } rows[] = {
        {"JPEG named .gif", "quadrants.jpg", "photo.gif", 0, 40},
        {"animated GIF named .bmp", "quadrants.gif", "drawing.bmp", 0, 0},
        {"bitmap, Korean name", "quadrants.bmp", "배경 그림 1.jpg", 0, 0},
        {"progressive JPEG", "quadrants-progressive.jpg", "p.jpg", 0, 40},
        {"bitmap of 4 bits, top-down", "quadrants-4-down.bmp", "b.bmp", 0, 8},
        {"bitmap of 8 bits, top-down", "quadrants-8-down.bmp", "b.bmp", 0, 8},
        {"bitmap of 16 bits, top-down", "quadrants-16-down.bmp", "b.bmp", 0, 8},
        {"bitmap of 24 bits, top-down", "quadrants-24-down.bmp", "b.bmp", 0, 8},
        {"bitmap of 32 bits, top-down", "quadrants-32-down.bmp", "b.bmp", 0, 8},
        {"run-length bitmap, padded runs, a delta", "quadrants-rle8.bmp", "rle.bmp", 0, 0},
        // Found by fuzzing: Qt kept the colour table as short as the palette
        // and drew an index past it from beyond the table.
        {"run-length index past the palette", "rle8-index-past-palette.bmp", "rle.bmp", -1, 0},
        {"run-length bitmap without its end code", "rle8-no-end.bmp", "rle.bmp", invalid, 0},
        {"empty file", "", "empty.jpg", invalid, 0},
        {"PNG is not offered", "quadrants.png", "image.png", invalid, 0},
        {"JPEG cut in half", "jpeg-half.jpg", "half.jpg", invalid, 0},
        {"JPEG without its end", "jpeg-no-end.jpg", "end.jpg", invalid, 0},
        {"GIF first frame unfinished", "gif-no-end.gif", "end.gif", invalid, 0},
        {"GIF cut inside a block of its pixels", "gif-cut-in-block.gif", "cut.gif", invalid, 0},
        {"bitmap one byte short", "bmp-short.bmp", "short.bmp", invalid, 0},
        {"folder", "/", "a folder.jpg", notFound, 0},
        {"missing file", "-", "missing", notFound, 0},
        {"bitmap 60000 x 60000", "bmp-claims-60000.bmp", "bomb", tooLarge, 0},
        {"bitmap, top-down", "bmp-claims-60000-down.bmp", "bomb", tooLarge, 0},
        {"GIF 60000 x 60000", "gif-claims-60000.gif", "bomb", tooLarge, 0},
        {"GIF frame of 60000 x 60000", "gif-frame-claims-60000.gif", "bomb", tooLarge, 0},
        {"JPEG 60000 x 60000", "jpeg-claims-60000.jpg", "bomb", tooLarge, 0},
        {"progressive JPEG of 600 scans", "seeds/picture_jpeg/hostile_progressive_600_scans", "s.jpg", tooLarge, 0},
    };
    for (const auto& row : rows)
        QTest::newRow(row.row) << QString(row.file) << QString::fromUtf8(row.name) << row.code << row.tolerance;
}

void TestPictureRaster::load()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(int, tolerance);
    const QString path = m_dir.filePath(name);
    if (file == "/")
        QVERIFY(QDir().mkpath(path));
    else if (file != "-")
        fixtures::writeFile(path, file.isEmpty() ? QByteArray("") : fixtures::dataFile(file));
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
    QVERIFY(code <= 0);
    QVERIFY(picture.isRaster());
    const QImage image = picture.toImage();
    if (code < 0) {
        QCOMPARE(image.size(), QSize(4, 1));
        QCOMPARE(image.pixel(2, 0), qRgb(0, 0, 0));
        return;
    }
    QCOMPARE(picture.size(), QSize(64, 48));
    QVERIFY(fixtures::near(image.pixelColor(16, 16), Qt::green, tolerance));
    QVERIFY(fixtures::near(image.pixelColor(48, 4), Qt::red, tolerance));
    QVERIFY(fixtures::near(image.pixelColor(0, 47), Qt::blue, tolerance));
}

QTEST_MAIN(TestPictureRaster)
#include "tst_picture_raster.moc"
