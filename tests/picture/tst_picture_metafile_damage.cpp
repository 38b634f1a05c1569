// Damaged metafiles: each is refused with PlatformError, never read out of
// bounds (run this under AddressSanitizer too), and a metafile cannot unpack
// to more memory, nor ask for more drawing, than a picture may take.

#include "metafile_bytes.h"
#include "picture_fixtures.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <QTemporaryDir>
#include <QTest>

using namespace rawmeta;

namespace {

// A STRETCHDIBITS record of a 24-bit bitmap header and four words of bits.
QByteArray emfStretchDib(int32_t width, int32_t height, uint32_t compression, uint32_t headerShift = 0)
{
    std::vector<uint32_t> words{0, 0, 100, 100, 10, 10, 0, 0, 2, 2,  // bounds; dest x, y; source x, y, cx, cy
                                80 + headerShift, 40, 120, 16,  // header offset and size, bits offset and size
                                0, 0x00CC0020, 100, 100,        // DIB_RGB_COLORS, SRCCOPY, dest size
                                40, uint32_t(width), uint32_t(height), 1 | (24u << 16), compression, 0, 0, 0, 0, 0};
    words.resize(words.size() + 4, 0x00FF00FF);
    return emfRecord(81, words);
}

}  // namespace

class TestPictureMetafileDamage : public QObject {
    Q_OBJECT

private slots:
    void damaged_data();
    void damaged();

private:
    int load(const QByteArray& bytes)
    {
        try {
            // As the window opens it: what shows of the picture on the paper.
            LoadPicture(fixtures::writeFile(m_dir.filePath("damaged"), bytes), 96, QSize(625, 401));
        } catch (const PlatformError& error) {
            return error.code();
        }
        return 0;
    }

    QTemporaryDir m_dir;
};

void TestPictureMetafileDamage::damaged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    const int invalid = PictureErrorCode::InvalidPicture, tooLarge = PictureErrorCode::OutOfMemory;
    const QByteArray emf = emfOf(emfRedBrushThen({emfRectangle(10, 10, 100, 100)}));
    const QByteArray wmf = wmfOf(wmfRedBrushThen({wmfRectangle(10, 10, 100, 100)}));
    const qsizetype emfRect = emf.size() - 20 - 24, wmfRect = wmf.size() - 6 - 14;  // before the end records
    const auto with = [](QByteArray bytes, qsizetype at, uint32_t value) {
        set32(bytes, at, value);
        return bytes;
    };
    // The damaged files start from these; whole, they load.
    QTest::newRow("whole EMF") << emf << 0;
    QTest::newRow("whole WMF") << wmf << 0;
    QTest::newRow("whole EMF bitmap") << emfOf({emfStretchDib(2, 2, 0)}) << 0;

    QTest::newRow("EMF cut inside a record") << emf.left(emfRect + 6) << invalid;
    QTest::newRow("EMF without its end record") << emf.left(emfRect + 24) << invalid;
    QTest::newRow("EMF record size 4") << with(emf, emfRect + 4, 4) << invalid;
    QTest::newRow("EMF record size past the end") << with(emf, emfRect + 4, 0x7FFFFFF0) << invalid;
    QTest::newRow("EMF record size 4 GB") << with(emf, emfRect + 4, 0xFFFFFFFC) << invalid;
    QTest::newRow("EMF header size past the end") << with(emf, 4, 0x10000) << invalid;
    QTest::newRow("EMF header too short") << with(emf, 4, 16) << invalid;
    // libUEMF's own check multiplies this count in 32 bits and lets it pass.
    QTest::newRow("polyline of 0x20000001 points")
        << emfOf({emfRecord(4, {0, 0, 10, 10, 0x20000001, 1, 2})}) << invalid;
    QTest::newRow("polypolygon counts beyond the total")
        << emfOf({emfRecord(91, {0, 0, 10, 10, 1, 2, 1000, 0x00010001, 0x00020002})}) << invalid;
    QTest::newRow("polypolygon counts each within the total, not together")
        << emfOf({emfRecord(91, {0, 0, 10, 10, 2, 2, 2, 2, 0x00010001, 0x00020002, 0x00030003, 0x00040004})})
        << invalid;
    QTest::newRow("polypolygon of 0x40000000 polygons")
        << emfOf({emfRecord(91, {0, 0, 10, 10, 0x40000000, 2, 1, 1})}) << invalid;
    QTest::newRow("text of 0x40000000 characters")
        << emfOf({emfRecord(84, {0, 0, 10, 10, 1, 0, 0, 5, 5, 0x40000000, 76, 0, 0, 0, 10, 10, 0, 0x00650048})})
        << invalid;
    QTest::newRow("text advances past the record")
        << emfOf({emfRecord(84, {0, 0, 10, 10, 1, 0, 0, 5, 5, 2, 76, 0, 0, 0, 10, 10, 0x7FFFFFF0, 0x00650048})})
        << invalid;
    QTest::newRow("EMF bitmap header past the record") << emfOf({emfStretchDib(2, 2, 0, 0x10000)}) << invalid;
    QTest::newRow("EMF bitmap of 60000 x 60000") << emfOf({emfStretchDib(60000, 60000, 1)}) << tooLarge;
    QTest::newRow("clip region of 0x40000000 rectangles")
        << emfOf({emfRecord(75, {32, 5, 32, 1, 0x40000000, 0, 0, 0, 10, 10})}) << invalid;
    QTest::newRow("EMF frame of ten metres") << emfOf({}, QRect(QPoint(0, 0), QPoint(1000000, 1000000))) << tooLarge;
    QTest::newRow("EMF frame upside down") << emfOf({}, QRect(QPoint(0, 500), QPoint(500, 0))) << invalid;

    QTest::newRow("WMF cut inside a record") << wmf.left(wmfRect + 7) << invalid;
    QTest::newRow("WMF without its end record") << wmf.chopped(6) << invalid;
    QTest::newRow("WMF record size 0") << with(wmf, 40, 0) << invalid;
    QTest::newRow("WMF record size wrapping in 32 bits") << with(wmf, wmfRect, 0x80000003) << invalid;
    QTest::newRow("polygon of 32767 points in a short record")
        << wmfOf({wmfRecord(0x0324, {0x7FFF, 1, 1, 2, 2})}) << invalid;
    QTest::newRow("polygon of a negative count") << wmfOf({wmfRecord(0x0324, {0x8000, 1, 1})}) << invalid;
    QTest::newRow("polypolygon counts past the record")
        << wmfOf({wmfRecord(0x0538, {2, 3, 60000, 1, 1, 2, 2, 3, 3})}) << invalid;
    QTest::newRow("text of a negative length") << wmfOf({wmfRecord(0x0521, {0xFFFF, 0x6548, 10, 10})}) << invalid;
    QTest::newRow("extended text past its record")
        << wmfOf({wmfRecord(0x0A32, {10, 10, 200, 0x0002, 0, 0, 50, 50, 0x6548})}) << invalid;
    QTest::newRow("WMF bitmap of 60000 x 60000")
        << wmfOf({wmfRecord(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 100, 100, 0, 0, 40, 0, 0xEA60, 0, 0xEA60, 0,
                                     1, 24, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})})
        << tooLarge;
    QTest::newRow("WMF bitmap header cut short")
        << wmfOf({wmfRecord(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 100, 100, 0, 0, 40, 0, 2})}) << invalid;
    QTest::newRow("no units per inch") << wmfOf({}, QRect(0, 0, 480, 240), 0) << invalid;
    QTest::newRow("box of no size") << wmfOf({}, QRect(0, 0, 0, 240)) << invalid;
    QTest::newRow("box of 32767 inches") << wmfOf({}, QRect(0, 0, 32767, 32767), 1) << tooLarge;
    QTest::newRow("unplaced without a window") << wmfOf({wmfRectangle(0, 0, 10, 10)}, {}, 96, false) << invalid;

    // Small files asking for much drawing: refused within the work budget.
    QTest::newRow("EMF of 1000 full-frame rectangles")
        << fixtures::dataFile("seeds/picture_emf/hostile_full_frame_rectangles") << tooLarge;
    QTest::newRow("WMF of 1000 full-frame rectangles")
        << fixtures::dataFile("seeds/picture_wmf/hostile_full_frame_rectangles") << tooLarge;
    QTest::newRow("250,001 records") << emfOf(std::vector<QByteArray>(250001, emfRecord(18, {1}))) << tooLarge;
    std::vector<uint32_t> line{0, 0, 480, 240, 200000};
    for (uint32_t i = 0; i < 200000; ++i)
        line.push_back(i % 2 ? 240u << 16 | i % 480 : i % 480);
    QTest::newRow("a line of 200,000 points") << emfOf({emfRecord(87, line)}) << tooLarge;
    std::vector<uint32_t> text{0, 0, 10, 10, 1, 0, 0, 5, 5, 20002, 76, 0, 0, 0, 10, 10, 76 + 40004};
    text.resize(text.size() + 10001, 0x00650048);  // the characters, then an advance for each
    text.resize(text.size() + 20002, 1);
    QTest::newRow("text of 20,002 characters") << emfOf({emfRecord(84, text)}) << tooLarge;
}

void TestPictureMetafileDamage::damaged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    QCOMPARE(load(bytes), code);
}

QTEST_MAIN(TestPictureMetafileDamage)
#include "tst_picture_metafile_damage.moc"
