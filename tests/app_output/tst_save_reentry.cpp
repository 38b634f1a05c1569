// What may happen while a save waits its second: new captures, a second save,
// a new page, the exit. The save that waits still writes the page it
// captured, and nothing is left behind.

#include "output_fixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

class TestSaveReentry : public QObject {
    Q_OBJECT
private slots:
    void secondSaveDuringTheWait_data();
    void secondSaveDuringTheWait();
    void newPageDuringTheWait();
    void exitDuringTheWait();
};

namespace {
// Runs action once the save is waiting: the save's wait is where events are
// first processed after the click. How long it waits does not matter here.
void duringTheWait(OutputWindow& w, std::function<void()> action)
{
    w.form->saveWait = 0;
    QTimer::singleShot(0, std::move(action));
}
}  // namespace

void TestSaveReentry::secondSaveDuringTheWait_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("two names") << "first.jpg" << "second.jpg";
    // Each owns its bitmap; the JPEG is the page of the save that ends last.
    QTest::newRow("one name") << "twice.jpg" << "twice.jpg";
}

// The second save captures anew (it moves over the button) while the first
// waits; the first still writes its own capture.
void TestSaveReentry::secondSaveDuringTheWait()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QTemporaryDir dir;
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(100);
    w.dialogs.queueFileName(dir.filePath(first));
    w.dialogs.queueFileName(dir.filePath(second));
    duringTheWait(w, [&] {
        w.drawRow(200);
        w.save();
    });
    w.save();

    QCOMPARE(w.dialogs.shown().size(), 2);
    QCOMPARE(w.messageBox.calls().size(), 0);
    QStringList files{first, second};
    files.removeDuplicates();
    QCOMPARE(filesIn(dir.path()), files);
    QVERIFY(showsRow(QImage(dir.filePath(first)), 100));
    QVERIFY(blankRow(QImage(dir.filePath(first)), 200));
    if (second != first)
        QVERIFY(showsRow(QImage(dir.filePath(second)), 200));
    // The latest capture stays for the next save.
    QVERIFY(showsRow(w.form->Picture2->picture().toImage(), 200));
}

// The page the save captured is written; the new page starts empty and the
// next save finds nothing to save.
void TestSaveReentry::newPageDuringTheWait()
{
    QTemporaryDir dir;
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(100);
    w.dialogs.queueFileName(dir.filePath("page"));
    w.messageBox.queueAnswer(MessageBoxResult::Yes);
    duringTheWait(w, [&] { click(w.form->imgNew); });
    w.save();

    QCOMPARE(w.messageBox.calls().size(), 1);  // the question only
    QCOMPARE(w.strokeCount(), 0);
    QCOMPARE(w.form->goCount, int16_t(1));
    QCOMPARE(filesIn(dir.path()), QStringList{"page.jpg"});
    QVERIFY(showsRow(QImage(dir.filePath("page.jpg")), 100));
    w.save();
    QCOMPARE(w.dialogs.shown().size(), 1);
}

// The window is unloaded during the wait; the save finishes first and the
// program ends after it.
void TestSaveReentry::exitDuringTheWait()
{
    QTemporaryDir dir;
    OutputWindow w;
    QVERIFY(w.show());
    QSignalSpy unloaded(w.form.get(), &InkWrite::Unloaded);
    w.drawRow(100);
    w.dialogs.queueFileName(dir.filePath("page"));
    w.messageBox.queueAnswer(MessageBoxResult::Yes);
    bool hiddenDuringWait = false;
    duringTheWait(w, [&] {
        click(w.form->imgExit);
        hiddenDuringWait = !w.form->isVisible();
    });
    w.save();

    QVERIFY(hiddenDuringWait);
    QCOMPARE(unloaded.size(), 0);  // not while the save was running
    QCOMPARE(filesIn(dir.path()), QStringList{"page.jpg"});
    QVERIFY(showsRow(QImage(dir.filePath("page.jpg")), 100));
    QTRY_COMPARE(unloaded.size(), 1);
}

TAVRO_WINDOW_TEST_MAIN(TestSaveReentry)
#include "tst_save_reentry.moc"
