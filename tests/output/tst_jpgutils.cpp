// The converter library as the program uses it: loaded with dlopen from the
// build's private library folder and called through its one entry point.
// The bitmaps it reads, where it writes the JPEG, and that a refusal leaves
// an older JPEG as it was. What may stand at the JPEG's name is the save's
// test (app_output/tst_save_page), through the program.

#include "picture_fixtures.h"
#include "platform/jpgutils/jpgutils.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>

// The committed bitmaps (tests/picture/data): 61 x 45, odd, so that 8- and
// 24-bit rows are padded; four blocks, red and green above, blue and black
// below. A flipped, mirrored or channel-swapped conversion moves or changes
// a colour.
constexpr int kWidth = 61;
constexpr int kHeight = 45;

class TestJpgUtils : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void readsBitDepths_data();
    void readsBitDepths();
    void naming_data();
    void naming();
    void refusesBrokenBitmaps_data();
    void refusesBrokenBitmaps();
    void refusesBadArguments();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    int convert(const QString& name, int quality = 100, int flag = JPGUTILS_FLAG_BEST) const
    {
        return m_convert(QFile::encodeName(path(name)).constData(), quality, flag);
    }

    ConvertBMPtoJPGFunction m_convert = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestJpgUtils::initTestCase()
{
    void* handle = ::dlopen(TAVRO_JPGUTILS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(handle, ::dlerror());
    m_convert = reinterpret_cast<ConvertBMPtoJPGFunction>(::dlsym(handle, JPGUTILS_ENTRY_POINT_NAME));
    QVERIFY2(m_convert, ::dlerror());
}

// With the best flag, no chroma subsampling (4:4:4), which keeps one-pixel
// colour detail; without it the chroma is halved both ways.
void TestJpgUtils::readsBitDepths_data()
{
    QTest::addColumn<QByteArray>("bitmap");
    QTest::addColumn<int>("flag");
    for (const char* name : {"blocks-8", "blocks-8-down", "blocks-24", "blocks-24-down", "blocks-32", "blocks-32-down"})
        QTest::newRow(name) << fixtures::dataFile(QString(name) + ".bmp") << int(JPGUTILS_FLAG_BEST);
    QTest::newRow("24 bits, without the best flag") << fixtures::dataFile("blocks-24.bmp") << 0;
}

void TestJpgUtils::readsBitDepths()
{
    QFETCH(QByteArray, bitmap);
    QFETCH(int, flag);
    fixtures::writeFile(path("page.bmp"), bitmap);
    fixtures::writeFile(path("page.jpg"), "an older file of that name, to be replaced");
    QCOMPARE(convert("page.bmp", 100, flag), 0);
    QCOMPARE(fixtures::filesIn(m_dir->path()), QStringList({"page.bmp", "page.jpg"}));
    QCOMPARE(fixtures::contents(path("page.bmp")), bitmap);
    const QByteArray bytes = fixtures::contents(path("page.jpg"));
    // The first component's sampling factors in the baseline frame header.
    const qsizetype frame = bytes.indexOf("\xFF\xC0");
    QVERIFY(frame > 0);
    QCOMPARE(int(uchar(bytes.at(frame + 11))), flag == JPGUTILS_FLAG_BEST ? 0x11 : 0x22);
    const QImage jpeg = QImage::fromData(bytes);
    QCOMPARE(jpeg.size(), QSize(kWidth, kHeight));
    // The middle of each block, away from the ringing at block edges.
    const std::pair<QPoint, QRgb> blocks[] = {{{15, 11}, qRgb(255, 0, 0)}, {{45, 11}, qRgb(0, 255, 0)},
                                              {{15, 33}, qRgb(0, 0, 255)}, {{45, 33}, qRgb(0, 0, 0)}};
    for (const auto& [at, colour] : blocks)
        QVERIFY2(fixtures::near(jpeg.pixelColor(at), QColor(colour), 8),
                 qPrintable(QString("at %1,%2: %3").arg(at.x()).arg(at.y()).arg(jpeg.pixel(at), 0, 16)));
}

void TestJpgUtils::naming_data()
{
    QTest::addColumn<QString>("bitmap");
    QTest::addColumn<QString>("jpeg");  // empty: no name differs, nothing is written
    QTest::newRow("bmp") << "page.bmp" << "page.jpg";
    QTest::newRow("jpg then bmp") << "page.jpg.bmp" << "page.jpg";
    QTest::newRow("JPEG then BMP keeps its case") << "page.JPEG.BMP" << "page.JPEG";
    QTest::newRow("bmp twice") << "page.bmp.bmp" << "page.bmp.jpg";
    QTest::newRow("no extension") << "tavropen07" << "tavropen07.jpg";
    QTest::newRow("other extension") << "page.png" << "page.png.jpg";
    QTest::newRow("bmp without a dot") << "pagebmp" << "pagebmp.jpg";
    QTest::newRow("folder named like a bitmap") << "pages.bmp/page" << "pages.bmp/page.jpg";
    QTest::newRow("Korean") << QString::fromUtf8("새 페이지.bmp") << QString::fromUtf8("새 페이지.jpg");
    QTest::newRow("jpg: its own name") << "page.jpg" << "";
    QTest::newRow("JPEG: its own name") << "page.JPEG" << "";
}

void TestJpgUtils::naming()
{
    QFETCH(QString, bitmap);
    QFETCH(QString, jpeg);
    const QByteArray bytes = fixtures::dataFile("blocks-8x8.bmp");
    QVERIFY(QDir(m_dir->path()).mkpath(QFileInfo(bitmap).path()));
    fixtures::writeFile(path(bitmap), bytes);
    const QString folder = QFileInfo(path(bitmap)).path();
    QStringList expected = fixtures::filesIn(folder);
    if (!jpeg.isEmpty())
        expected.append(QFileInfo(jpeg).fileName());
    expected.sort();

    QCOMPARE(convert(bitmap), jpeg.isEmpty() ? int(JPGUTILS_ERROR_NAME) : 0);
    QCOMPARE(fixtures::contents(path(bitmap)), bytes);
    QCOMPARE(fixtures::filesIn(folder), expected);
}

void TestJpgUtils::refusesBrokenBitmaps_data()
{
    QTest::addColumn<QByteArray>("bitmap");
    QTest::addColumn<int>("result");
    const QByteArray valid24 = fixtures::dataFile("blocks-24.bmp"), valid8 = fixtures::dataFile("blocks-8.bmp");
    const auto patched = [](QByteArray bytes, int at, uint32_t value, int size = 4) {
        for (int i = 0; i < size; ++i)  // little-endian
            bytes[at + i] = char(value >> (8 * i));
        return bytes;
    };
    const auto sized = [&](int width, int height) { return patched(patched(valid24, 18, width), 22, height); };
    const int format = JPGUTILS_ERROR_FORMAT, tooLarge = JPGUTILS_ERROR_TOO_LARGE;

    QTest::newRow("not a bitmap") << QByteArray("GIF89a").append(100, '\x01') << format;
    QTest::newRow("cut in the pixels") << valid24.chopped(200) << format;
    QTest::newRow("zero width") << sized(0, kHeight) << format;
    QTest::newRow("most negative height") << sized(kWidth, 0x80000000u) << tooLarge;
    QTest::newRow("30000 x 30000 in a small file") << sized(30000, 30000) << tooLarge;
    // 16384 * 4096 * 4 is exactly 256 MB: past the size guard, then found truncated.
    QTest::newRow("exactly 256 MB") << sized(16384, 4096) << format;
    QTest::newRow("just past 256 MB, top-down") << sized(16385, -4096) << tooLarge;
    QTest::newRow("run-length encoded") << patched(valid8, 30, 1) << int(JPGUTILS_ERROR_UNSUPPORTED);
    QTest::newRow("7 bits") << patched(valid24, 28, 7, 2) << format;
    QTest::newRow("header size past the file") << patched(valid24, 14, 0xFFFFFFF0u) << format;
    QTest::newRow("pixels past the end") << patched(valid24, 10, 0xFFFFFFFFu) << format;
    QTest::newRow("pixels inside the header") << patched(valid24, 10, 20) << format;
    QTest::newRow("no room for the palette") << patched(valid8, 10, 54) << format;
}

// A refused bitmap leaves an older JPEG of that name as it was, and is
// refused from its header, before memory for pixels the file cannot hold is
// taken: the data segment may grow by 64 MB only (not under the sanitizers,
// whose allocators map more).
void TestJpgUtils::refusesBrokenBitmaps()
{
    QFETCH(QByteArray, bitmap);
    QFETCH(int, result);
    fixtures::writeFile(path("page.bmp"), bitmap);
    fixtures::writeFile(path("page.jpg"), "older");
    rlimit before {};
    QCOMPARE(::getrlimit(RLIMIT_DATA, &before), 0);
#if !defined(__SANITIZE_ADDRESS__)
    QFile status("/proc/self/status");
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QByteArray text = status.readAll();
    const qsizetype vmData = text.indexOf("VmData:");
    QVERIFY(vmData > 0);
    rlimit tight = before;
    tight.rlim_cur = std::strtoull(text.constData() + vmData + 7, nullptr, 10) * 1024 + (64u << 20);
    QCOMPARE(::setrlimit(RLIMIT_DATA, &tight), 0);
#endif
    const int got = convert("page.bmp");
    ::setrlimit(RLIMIT_DATA, &before);
    QCOMPARE(got, result);
    QCOMPARE(fixtures::contents(path("page.jpg")), "older");
    QCOMPARE(fixtures::filesIn(m_dir->path()), QStringList({"page.bmp", "page.jpg"}));
}

void TestJpgUtils::refusesBadArguments()
{
    fixtures::writeFile(path("page.bmp"), fixtures::dataFile("blocks-24.bmp"));
    QVERIFY(QDir(m_dir->path()).mkdir("folder.bmp"));
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.bmp")).constData(), 0600), 0);  // must not hang
    const QStringList before = fixtures::filesIn(m_dir->path());
    QCOMPARE(m_convert(nullptr, 100, JPGUTILS_FLAG_BEST), int(JPGUTILS_ERROR_ARGUMENT));
    QCOMPARE(m_convert("", 100, JPGUTILS_FLAG_BEST), int(JPGUTILS_ERROR_ARGUMENT));
    QCOMPARE(convert("page.bmp", 0), int(JPGUTILS_ERROR_ARGUMENT));
    QCOMPARE(convert("page.bmp", 101), int(JPGUTILS_ERROR_ARGUMENT));
    for (const char* name : {"missing.bmp", "folder.bmp", "fifo.bmp"})
        QCOMPARE(convert(name), int(JPGUTILS_ERROR_OPEN));
    QCOMPARE(fixtures::filesIn(m_dir->path()), before);
}

QTEST_MAIN(TestJpgUtils)
#include "tst_jpgutils.moc"
