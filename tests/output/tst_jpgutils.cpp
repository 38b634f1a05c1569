// The converter library: the bitmaps it reads, the JPEG it writes, and that
// a failure never leaves a half-written or stray file behind.

#include "platform/jpgutils/jpgutils.h"
#include "tests/output/tst_jpgutils_support.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace JpgTest;

namespace {

constexpr int kWidth = 61;   // odd, so that 8-, 16- and 24-bit rows are padded
constexpr int kHeight = 45;

QByteArray qtBitmap(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

}  // namespace

class TestJpgUtils : public QObject {
    Q_OBJECT

private slots:
    void init();
    void readsEveryBitmapForm_data();
    void readsEveryBitmapForm();
    void qualityAndFlagChooseTheEncoding_data();
    void qualityAndFlagChooseTheEncoding();
    void replacesAnExistingJpeg();
    void refusesBrokenBitmaps_data();
    void refusesBrokenBitmaps();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void survivesTruncatedAndDamagedFiles();
    void failedRenameLeavesNoTemporaryFile();
    void failedWriteKeepsTheOldJpeg();
    void readOnlyFolderIsRefused();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    int convert(const QString& name, int quality = 100, int flag = JPGUTILS_FLAG_BEST) const
    {
        return ConvertBMPtoJPG(QFile::encodeName(path(name)).constData(), quality, flag);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestJpgUtils::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestJpgUtils::readsEveryBitmapForm_data()
{
    QTest::addColumn<QByteArray>("bitmap");
    QTest::addColumn<QImage>("expected");

    const QImage four = quadrantImage(kWidth, kHeight);
    const QImage two = quadrantImage(kWidth, kHeight, {qRgb(255, 0, 0), qRgb(0, 0, 255),
                                                       qRgb(0, 0, 255), qRgb(255, 0, 0)});
    auto add = [](const char* name, const QImage& image, const BitmapForm& form) {
        QTest::newRow(name) << encodeBitmap(image, form) << image;
    };
    add("1-bit", two, {.bitCount = 1});
    add("4-bit top-down", four, {.bitCount = 4, .topDown = true});
    add("8-bit", four, {.bitCount = 8});
    add("8-bit top-down", four, {.bitCount = 8, .topDown = true});
    add("8-bit short palette", four, {.bitCount = 8, .colorsUsed = 4});
    add("8-bit core header", four, {.bitCount = 8, .headerSize = 12});
    add("16-bit 5-5-5", four, {.bitCount = 16});
    add("16-bit 5-6-5 bit fields top-down", four,
        {.bitCount = 16, .topDown = true, .compression = kBiBitFields, .masks = {0xF800, 0x07E0, 0x001F}});
    add("24-bit", four, {.bitCount = 24});
    add("24-bit top-down", four, {.bitCount = 24, .topDown = true});
    add("24-bit core header", four, {.bitCount = 24, .headerSize = 12});
    add("24-bit version 5 header", four, {.bitCount = 24, .headerSize = 124});
    add("32-bit", four, {.bitCount = 32});
    add("32-bit top-down", four, {.bitCount = 32, .topDown = true});
    add("32-bit bit fields, red in the low byte", four,
        {.bitCount = 32, .compression = kBiBitFields, .masks = {0xFF, 0xFF00, 0xFF0000}});
    add("32-bit bit fields in a version 4 header", four,
        {.bitCount = 32, .topDown = true, .headerSize = 108, .compression = kBiBitFields,
         .masks = {0xFF0000, 0xFF00, 0xFF}});

    QByteArray unpadded = encodeBitmap(four, {.bitCount = 24});
    unpadded.chop(1);  // 61 * 3 = 183 bytes of a 184-byte row
    QTest::newRow("24-bit, last row without padding") << unpadded << four;
    QTest::newRow("24-bit written by Qt") << qtBitmap(four) << four;
    QTest::newRow("palette written by Qt")
        << qtBitmap(four.convertToFormat(QImage::Format_Indexed8)) << four;
}

void TestJpgUtils::readsEveryBitmapForm()
{
    QFETCH(QByteArray, bitmap);
    QFETCH(QImage, expected);
    QVERIFY(writeFile(path("page.bmp"), bitmap));

    QCOMPARE(convert("page.bmp"), int(JPGUTILS_OK));

    QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp", "page.jpg"}));
    QCOMPARE(readFile(path("page.bmp")), bitmap);
    const QImage jpeg(path("page.jpg"));
    QCOMPARE(jpeg.size(), expected.size());
    // The middle of each block, away from the ringing at block edges.
    for (const QPoint point : {QPoint(15, 11), QPoint(45, 11), QPoint(15, 33), QPoint(45, 33)}) {
        const QRgb got = jpeg.pixel(point);
        const QRgb want = expected.pixel(point);
        QVERIFY2(channelDifference(got, want) <= 8,
                 qPrintable(QString("at %1,%2: %3 instead of %4")
                                .arg(point.x()).arg(point.y())
                                .arg(got, 6, 16, QChar('0')).arg(want, 6, 16, QChar('0'))));
    }
}

void TestJpgUtils::qualityAndFlagChooseTheEncoding_data()
{
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("flag");
    QTest::addColumn<int>("subsampling");
    QTest::addColumn<int>("largestError");  // -1: not checked

    QTest::newRow("best at 100") << 100 << -1 << int(TJSAMP_444) << 4;
    QTest::newRow("best at 60") << 60 << -1 << int(TJSAMP_444) << -1;
    QTest::newRow("flag 0 at 100") << 100 << 0 << int(TJSAMP_420) << -1;
    QTest::newRow("flag 1 at 100") << 100 << 1 << int(TJSAMP_420) << -1;
    QTest::newRow("flag 0 at 1") << 1 << 0 << int(TJSAMP_420) << -1;
}

void TestJpgUtils::qualityAndFlagChooseTheEncoding()
{
    QFETCH(int, quality);
    QFETCH(int, flag);
    QFETCH(int, subsampling);
    QFETCH(int, largestError);
    const QImage page = inkPage(619, 396);
    QVERIFY(writeFile(path("page.bmp"), encodeBitmap(page, {.bitCount = 24})));

    QCOMPARE(convert("page.bmp", quality, flag), int(JPGUTILS_OK));

    const QByteArray jpeg = readFile(path("page.jpg"));
    QCOMPARE(jpegSubsampling(jpeg), subsampling);
    const QImage decoded = QImage::fromData(jpeg);
    QCOMPARE(decoded.size(), page.size());
    // Thin coloured strokes lose their colour under chroma subsampling; the
    // best JPEG keeps every pixel close.
    if (largestError >= 0)
        QCOMPARE_LE(largestDifference(decoded, page), largestError);
}

void TestJpgUtils::replacesAnExistingJpeg()
{
    QVERIFY(writeFile(path("page.jpg"), "an older file of that name"));
    const QImage first = quadrantImage(kWidth, kHeight);
    QVERIFY(writeFile(path("page.bmp"), encodeBitmap(first, {.bitCount = 24})));
    QCOMPARE(convert("page.bmp"), int(JPGUTILS_OK));
    QCOMPARE_LE(channelDifference(QImage(path("page.jpg")).pixel(15, 11), first.pixel(15, 11)), 8);

    const QImage second = quadrantImage(kWidth * 2, kHeight, {qRgb(0, 0, 0), qRgb(0, 0, 0),
                                                              qRgb(0, 0, 0), qRgb(0, 0, 0)});
    QVERIFY(writeFile(path("page.bmp"), encodeBitmap(second, {.bitCount = 24})));
    QCOMPARE(convert("page.bmp"), int(JPGUTILS_OK));
    const QImage replaced(path("page.jpg"));
    QCOMPARE(replaced.size(), second.size());
    QCOMPARE_LE(channelDifference(replaced.pixel(15, 11), qRgb(0, 0, 0)), 2);
    QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp", "page.jpg"}));
}

void TestJpgUtils::refusesBrokenBitmaps_data()
{
    QTest::addColumn<QByteArray>("bitmap");
    QTest::addColumn<int>("result");

    const QImage image = quadrantImage(kWidth, kHeight);
    const QByteArray valid24 = encodeBitmap(image, {.bitCount = 24});
    const QByteArray valid8 = encodeBitmap(image, {.bitCount = 8});
    auto patched = [](QByteArray bytes, int offset, uint32_t value, bool wide = true) {
        if (wide)
            put32(bytes, offset, value);
        else
            put16(bytes, offset, uint16_t(value));
        return bytes;
    };
    auto sized = [&](int width, int height) {
        return patched(patched(valid24, kOffWidth, uint32_t(width)), kOffHeight, uint32_t(height));
    };

    QTest::newRow("empty file") << QByteArray() << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("not a bitmap") << QByteArray("GIF89a").append(100, '\x01') << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("cut in the header") << valid24.left(30) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("cut in the pixels") << valid24.left(valid24.size() - 200) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("cut in the palette") << valid8.left(300) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("zero width") << sized(0, kHeight) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("negative width") << sized(-kWidth, kHeight) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("zero height") << sized(kWidth, 0) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("most negative height") << sized(kWidth, 0x80000000u) << int(JPGUTILS_ERROR_TOO_LARGE);
    QTest::newRow("30000 x 30000 in a small file") << sized(30000, 30000) << int(JPGUTILS_ERROR_TOO_LARGE);
    // 16384 * 4096 * 4 is exactly 256 MB: past the guard, then found truncated.
    QTest::newRow("exactly 256 MB") << sized(16384, 4096) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("just past 256 MB") << sized(16385, 4096) << int(JPGUTILS_ERROR_TOO_LARGE);
    QTest::newRow("just past 256 MB, top-down") << sized(16385, -4096) << int(JPGUTILS_ERROR_TOO_LARGE);
    QTest::newRow("run-length encoded") << patched(valid8, kOffCompression, kBiRle8) << int(JPGUTILS_ERROR_UNSUPPORTED);
    QTest::newRow("embedded PNG") << patched(valid24, kOffCompression, 5) << int(JPGUTILS_ERROR_UNSUPPORTED);
    QTest::newRow("64 bits") << patched(valid24, kOffBitCount, 64, false) << int(JPGUTILS_ERROR_UNSUPPORTED);
    QTest::newRow("7 bits") << patched(valid24, kOffBitCount, 7, false) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("0 bits") << patched(valid24, kOffBitCount, 0, false) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("bit fields on 24 bits") << patched(valid24, kOffCompression, kBiBitFields) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("unknown header size") << patched(valid24, kOffHeaderSize, 41) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("header size past the file") << patched(valid24, kOffHeaderSize, 0xFFFFFFF0u) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("pixels past the end") << patched(valid24, kOffPixelOffset, uint32_t(valid24.size() + 10)) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("pixels at the very end") << patched(valid24, kOffPixelOffset, 0xFFFFFFFFu) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("pixels inside the header") << patched(valid24, kOffPixelOffset, 20) << int(JPGUTILS_ERROR_FORMAT);
    QTest::newRow("no room for the palette") << patched(valid8, kOffPixelOffset, 54) << int(JPGUTILS_ERROR_FORMAT);

    QByteArray split = encodeBitmap(image, {.bitCount = 32, .compression = kBiBitFields,
                                            .masks = {0xFF0000, 0xFF00, 0xFF}});
    put32(split, kOffMasks, 0x00F0F000);
    QTest::newRow("bit-field mask in two pieces") << split << int(JPGUTILS_ERROR_FORMAT);
}

void TestJpgUtils::refusesBrokenBitmaps()
{
    QFETCH(QByteArray, bitmap);
    QFETCH(int, result);
    QVERIFY(writeFile(path("page.bmp"), bitmap));

    QCOMPARE(convert("page.bmp"), result);
    QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp"}));

    // An older JPEG of that name survives a failed conversion.
    QVERIFY(writeFile(path("page.jpg"), "older"));
    QCOMPARE(convert("page.bmp"), result);
    QCOMPARE(readFile(path("page.jpg")), QByteArray("older"));
    QCOMPARE(readFile(path("page.bmp")), bitmap);
    QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp", "page.jpg"}));
}

void TestJpgUtils::refusesBadArguments_data()
{
    QTest::addColumn<QString>("name");  // "<null>" passes no path at all
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("result");

    QTest::newRow("no path") << "<null>" << 100 << int(JPGUTILS_ERROR_ARGUMENT);
    QTest::newRow("empty path") << "" << 100 << int(JPGUTILS_ERROR_ARGUMENT);
    QTest::newRow("missing file") << "missing.bmp" << 100 << int(JPGUTILS_ERROR_OPEN);
    QTest::newRow("a folder") << "folder.bmp" << 100 << int(JPGUTILS_ERROR_OPEN);
    QTest::newRow("a FIFO") << "fifo.bmp" << 100 << int(JPGUTILS_ERROR_OPEN);
    QTest::newRow("quality 0") << "page.bmp" << 0 << int(JPGUTILS_ERROR_ARGUMENT);
    QTest::newRow("quality 101") << "page.bmp" << 101 << int(JPGUTILS_ERROR_ARGUMENT);
    QTest::newRow("negative quality") << "page.bmp" << -1 << int(JPGUTILS_ERROR_ARGUMENT);
    // Its JPEG name would be its own: it must not be overwritten.
    QTest::newRow("bitmap named .jpg") << "photo.jpg" << 100 << int(JPGUTILS_ERROR_NAME);
}

void TestJpgUtils::refusesBadArguments()
{
    QFETCH(QString, name);
    QFETCH(int, quality);
    QFETCH(int, result);
    const QByteArray bitmap = encodeBitmap(quadrantImage(kWidth, kHeight), {.bitCount = 24});
    QVERIFY(writeFile(path("page.bmp"), bitmap));
    QVERIFY(writeFile(path("photo.jpg"), bitmap));
    QVERIFY(QDir(m_dir->path()).mkdir("folder.bmp"));
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.bmp")).constData(), 0600), 0);
    const QStringList before = folderEntries(m_dir->path());

    if (name == "<null>")
        QCOMPARE(ConvertBMPtoJPG(nullptr, quality, JPGUTILS_FLAG_BEST), result);
    else if (name.isEmpty())
        QCOMPARE(ConvertBMPtoJPG("", quality, JPGUTILS_FLAG_BEST), result);
    else
        QCOMPARE(convert(name, quality), result);

    QCOMPARE(folderEntries(m_dir->path()), before);
    QCOMPARE(readFile(path("page.bmp")), bitmap);
    QCOMPARE(readFile(path("photo.jpg")), bitmap);
}

void TestJpgUtils::survivesTruncatedAndDamagedFiles()
{
    // Small enough to try every length and every header byte. Under the
    // sanitizers this finds any read past what was read from the file.
    const QByteArray bitmaps[] = {
        encodeBitmap(quadrantImage(13, 7), {.bitCount = 8, .colorsUsed = 4}),
        encodeBitmap(quadrantImage(5, 3), {.bitCount = 32, .topDown = true, .headerSize = 56,
                                           .compression = kBiBitFields, .masks = {0xFF, 0xFF00, 0xFF0000}}),
    };
    // Only the last row's padding may be missing.
    const int padding[] = {16 - 13, 0};
    for (int b = 0; b < 2; ++b) {
        const QByteArray& bitmap = bitmaps[b];
        for (int length = 0; length < bitmap.size(); ++length) {
            QVERIFY(writeFile(path("page.bmp"), bitmap.left(length)));
            const int result = convert("page.bmp");
            if (length < bitmap.size() - padding[b]) {
                QVERIFY2(result != JPGUTILS_OK, qPrintable(QString("length %1").arg(length)));
                QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp"}));
            }
            QFile::remove(path("page.jpg"));
        }
        const int pixelOffset = qFromLittleEndian<uint32_t>(bitmap.constData() + kOffPixelOffset);
        for (int offset = 0; offset < pixelOffset; ++offset) {
            for (const uchar value : {0x00, 0x01, 0x80, 0xFF}) {
                QByteArray damaged = bitmap;
                damaged[offset] = char(value);
                QVERIFY(writeFile(path("page.bmp"), damaged));
                if (convert("page.bmp") == JPGUTILS_OK) {
                    QVERIFY2(!QImage(path("page.jpg")).isNull(),
                             qPrintable(QString("byte %1 set to %2").arg(offset).arg(value)));
                    QVERIFY(QFile::remove(path("page.jpg")));
                }
                QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp"}));
            }
        }
    }
}

void TestJpgUtils::failedRenameLeavesNoTemporaryFile()
{
    // A folder in the JPEG's place: the temporary file is written, the
    // rename fails, and the temporary file must go.
    QVERIFY(QDir(m_dir->path()).mkpath("page.jpg/inside"));
    const QByteArray bitmap = encodeBitmap(quadrantImage(kWidth, kHeight), {.bitCount = 24});
    QVERIFY(writeFile(path("page.bmp"), bitmap));

    QCOMPARE(convert("page.bmp"), int(JPGUTILS_ERROR_WRITE));

    QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp", "page.jpg"}));
    QCOMPARE(folderEntries(path("page.jpg")), QStringList({"inside"}));
    QCOMPARE(readFile(path("page.bmp")), bitmap);
}

void TestJpgUtils::failedWriteKeepsTheOldJpeg()
{
    // A file size limit makes the write itself fail halfway, which works
    // for root too.
    const QByteArray bitmap = encodeBitmap(inkPage(619, 396), {.bitCount = 24});
    QVERIFY(writeFile(path("page.bmp"), bitmap));
    QVERIFY(writeFile(path("page.jpg"), "older"));
    rlimit saved {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);

    const int result = convert("page.bmp");

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
    QCOMPARE(result, int(JPGUTILS_ERROR_WRITE));
    QCOMPARE(readFile(path("page.jpg")), QByteArray("older"));
    QCOMPARE(readFile(path("page.bmp")), bitmap);
    QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp", "page.jpg"}));
}

void TestJpgUtils::readOnlyFolderIsRefused()
{
    if (::geteuid() == 0)
        QSKIP("root writes into read-only folders, so there is nothing to refuse");
    const QByteArray bitmap = encodeBitmap(quadrantImage(kWidth, kHeight), {.bitCount = 24});
    QVERIFY(writeFile(path("page.bmp"), bitmap));
    QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));

    const int result = convert("page.bmp");

    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(result, int(JPGUTILS_ERROR_WRITE));
    QCOMPARE(folderEntries(m_dir->path()), QStringList({"page.bmp"}));
    QCOMPARE(readFile(path("page.bmp")), bitmap);
}

QTEST_MAIN(TestJpgUtils)
#include "tst_jpgutils.moc"
