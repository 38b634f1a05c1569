// Damaged metafiles: each is refused with PlatformError, never read out of
// bounds (run this under AddressSanitizer too), and a metafile cannot unpack
// to more memory than a picture may take.

#include "metafile_bytes.h"
#include "metafile_fixtures.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace rawmeta;

namespace {

// A STRETCHDIBITS record of a bitmap header and bits given as words.
QByteArray emfStretchDib(const std::vector<uint32_t>& bitmap, uint32_t headerWords, uint32_t offBmiShift = 0)
{
    std::vector<uint32_t> words{0, 0, 100, 100,   // bounds
                                10, 10, 0, 0, 2, 2,  // dest x, y; source x, y, width, height
                                80 + offBmiShift, headerWords * 4,
                                80 + headerWords * 4, uint32_t(bitmap.size() - headerWords) * 4,
                                0, 0x00CC0020, 100, 100};  // DIB_RGB_COLORS, SRCCOPY, dest size
    words.insert(words.end(), bitmap.begin(), bitmap.end());
    return emfRecord(81, words);
}

std::vector<uint32_t> bitmapWords(int32_t width, int32_t height, uint32_t compression, uint32_t bitsWords)
{
    std::vector<uint32_t> words{40, uint32_t(width), uint32_t(height), 1 | (24u << 16), compression, 0, 0, 0, 0, 0};
    words.resize(words.size() + bitsWords, 0x00FF00FF);
    return words;
}

}  // namespace

class TestPictureMetafileDamage : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int load(const QByteArray& bytes, const QString& name = "damaged")
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        file.write(bytes);
        file.close();
        try {
            LoadPicture(path, 96);
        } catch (const PlatformError& error) {
            return error.code();
        }
        return 0;
    }

private slots:
    void wellFormedBaselinesLoad();
    void damagedEnhancedMetafiles_data();
    void damagedEnhancedMetafiles();
    void damagedWindowsMetafiles_data();
    void damagedWindowsMetafiles();
    void randomDamageNeverCrashes_data();
    void randomDamageNeverCrashes();
};

void TestPictureMetafileDamage::wellFormedBaselinesLoad()
{
    // The damaged files below start from these; they must load when whole.
    QCOMPARE(load(emfOf(emfRedBrushThen({emfRectangle(10, 10, 100, 100)}))), 0);
    QCOMPARE(load(wmfOf(wmfRedBrushThen({wmfRectangle(10, 10, 100, 100)}))), 0);
    QCOMPARE(load(emfOf({emfStretchDib(bitmapWords(2, 2, 0, 4), 10)})), 0);
}

void TestPictureMetafileDamage::damagedEnhancedMetafiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    const int invalid = PictureErrorCode::InvalidPicture, tooLarge = PictureErrorCode::OutOfMemory;
    const QByteArray good = emfOf(emfRedBrushThen({emfRectangle(10, 10, 100, 100)}));
    const std::vector<qsizetype> at = emfRecordOffsets(good);  // header, 3 set-up records, rectangle, EOF
    auto withWord = [&](qsizetype offset, uint32_t value) {
        QByteArray bytes = good;
        set32(bytes, offset, value);
        return bytes;
    };

    QTest::newRow("cut inside a record") << good.left(at[4] + 6) << invalid;
    QTest::newRow("cut between records") << good.left(at[5]) << invalid;
    QTest::newRow("record size 0") << withWord(at[4] + 4, 0) << invalid;
    QTest::newRow("record size 4") << withWord(at[4] + 4, 4) << invalid;
    QTest::newRow("record size not a multiple of 4") << withWord(at[4] + 4, 26) << invalid;
    QTest::newRow("record size past the end") << withWord(at[4] + 4, 0x7FFFFFF0) << invalid;
    QTest::newRow("record size 4 GB") << withWord(at[4] + 4, 0xFFFFFFFC) << invalid;
    QTest::newRow("header size past the end") << withWord(4, 0x10000) << invalid;
    QTest::newRow("header too short") << withWord(4, 16) << invalid;
    // libUEMF's own check multiplies this count in 32 bits and lets it pass.
    QTest::newRow("polyline of 0x20000001 points")
        << emfOf({emfRecord(4, {0, 0, 10, 10, 0x20000001, 1, 2})}) << invalid;
    QTest::newRow("polyline16 of 0xFFFFFFFF points")
        << emfOf({emfRecord(87, {0, 0, 10, 10, 0xFFFFFFFF, 0x00020001})}) << invalid;
    QTest::newRow("polypolygon counts beyond the total")
        << emfOf({emfRecord(91, {0, 0, 10, 10, 1, 2, 1000, 0x00010001, 0x00020002})}) << invalid;
    QTest::newRow("polypolygon of 0x40000000 polygons")
        << emfOf({emfRecord(91, {0, 0, 10, 10, 0x40000000, 2, 1, 1})}) << invalid;
    QTest::newRow("text of 0x40000000 characters")
        << emfOf({emfRecord(84, {0, 0, 10, 10, 1, 0, 0, 5, 5, 0x40000000, 76, 0, 0, 0, 10, 10, 0, 0x00650048})})
        << invalid;
    QTest::newRow("text advances past the record")
        << emfOf({emfRecord(84, {0, 0, 10, 10, 1, 0, 0, 5, 5, 2, 76, 0, 0, 0, 10, 10, 0x7FFFFFF0, 0x00650048})})
        << invalid;
    QTest::newRow("bitmap header past the record")
        << emfOf({emfStretchDib(bitmapWords(2, 2, 0, 4), 10, 0x10000)}) << invalid;
    QTest::newRow("bitmap of 60000 x 60000")
        << emfOf({emfStretchDib(bitmapWords(60000, 60000, 1, 4), 10)}) << tooLarge;
    QTest::newRow("bitmap of no width") << emfOf({emfStretchDib(bitmapWords(0, 2, 0, 4), 10)}) << invalid;
    QTest::newRow("clip region of 0x40000000 rectangles")
        << emfOf({emfRecord(75, {32, 5, 32, 1, 0x40000000, 0, 0, 0, 10, 10})}) << invalid;
    QTest::newRow("frame of ten metres")
        << emfOf({}, QRect(QPoint(0, 0), QPoint(1000000, 1000000))) << tooLarge;
    QTest::newRow("frame of no width") << emfOf({}, QRect(QPoint(100, 0), QPoint(100, 500))) << invalid;
    QTest::newRow("frame upside down") << emfOf({}, QRect(QPoint(0, 500), QPoint(500, 0))) << invalid;
}

void TestPictureMetafileDamage::damagedEnhancedMetafiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    QCOMPARE(load(bytes), code);
}

void TestPictureMetafileDamage::damagedWindowsMetafiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    const int invalid = PictureErrorCode::InvalidPicture, tooLarge = PictureErrorCode::OutOfMemory;
    const QByteArray good = wmfOf(wmfRedBrushThen({wmfRectangle(10, 10, 100, 100)}));
    const qsizetype records = 22 + 18;  // placeable header and header
    const qsizetype rectangle = good.size() - 6 - 14;  // before the EOF record
    auto withWord = [&](qsizetype offset, uint32_t value) {
        QByteArray bytes = good;
        set32(bytes, offset, value);
        return bytes;
    };

    QTest::newRow("cut inside a record") << good.left(rectangle + 7) << invalid;
    QTest::newRow("without its end record") << good.left(good.size() - 6) << invalid;
    QTest::newRow("header only") << good.left(records) << invalid;
    QTest::newRow("record size 0") << withWord(records, 0) << invalid;
    QTest::newRow("record size 2 words") << withWord(records, 2) << invalid;
    QTest::newRow("record size past the end") << withWord(rectangle, 0x7FFFFFFF) << invalid;
    QTest::newRow("record size wrapping in 32 bits") << withWord(rectangle, 0x80000003) << invalid;
    QTest::newRow("polygon of 32767 points in a short record")
        << wmfOf({wmfRecord(0x0324, {0x7FFF, 1, 1, 2, 2})}) << invalid;
    QTest::newRow("polygon of a negative count") << wmfOf({wmfRecord(0x0324, {0x8000, 1, 1})}) << invalid;
    QTest::newRow("polypolygon counts past the record")
        << wmfOf({wmfRecord(0x0538, {2, 3, 60000, 1, 1, 2, 2, 3, 3})}) << invalid;
    QTest::newRow("text longer than its record") << wmfOf({wmfRecord(0x0521, {0x7FFF, 0x6548, 10, 10})}) << invalid;
    QTest::newRow("text of a negative length") << wmfOf({wmfRecord(0x0521, {0xFFFF, 0x6548, 10, 10})}) << invalid;
    QTest::newRow("extended text past its record")
        << wmfOf({wmfRecord(0x0A32, {10, 10, 200, 0x0002, 0, 0, 50, 50, 0x6548})}) << invalid;
    QTest::newRow("bitmap of 60000 x 60000")
        << wmfOf({wmfRecord(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 100, 100, 0, 0,
                                     40, 0, 0xEA60, 0, 0xEA60, 0, 1, 24, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                     0, 0, 0, 0})}) << tooLarge;
    QTest::newRow("bitmap header cut short")
        << wmfOf({wmfRecord(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 100, 100, 0, 0, 40, 0, 2})}) << invalid;
    QTest::newRow("no units per inch") << wmfOf({}, QRect(0, 0, 480, 240), 0) << invalid;
    QTest::newRow("box of no size") << wmfOf({}, QRect(0, 0, 0, 240)) << invalid;
    QTest::newRow("box of 32767 inches") << wmfOf({}, QRect(0, 0, 32767, 32767), 1) << tooLarge;
    QTest::newRow("unplaced without a window") << wmfOf({wmfRectangle(0, 0, 10, 10)}, {}, 96, false) << invalid;
}

void TestPictureMetafileDamage::damagedWindowsMetafiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    QCOMPARE(load(bytes), code);
}

void TestPictureMetafileDamage::randomDamageNeverCrashes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("emf") << "emf";
    QTest::newRow("wmf") << "wmf";
}

void TestPictureMetafileDamage::randomDamageNeverCrashes()
{
    QFETCH(QString, kind);
    const QString path = m_dir.filePath("scene." + kind);
    kind == "emf" ? fixtures::writeEmfScene(path) : fixtures::writeWmfScene(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray scene = file.readAll();
    file.close();

    // Changed bytes, then a cut: either a picture or PlatformError, nothing else.
    QRandomGenerator random(kind == "emf" ? 17 : 23);
    int refused = 0, loaded = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = scene;
        const int changes = 1 + int(random.bounded(4));
        for (int i = 0; i < changes; ++i) {
            const qsizetype at = qsizetype(random.bounded(quint32(bytes.size())));
            bytes[at] = char(random.bounded(2) ? random.bounded(256) : (random.bounded(2) ? 0xFF : 0x00));
        }
        if (random.bounded(4) == 0)
            bytes.truncate(qsizetype(random.bounded(quint32(bytes.size()))));
        (load(bytes) == 0 ? loaded : refused) += 1;
    }
    QVERIFY(refused > 0);
    QVERIFY(loaded > 0);
}

QTEST_MAIN(TestPictureMetafileDamage)
#include "tst_picture_metafile_damage.moc"
