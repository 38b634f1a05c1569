// Saving the page through the window: when the save runs at all, the save
// dialog's settings, the names the files get, which capture is saved, and
// what is left when the converter is missing or fails.

#include "output_fixture.h"

#include "app/output/save_page.h"
#include "raster_fixtures.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QString kSaveFailed = QString::fromUtf8("저장중 오류가 발생하였습니다.");
const QString kFakes = QStringLiteral(TAVRO_FAKE_CONVERTERS);

const QString kLibrary = QStringLiteral("/libJPGUtils.so");

}  // namespace

class TestSavePage : public QObject {
    Q_OBJECT
private slots:
    void nothingBeforeThePaperIsTouched();
    void dialogSettings_data();
    void dialogSettings();
    void cancelOrEmptyNameWritesNothing_data();
    void cancelOrEmptyNameWritesNothing();
    void savesUnderTheChosenName_data();
    void savesUnderTheChosenName();
    void savesTheCaptureOfTheLastMovement();
    void failedConversionKeepsTheBitmap_data();
    void failedConversionKeepsTheBitmap();
    void relativeFolderIsRefused();
};

void TestSavePage::nothingBeforeThePaperIsTouched()
{
    OutputWindow w;
    QVERIFY(w.show());
    w.save();
    QCOMPARE(w.dialogs.shown().size(), 0);
    QCOMPARE(w.messageBox.calls().size(), 0);
    QCOMPARE(w.form->dataPresent(), int16_t(0));
}

void TestSavePage::dialogSettings_data()
{
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<QString>("name");
    QTest::newRow("7") << 7 << "tavropen07";
    QTest::newRow("123") << 123 << "tavropen123";
    QTest::newRow("negative") << -5 << "tavropen-05";
}

void TestSavePage::dialogSettings()
{
    QFETCH(int, pageCount);
    QFETCH(QString, name);
    QCOMPARE(SavePage::defaultSaveName(int16_t(pageCount)), name);

    OutputWindow w;
    QVERIFY(w.show());
    w.form->goCount = int16_t(pageCount);
    w.drawRow(100);
    QCOMPARE(w.form->dataPresent(), int16_t(-1));
    w.dialogs.queueCancel();
    w.save();

    QCOMPARE(w.dialogs.shown().size(), 1);
    const auto& shown = w.dialogs.shown()[0];
    QCOMPARE(shown.kind, ScriptedCommonDialogFactory::Kind::Save);
    QCOMPARE(shown.FileName, name);
    QCOMPARE(shown.Filter, QStringLiteral("Image File (*.jpg)|*.bmp|"));
    // Saving reads the counter and the flag, never changes them.
    QCOMPARE(w.form->goCount, int16_t(pageCount));
    QCOMPARE(w.form->dataPresent(), int16_t(-1));
}

void TestSavePage::cancelOrEmptyNameWritesNothing_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("cancel") << true;
    QTest::newRow("empty name") << false;
}

void TestSavePage::cancelOrEmptyNameWritesNothing()
{
    QFETCH(bool, cancel);
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    {
        OutputWindow w;
        QVERIFY(w.show());
        w.drawRow(100);
        if (cancel)
            w.dialogs.queueCancel();
        else
            w.dialogs.queueFileName(QString());
        QElapsedTimer clock;
        clock.start();
        w.save();
        QVERIFY(clock.elapsed() < 900);  // no wait either
        QCOMPARE(w.dialogs.shown().size(), 1);
        QCOMPARE(w.messageBox.calls().size(), 0);
    }
    QDir::setCurrent(before);
    QCOMPARE(filesIn(dir.path()), QStringList());
}

void TestSavePage::savesUnderTheChosenName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("jpeg");
    QTest::newRow("no extension") << "page" << "page.jpg";
    QTest::newRow(".bmp") << "page.bmp" << "page.jpg";
    QTest::newRow(".jpg") << "page.jpg" << "page.jpg";
    QTest::newRow(".JPEG") << "page.JPEG" << "page.JPEG";
    QTest::newRow(".png") << "page.png" << "page.png.jpg";
}

void TestSavePage::savesUnderTheChosenName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, jpeg);
    QTemporaryDir dir;
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(100);
    w.dialogs.queueFileName(dir.filePath(chosen));
    fixtures::writeFile(dir.filePath(jpeg), "an older file");  // replaced
    QElapsedTimer clock;
    clock.start();
    w.save();
    QVERIFY(clock.elapsed() >= 1000);

    QCOMPARE(w.messageBox.calls().size(), 0);
    QCOMPARE(filesIn(dir.path()), QStringList{jpeg});  // the bitmap is gone
    const QString path = dir.filePath(jpeg);
    QCOMPARE(QImageReader(path).format(), QByteArray("jpeg"));
    const QImage page(path);
    QCOMPARE(page.size(), QSize(619, 396));
    QVERIFY(showsRow(page, 100));
}

void TestSavePage::savesTheCaptureOfTheLastMovement()
{
    QTemporaryDir dir;
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(100);
    w.hoverSave();
    w.drawRow(200);  // after the last movement over the button
    w.dialogs.queueFileName(dir.filePath("page"));
    w.clickSave();

    const QImage page(dir.filePath("page.jpg"));
    QVERIFY(showsRow(page, 100));
    QVERIFY(blankRow(page, 200));
}

// Whatever goes wrong after the bitmap is written, the bitmap stays: it is
// the only copy of the page. The message says the save failed.
void TestSavePage::failedConversionKeepsTheBitmap_data()
{
    QTest::addColumn<QString>("folder");  // "" for a temporary folder of its own
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("jpegFolder");  // a folder in the JPEG's place
    QTest::newRow("no library") << "" << "page" << "";
    QTest::newRow("no entry point") << kFakes + "/fake_no_entry" << "page" << "";
    QTest::newRow("converter fails") << kFakes + "/fake_failing" << "page.jpg" << "";
    QTest::newRow("JPEG cannot be written") << realConverterFolder() << "page" << "page.jpg";
}

void TestSavePage::failedConversionKeepsTheBitmap()
{
    QFETCH(QString, folder);
    QFETCH(QString, chosen);
    QFETCH(QString, jpegFolder);
    QTemporaryDir dir;
    QTemporaryDir emptyFolder;
    if (folder.isEmpty())
        folder = emptyFolder.path();
    if (!jpegFolder.isEmpty())
        QVERIFY(QDir(dir.path()).mkdir(jpegFolder));

    OutputWindow w(folder);
    QVERIFY(w.show());
    w.drawRow(100);
    w.dialogs.queueFileName(dir.filePath(chosen));
    const QString bitmap = SavePage::bitmapPathFor(dir.filePath(chosen));
    // The bitmap is written before the wait, the message comes after it.
    bool bitmapDuringWait = false;
    int messagesDuringWait = -1;
    QTimer::singleShot(500, [&] {
        bitmapDuringWait = QFile::exists(bitmap);
        messagesDuringWait = int(w.messageBox.calls().size());
    });
    w.save();
    QVERIFY(bitmapDuringWait);
    QCOMPARE(messagesDuringWait, 0);

    QCOMPARE(w.messageBox.calls().size(), 1);
    QCOMPARE(w.messageBox.calls()[0].text, kSaveFailed);
    QCOMPARE(w.messageBox.calls()[0].style, MessageBoxStyle::Information);
    QCOMPARE(QImageReader(bitmap).format(), QByteArray("bmp"));
    QVERIFY(showsRow(QImage(bitmap), 100));
    QStringList expected{QFileInfo(bitmap).fileName()};
    if (!jpegFolder.isEmpty())
        expected.append(jpegFolder);
    expected.sort();
    QCOMPARE(filesIn(dir.path()), expected);
}

// A relative folder would be looked up from the working directory: refused,
// even with a converter there.
void TestSavePage::relativeFolderIsRefused()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("lib"));
    QVERIFY(QFile::copy(realConverterFolder() + kLibrary, dir.filePath("lib") + kLibrary));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    OutputWindow w(QStringLiteral("lib"));
    QVERIFY(w.show());
    w.drawRow(100);
    w.dialogs.queueFileName(dir.filePath("page"));
    w.save();
    QDir::setCurrent(before);

    QCOMPARE(w.messageBox.calls().size(), 1);
    QCOMPARE(w.messageBox.calls()[0].text, kSaveFailed);
    QCOMPARE(filesIn(dir.path()), (QStringList{"lib", "page"}));
}

TAVRO_WINDOW_TEST_MAIN(TestSavePage)
#include "tst_save_page.moc"
