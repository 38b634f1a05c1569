// A picture under the ink: the open dialog's settings, each picture format on
// the paper (whatever the file's name), files that cannot be shown, and what
// an open leaves alone.

#include "output_fixture.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/stat.h>

class TestBackgroundPicture : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void unreadableFileKeepsTheEarlierPicture_data();
    void unreadableFileKeepsTheEarlierPicture();
    void newPageKeepsThePictureAndSavesIt();

private:
    QTemporaryDir m_dir;
};

namespace {

const QString kOpenFailed = QString::fromUtf8("그림 파일을 열 수 없습니다.");

bool near(QRgb a, QColor b, int tolerance = 40) { return fixtures::near(QColor(a), b, tolerance); }

// What the paper shows at a point: its picture drawn over its colour.
QRgb paperShows(InkWrite& form, QPoint at)
{
    return form.ImgPaper->grab(QRect(at, QSize(1, 1))).toImage().pixel(0, 0);
}

void open(OutputWindow& w, const QString& path)
{
    w.dialogs.queueFileName(path);
    click(w.form->picOpen);
}

}  // namespace

void TestBackgroundPicture::formats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("scale");  // of the quadrant picture
    QTest::newRow("JPEG") << "quadrants.jpg" << 1;
    QTest::newRow("GIF, first frame") << "quadrants.gif" << 1;
    QTest::newRow("bitmap") << "quadrants.bmp" << 1;
    QTest::newRow("progressive JPEG larger than the paper") << "large-progressive.jpg" << 10;
    QTest::newRow("enhanced metafile") << "scene.emf" << 1;
    QTest::newRow("Windows metafile") << "scene.wmf" << 1;
}

// Rasters at their pixel size, metafiles at their header's size, as much as
// the paper shows; under the ink, which stays with its page; the paper's
// colour where the picture leaves it.
void TestBackgroundPicture::formats()
{
    QFETCH(QString, name);
    QFETCH(int, scale);
    OutputWindow w;
    QVERIFY(w.show());
    const QColor paper(64, 64, 64);
    w.form->ImgPaper->setBackColor(paper);
    w.drawLine(QPoint(10, 40), QPoint(60, 40));
    open(w, fixtures::dataPath(name));

    QCOMPARE(w.messageBox.calls().size(), 0);
    // Pixels are kept only for the paper's part inside the window.
    const QSize visible(624, 401);
    const QPixmap shown = w.form->ImgPaper->picture();
    if (name.startsWith("scene")) {
        QCOMPARE((shown.deviceIndependentSize().toSize()),
                 QSize(fixtures::kSceneWidth, fixtures::kSceneHeight).boundedTo(visible));
        for (const fixtures::SceneProbe& probe : fixtures::sceneProbes()) {
            const QColor expected = probe.colour.isValid() ? probe.colour : paper;
            const bool offTheInk = !QRect(8, 36, 55, 9).contains(probe.at);
            if (QRect(QPoint(0, 0), visible).contains(probe.at) && offTheInk)
                QVERIFY2(near(paperShows(*w.form, probe.at), expected), probe.what);
        }
    } else {
        QCOMPARE(shown.size(), (QSize(64, 48) * scale).boundedTo(visible));
        QVERIFY(near(paperShows(*w.form, QPoint(50, 10) * scale), Qt::red));
        QVERIFY(near(paperShows(*w.form, QPoint(50, 35) * scale), Qt::blue));
        QVERIFY(near(paperShows(*w.form, QPoint(16, 16) * scale), Qt::green));
        if (scale == 1)
            QVERIFY(near(paperShows(*w.form, QPoint(100, 100)), paper, 0));  // past the picture
    }
    QVERIFY(qGray(paperShows(*w.form, QPoint(35, 40))) < 40);  // the ink on top
    QCOMPARE(w.strokeCount(), 1);
    QCOMPARE(w.form->dataPresent(), int16_t(-1));
    QCOMPARE(w.form->goCount, int16_t(0));
}

void TestBackgroundPicture::unreadableFileKeepsTheEarlierPicture_data()
{
    QTest::addColumn<QString>("path");  // "cancel": the dialog is cancelled
    QTest::newRow("cancelled") << "cancel";
    QTest::newRow("an empty name") << "";
    QTest::newRow("no such file") << m_dir.filePath("missing.jpg");
    QTest::newRow("truncated JPEG") << fixtures::dataPath("jpeg-half.jpg");
    QTest::newRow("bitmap past 256 MB") << fixtures::dataPath("bmp-claims-20000.bmp");
    QTest::newRow("metafile record past its end") << fixtures::dataPath("metafile/wmf-record-size-wrapping");
    // procfs reports no size and never ends; a FIFO would block the open.
    QVERIFY(QFile::link("/proc/self/pagemap", m_dir.filePath("pagemap.jpg")));
    QTest::newRow("a link to /proc/self/pagemap") << m_dir.filePath("pagemap.jpg");
    QVERIFY(mkfifo(QFile::encodeName(m_dir.filePath("fifo.bmp")).constData(), 0600) == 0);
    QTest::newRow("a FIFO") << m_dir.filePath("fifo.bmp");
}

// The message (none for a cancel or an empty name), and nothing else
// changes: the paper's picture, the ink, the page's flag and counter.
void TestBackgroundPicture::unreadableFileKeepsTheEarlierPicture()
{
    QFETCH(QString, path);
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(100);
    open(w, fixtures::dataPath("quadrants.bmp"));
    const QImage before = w.form->ImgPaper->picture().toImage();
    QCOMPARE(before.size(), QSize(64, 48));

    QElapsedTimer clock;
    clock.start();
    path == "cancel" ? w.dialogs.queueCancel() : w.dialogs.queueFileName(path);
    click(w.form->picOpen);
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(w.dialogs.shown().size(), 2);
    QCOMPARE(w.dialogs.shown()[1].kind, ScriptedCommonDialogFactory::Kind::Open);
    QCOMPARE(w.dialogs.shown()[1].Filter,
             QStringLiteral("Image File (*.jpg;*.gif;*.bmp;*.wmf;*.emf)|*.jpg;*.gif;*.bmp;*.wmf;*.emf|"));
    const bool refused = path != "cancel" && !path.isEmpty();
    QCOMPARE(w.messageBox.calls().size(), refused ? 1 : 0);
    if (refused) {
        QCOMPARE(w.messageBox.calls()[0].text, kOpenFailed);
        QCOMPARE(w.messageBox.calls()[0].style, MessageBoxStyle::Information);
    }
    QCOMPARE(w.form->ImgPaper->picture().toImage(), before);
    QCOMPARE(w.strokeCount(), 1);
    QCOMPARE(w.form->dataPresent(), int16_t(-1));
    QCOMPARE(w.form->goCount, int16_t(0));
}

// A new page takes the ink only; the picture is part of what a save
// captures, under the new ink.
void TestBackgroundPicture::newPageKeepsThePictureAndSavesIt()
{
    QTemporaryDir out;
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(200);
    open(w, fixtures::dataPath("quadrants.bmp"));
    w.form->ImgPaper->setBackColor(QColor(200, 220, 240));
    w.messageBox.queueAnswer(MessageBoxResult::Yes);
    click(w.form->imgNew);
    QCOMPARE(w.strokeCount(), 0);
    QCOMPARE(w.form->ImgPaper->backColor(), QColor(200, 220, 240));
    w.drawRow(100);
    w.dialogs.queueFileName(out.filePath("page.jpg"));
    w.form->saveWait = 0;
    w.save();
    const QImage page(out.filePath("page.jpg"));
    QVERIFY(near(page.pixel(pageAt(QPoint(50, 35))), Qt::blue));
    QVERIFY(near(page.pixel(pageAt(QPoint(50, 10))), Qt::red));
    QVERIFY(showsRow(page, 100));
    QVERIFY(blankRow(page, 200));
}

TAVRO_WINDOW_TEST_MAIN(TestBackgroundPicture)
#include "tst_background_picture.moc"
