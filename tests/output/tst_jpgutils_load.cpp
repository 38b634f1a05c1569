// The converter loaded the way the program loads it: by file name from the
// build's private library folder, its entry point looked up by name.

#include "platform/jpgutils/jpgutils.h"
#include "tests/output/tst_jpgutils_support.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

using namespace JpgTest;

class TestJpgUtilsLoad : public QObject {
    Q_OBJECT

private slots:
    void loadsAndConvertsAPage();
};

void TestJpgUtilsLoad::loadsAndConvertsAPage()
{
    const QString library = QStringLiteral(TAVRO_JPGUTILS_LIBRARY);
    QCOMPARE(QFileInfo(library).fileName(), QStringLiteral(JPGUTILS_LIBRARY_FILE_NAME));
    QCOMPARE(QFileInfo(library).dir().dirName(), QStringLiteral("tavro-pen-writer"));

    void* handle = ::dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(handle, ::dlerror());
    auto convert = reinterpret_cast<ConvertBMPtoJPGFunction>(::dlsym(handle, JPGUTILS_ENTRY_POINT_NAME));
    QVERIFY2(convert, ::dlerror());

    // A page as the program writes it: Qt's 24-bit bitmap of the capture.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QImage page = inkPage(619, 396);
    const QString bitmapPath = dir.filePath("tavropen00.bmp");
    QVERIFY(page.save(bitmapPath, "BMP"));
    const QByteArray bitmap = readFile(bitmapPath);

    const int result = convert(QFile::encodeName(bitmapPath).constData(), 100, JPGUTILS_FLAG_BEST);
    ::dlclose(handle);

    QCOMPARE(result, int(JPGUTILS_OK));
    QCOMPARE(readFile(bitmapPath), bitmap);
    const QByteArray jpeg = readFile(dir.filePath("tavropen00.jpg"));
    QCOMPARE(jpegSubsampling(jpeg), int(TJSAMP_444));
    const QImage decoded = QImage::fromData(jpeg);
    QCOMPARE(decoded.size(), QSize(619, 396));
    QCOMPARE_LE(largestDifference(decoded, page), 8);
}

QTEST_MAIN(TestJpgUtilsLoad)
#include "tst_jpgutils_load.moc"
