// Saving the page through the window: when the save runs at all, the save
// dialog's settings, the names the files get, which capture is saved, what
// is left when the converter is missing or fails, and places the bitmap
// cannot go (read-only, missing, full, names too long).

#include "fault_places.h"
#include "output_fixture.h"

#include "app/output/save_page.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QString kSaveFailed = QString::fromUtf8("저장중 오류가 발생하였습니다.");
const QString kFakes = QStringLiteral(TAVRO_FAKE_CONVERTERS);

}  // namespace

class TestSavePage : public QObject {
    Q_OBJECT
private slots:
    void dialogSettings_data();
    void dialogSettings();
    void savesUnderTheChosenName_data();
    void savesUnderTheChosenName();
    void saveFails_data();
    void saveFails();
};

// A save that ends at the dialog (cancelled, or an empty name) writes
// nothing, waits for nothing and changes neither the counter nor the flag;
// an untouched paper shows no dialog at all.
void TestSavePage::dialogSettings_data()
{
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<QString>("name");  // empty: the paper is untouched
    QTest::addColumn<bool>("cancel");   // or an empty name comes back
    QTest::newRow("untouched") << 0 << "" << true;
    QTest::newRow("7") << 7 << "tavropen07" << true;
    QTest::newRow("123, empty name") << 123 << "tavropen123" << false;
    QTest::newRow("negative") << -5 << "tavropen-05" << true;
    QTest::newRow("largest") << 32767 << "tavropen32767" << false;
}

void TestSavePage::dialogSettings()
{
    QFETCH(int, pageCount);
    QFETCH(QString, name);
    QFETCH(bool, cancel);
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    OutputWindow w;
    QVERIFY(w.show());
    w.form->goCount = int16_t(pageCount);
    if (!name.isEmpty()) {
        w.drawRow(100);
        cancel ? w.dialogs.queueCancel() : w.dialogs.queueFileName(QString());
    }
    QElapsedTimer clock;
    clock.start();
    w.save();
    QVERIFY(clock.elapsed() < 900);

    QCOMPARE(w.messageBox.calls().size(), 0);
    QCOMPARE(filesIn(dir.path()), QStringList());
    QCOMPARE(w.form->goCount, int16_t(pageCount));
    QCOMPARE(w.form->dataPresent(), int16_t(name.isEmpty() ? 0 : -1));
    QCOMPARE(w.dialogs.shown().size(), name.isEmpty() ? 0 : 1);
    if (name.isEmpty())
        return;
    const auto& shown = w.dialogs.shown()[0];
    QCOMPARE(shown.kind, ScriptedCommonDialogFactory::Kind::Save);
    QCOMPARE(shown.FileName, name);
    QCOMPARE(shown.Filter, QStringLiteral("Image File (*.jpg)|*.bmp|"));
}

void TestSavePage::savesUnderTheChosenName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("jpeg");
    QTest::addColumn<QString>("taken");  // a name in use before the save
    QTest::addColumn<QString>("by");     // "file", "link" to a file outside, or a link planted during the wait
    QTest::newRow("no extension") << "page" << "page.jpg" << "" << "";
    QTest::newRow(".bmp") << "page.bmp" << "page.jpg" << "" << "";
    QTest::newRow(".JPG") << "page.JPG" << "page.JPG" << "" << "";
    QTest::newRow(".JPEG") << "page.JPEG" << "page.JPEG" << "" << "";
    QTest::newRow(".png") << "page.png" << "page.png.jpg" << "" << "";
    QTest::newRow("spaces and Korean") << QString::fromUtf8("새 페이지 1") << QString::fromUtf8("새 페이지 1.jpg") << "" << "";
    // The bitmap goes elsewhere and what was there stays as it was.
    QTest::newRow("link at the chosen name") << "tavropen00" << "tavropen00.jpg" << "tavropen00" << "link";
    QTest::newRow("link at the bitmap's name") << "page.jpg" << "page.jpg" << "page.jpg.bmp" << "link";
    QTest::newRow("text file chosen") << "report.txt" << "report.txt.jpg" << "report.txt" << "file";
    QTest::newRow(".bmp file chosen") << "old.bmp" << "old.jpg" << "old.bmp" << "file";
    // Replaced as an entry, its target untouched.
    QTest::newRow("link at the JPEG's name") << "page" << "page.jpg" << "page.jpg" << "link";
    QTest::newRow("link at the JPEG's name, planted during the wait") << "page" << "page.jpg" << "page.jpg" << "late link";
}

// The page saved is the capture of the last movement over the button, not
// the paper at the click. The first row waits the save's whole second.
void TestSavePage::savesUnderTheChosenName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, jpeg);
    QFETCH(QString, taken);
    QFETCH(QString, by);
    QTemporaryDir dir;
    QTemporaryDir outside;
    const QString victim = fixtures::writeFile(outside.filePath("important.txt"), "the user's own file");
    const auto plant = [&] {
        QFile::remove(dir.filePath(taken));
        if (by == "file")
            fixtures::writeFile(dir.filePath(taken), "the user's own file");
        else
            QVERIFY(QFile::link(victim, dir.filePath(taken)));
    };
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(100);
    w.hoverSave();
    w.drawRow(200);
    w.dialogs.queueFileName(dir.filePath(chosen));
    fixtures::writeFile(dir.filePath(jpeg), "an older file");  // replaced
    if (!taken.isEmpty())
        by == "late link" ? QTimer::singleShot(0, plant) : plant();  // the timer fires in the wait
    if (QTest::currentDataTag() != QByteArray("no extension"))
        w.form->saveWait = 0;
    QElapsedTimer clock;
    clock.start();
    w.clickSave();
    QVERIFY(clock.elapsed() >= w.form->saveWait);

    QCOMPARE(w.messageBox.calls().size(), 0);
    QStringList files{jpeg, taken};  // the bitmap is gone
    files.removeAll(QString());
    files.removeDuplicates();
    files.sort();
    QCOMPARE(filesIn(dir.path()), files);
    QCOMPARE(fixtures::contents(victim), "the user's own file");
    if (taken != jpeg && by == "link")
        QCOMPARE(QFile::symLinkTarget(dir.filePath(taken)), victim);
    if (by == "file")
        QCOMPARE(fixtures::contents(dir.filePath(taken)), "the user's own file");
    const QString path = dir.filePath(jpeg);
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(QImageReader(path).format(), QByteArray("jpeg"));
    const QImage page(path);
    QCOMPARE(page.size(), QSize(619, 396));
    QVERIFY(showsRow(page, 100));
    QVERIFY(blankRow(page, 200));
}

// Whatever goes wrong after the bitmap is written, the bitmap stays: it is
// the only copy of the page. A save that fails at the bitmap reports it at
// once and leaves the folder as it was. Either way the message says the save
// failed, and the page keeps its ink.
void TestSavePage::saveFails_data()
{
    QTest::addColumn<QString>("folder");  // the converter's; "" for an empty one
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("taken");  // folders ("name/"), FIFOs ("name|"), read-only files, writable ("name+")
    QTest::addColumn<QString>("disk");   // "read-only", or "full": no file may grow past 16 KB
    QTest::addColumn<bool>("kept");      // the bitmap was written and stays
    const QString real = realConverterFolder();
    QTest::newRow("no library") << "" << "page" << "" << "" << true;
    QTest::newRow("no entry point") << kFakes + "/fake_no_entry" << "page" << "" << "" << true;
    QTest::newRow("converter fails") << kFakes + "/fake_failing" << "page.jpg" << "" << "" << true;
    // Deleting the bitmap on its word alone would lose the page.
    QTest::newRow("converter claims a JPEG it left empty") << kFakes + "/fake_empty" << "page" << "" << "" << true;
    // Whatever stands at the JPEG's name and may not be replaced stays as it was.
    QTest::newRow("a folder at the JPEG's name") << real << "page" << "page.jpg/" << "" << true;
    QTest::newRow("a FIFO at the JPEG's name") << real << "page" << "page.jpg|" << "" << true;
    QTest::newRow("JPEG name past 255 bytes") << real << QString(255, 'p') << "" << "" << true;
    // Looked up from the working directory it would be; refused, even with a converter there.
    QTest::newRow("relative converter folder") << "lib" << "page" << "lib/" << "" << true;
    // Another user's: not ours to replace. With the bitmap's name taken as
    // well, the JPEG made of a bitmap under a fresh name is not left either.
    QTest::newRow("read-only JPEG") << real << "ro.jpg" << "ro.jpg" << "" << true;
    QTest::newRow("read-only JPEG and bitmap") << real << "ro.jpg" << "ro.jpg ro.jpg.bmp" << "" << true;
    QTest::newRow("read-only folder") << real << "page" << "" << "read-only" << false;
    QTest::newRow("no such folder") << real << "missing/page" << "" << "" << false;
    QTest::newRow("full disk, over an older bitmap") << real << "older.bmp" << "older.bmp+" << "full" << false;
    QTest::newRow("name past MaxFileSize") << real << QString(10000, 'n') << "" << "" << false;
    QTest::newRow("name past the file system's 255 bytes") << real << QString(300, 'n') << "" << "" << false;
    QTest::newRow("zero byte in the name") << real << QString::fromLatin1("pa\0ge", 5) << "" << "" << false;
}

void TestSavePage::saveFails()
{
    QFETCH(QString, folder);
    QFETCH(QString, chosen);
    QFETCH(QString, taken);
    QFETCH(QString, disk);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    QTemporaryDir emptyFolder;
    if (folder.isEmpty())
        folder = emptyFolder.path();
    std::optional<faults::PermissionBitsHold> bitsHold;
    QStringList takenNames;
    for (QString name : taken.split(' ', Qt::SkipEmptyParts)) {
        const QChar kind = name.back();
        if (QString("/|+").contains(kind))
            name.chop(1);
        if (kind == '/')
            QVERIFY(QDir(dir.path()).mkdir(name));
        else if (kind == '|')
            QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600), 0);
        else
            QVERIFY(QFile::setPermissions(fixtures::writeFile(dir.filePath(name), "read-only"),
                                          QFile::ReadOwner | (kind == '+' ? QFile::WriteOwner : QFile::Permissions())));
        takenNames.append(name);
    }
    if (disk == "read-only")
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    if (!takenNames.isEmpty() || disk == "read-only")
        bitsHold.emplace();
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&] {
        QDir::setCurrent(before);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (QDir::isRelativePath(folder)) {
        QVERIFY(QFile::copy(realConverterFolder() + "/libJPGUtils.so", dir.filePath(folder) + "/libJPGUtils.so"));
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    OutputWindow w(folder);
    QVERIFY(w.show());
    w.drawRow(100);
    w.hoverSave();
    if (kept)
        w.form->saveWait = 0;
    w.dialogs.queueFileName(dir.filePath(chosen));
    // What the save added (an empty JPEG aside), the names taken before still there.
    const auto added = [&] {
        QStringList files = filesIn(dir.path());
        for (const QString& name : takenNames) {
            if (!files.removeOne(name))
                return QStringList{"gone: " + name};
        }
        files.removeIf([&](const QString& name) { return QFileInfo(dir.filePath(name)).size() == 0; });
        return files;
    };
    // The bitmap is written before the wait, the message comes after it.
    QStringList duringWait;
    qsizetype messagesDuringWait = -1;
    QTimer inTheWait;
    inTheWait.setSingleShot(true);
    connect(&inTheWait, &QTimer::timeout, [&] {
        duringWait = added();
        messagesDuringWait = w.messageBox.calls().size();
    });
    inTheWait.start(0);
    // A write past the limit fails with EFBIG, as a full disk fails it, and
    // raises no signal.
    rlimit fileSize {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &fileSize), 0);
    rlimit small = fileSize;
    small.rlim_cur = disk == "full" ? 16 * 1024 : fileSize.rlim_cur;
    std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QElapsedTimer clock;
    clock.start();
    w.save();
    ::setrlimit(RLIMIT_FSIZE, &fileSize);
    QVERIFY(kept || clock.elapsed() < 900);  // a failure at the bitmap comes before the wait
    bitsHold.reset();

    QCOMPARE(w.messageBox.calls().size(), 1);
    QCOMPARE(w.messageBox.calls()[0].text, kSaveFailed);
    QCOMPARE(w.messageBox.calls()[0].style, MessageBoxStyle::Information);
    for (const QString& name : takenNames)
        QVERIFY(!QFileInfo(dir.filePath(name)).isFile() || fixtures::contents(dir.filePath(name)) == "read-only");
    QCOMPARE(w.strokeCount(), 1);
    QCOMPARE(w.form->dataPresent(), int16_t(-1));
    const QStringList files = added();
    if (!kept) {
        QCOMPARE(files, QStringList());
        return;
    }
    QCOMPARE(messagesDuringWait, 0);
    QCOMPARE(files, duringWait);
    QCOMPARE(files.size(), 1);
    // Under its own name when that was free, else under one that begins with the chosen name.
    const QString bitmap = dir.filePath(files[0]), own = SavePage::bitmapPathFor(dir.filePath(chosen));
    QVERIFY(takenNames.contains(QFileInfo(own).fileName()) ? bitmap.startsWith(dir.filePath(chosen) + '.') : bitmap == own);
    QCOMPARE(QImageReader(bitmap).format(), QByteArray("bmp"));
    QVERIFY(showsRow(QImage(bitmap), 100));
}

TAVRO_WINDOW_TEST_MAIN(TestSavePage)
#include "tst_save_page.moc"
