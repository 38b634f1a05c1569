// Damaged metafiles: each is refused with PlatformError, never read out of
// bounds (run this under AddressSanitizer too), and a metafile cannot unpack
// to more memory, nor ask for more drawing, than a picture may take. The
// files are in data/metafile, each described where make_metafiles.py writes it.

#include "picture_fixtures.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <QTemporaryDir>
#include <QTest>

class TestPictureMetafileDamage : public QObject {
    Q_OBJECT

private slots:
    void damaged_data();
    void damaged();

private:
    QTemporaryDir m_dir;
};

void TestPictureMetafileDamage::damaged_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("code");
    const int invalid = PictureErrorCode::InvalidPicture, tooLarge = PictureErrorCode::OutOfMemory;
    const std::pair<const char*, int> rows[] = {
        // The damaged files start from these; whole, they load.
        {"whole.emf", 0}, {"whole.wmf", 0}, {"whole-bitmap.emf", 0},
        {"emf-cut-inside-a-record", invalid}, {"emf-without-end-record", invalid},
        {"emf-record-size-4", invalid}, {"emf-record-size-past-end", invalid}, {"emf-record-size-4gb", invalid},
        {"emf-header-size-past-end", invalid}, {"emf-header-too-short", invalid},
        {"polyline-0x20000001-points", invalid}, {"polypolygon-count-past-total", invalid},
        {"polypolygon-counts-together-past-total", invalid}, {"polypolygon-0x40000000-polygons", invalid},
        {"text-0x40000000-characters", invalid}, {"text-advances-past-record", invalid},
        {"emf-bitmap-header-past-record", invalid}, {"emf-bitmap-60000", tooLarge},
        {"clip-region-0x40000000-rectangles", invalid}, {"emf-frame-ten-metres", tooLarge},
        {"emf-frame-upside-down", invalid},
        {"wmf-cut-inside-a-record", invalid}, {"wmf-without-end-record", invalid}, {"wmf-record-size-0", invalid},
        {"wmf-record-size-wrapping", invalid}, {"polygon-32767-points-short-record", invalid},
        {"polygon-negative-count", invalid}, {"wmf-polypolygon-counts-past-record", invalid},
        {"text-negative-length", invalid}, {"extended-text-past-record", invalid}, {"wmf-bitmap-60000", tooLarge},
        {"wmf-bitmap-header-cut-short", invalid}, {"wmf-no-units-per-inch", invalid},
        {"wmf-box-of-no-size", invalid}, {"wmf-box-32767-inches", tooLarge},
        {"wmf-unplaced-without-window", invalid},
        // Small files asking for much drawing: refused within the work budget.
        {"emf-250001-records.z", tooLarge}, {"emf-line-200000-points.z", tooLarge},
        {"emf-text-20002-characters.z", tooLarge},
        {"seeds/picture_emf/hostile_full_frame_rectangles", tooLarge},
        {"seeds/picture_emf/hostile_huge_ellipses", tooLarge},
        {"seeds/picture_emf/hostile_zigzag_strokes", tooLarge},
        {"seeds/picture_emf/hostile_dashes_across_view", tooLarge},
        {"seeds/picture_wmf/hostile_full_frame_rectangles", tooLarge},
    };
    for (const auto& [file, code] : rows)
        QTest::newRow(file) << QString(file) << code;
}

void TestPictureMetafileDamage::damaged()
{
    QFETCH(QString, file);
    QFETCH(int, code);
    const QByteArray bytes = fixtures::dataFile(file.startsWith("seeds/") ? file : "metafile/" + file);
    try {
        // As the window opens it: what shows of the picture on the paper.
        LoadPicture(fixtures::writeFile(m_dir.filePath("damaged"), bytes), 96, QSize(625, 401));
        QCOMPARE(0, code);
    } catch (const PlatformError& error) {
        QCOMPARE(error.code(), code);
    }
}

QTEST_MAIN(TestPictureMetafileDamage)
#include "tst_picture_metafile_damage.moc"
