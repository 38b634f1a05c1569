// Where the converter puts the JPEG: the rule on its own, and the library
// writing exactly there.

#include "platform/jpgutils/jpg_name.h"
#include "platform/jpgutils/jpgutils.h"
#include "tests/output/tst_jpgutils_support.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace JpgTest;

class TestJpgUtilsNaming : public QObject {
    Q_OBJECT

private slots:
    void jpegNameFollowsTheBitmapName_data();
    void jpegNameFollowsTheBitmapName();
};

void TestJpgUtilsNaming::jpegNameFollowsTheBitmapName_data()
{
    QTest::addColumn<QString>("bitmap");
    QTest::addColumn<QString>("jpeg");  // empty: no name differs, nothing is written

    QTest::newRow("bmp") << "page.bmp" << "page.jpg";
    QTest::newRow("BMP") << "page.BMP" << "page.jpg";
    QTest::newRow("Bmp") << "page.Bmp" << "page.jpg";
    QTest::newRow("jpg then bmp") << "page.jpg.bmp" << "page.jpg";
    QTest::newRow("JPG then bmp") << "page.JPG.bmp" << "page.JPG";
    QTest::newRow("jpeg then bmp") << "page.jpeg.bmp" << "page.jpeg";
    QTest::newRow("JPEG then BMP") << "page.JPEG.BMP" << "page.JPEG";
    QTest::newRow("bmp twice") << "page.bmp.bmp" << "page.bmp.jpg";
    QTest::newRow("no extension") << "page" << "page.jpg";
    QTest::newRow("other extension") << "page.png" << "page.png.jpg";
    QTest::newRow("bmp without a dot") << "pagebmp" << "pagebmp.jpg";
    QTest::newRow("jpg without a dot") << "pagejpg" << "pagejpg.jpg";
    QTest::newRow("jpg inside the name") << "page.jpgx" << "page.jpgx.jpg";
    QTest::newRow("only the extension") << ".bmp" << ".jpg";
    QTest::newRow("dotted folder") << "pages.bmp/page" << "pages.bmp/page.jpg";
    QTest::newRow("folder named like a JPEG") << "pages.jpg/page.bmp" << "pages.jpg/page.jpg";
    QTest::newRow("spaces") << "my page .bmp" << "my page .jpg";
    QTest::newRow("Korean") << QString::fromUtf8("새 페이지.bmp") << QString::fromUtf8("새 페이지.jpg");
    QTest::newRow("tavropen default") << "tavropen07" << "tavropen07.jpg";
    QTest::newRow("jpg") << "page.jpg" << "";
    QTest::newRow("JPEG") << "page.JPEG" << "";
}

void TestJpgUtilsNaming::jpegNameFollowsTheBitmapName()
{
    QFETCH(QString, bitmap);
    QFETCH(QString, jpeg);

    QCOMPARE(QString::fromStdString(JpgUtils::jpegPathForBitmap(bitmap.toStdString())), jpeg);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString bitmapPath = dir.filePath(bitmap);
    QVERIFY(QDir().mkpath(QFileInfo(bitmapPath).path()));
    const QByteArray bytes = encodeBitmap(quadrantImage(8, 8), {.bitCount = 24});
    QVERIFY(writeFile(bitmapPath, bytes));
    const QStringList before = folderEntries(QFileInfo(bitmapPath).path());

    const int result = ConvertBMPtoJPG(QFile::encodeName(bitmapPath).constData(), 100, JPGUTILS_FLAG_BEST);

    QCOMPARE(readFile(bitmapPath), bytes);
    if (jpeg.isEmpty()) {
        QCOMPARE(result, int(JPGUTILS_ERROR_NAME));
        QCOMPARE(folderEntries(QFileInfo(bitmapPath).path()), before);
    } else {
        QCOMPARE(result, int(JPGUTILS_OK));
        QCOMPARE(QImage(dir.filePath(jpeg)).size(), QSize(8, 8));
        QStringList after = before;
        after << QFileInfo(jpeg).fileName();
        after.sort();
        QCOMPARE(folderEntries(QFileInfo(bitmapPath).path()), after);
    }
}

QTEST_MAIN(TestJpgUtilsNaming)
#include "tst_jpgutils_naming.moc"
