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
    void duringTheWait_data();
    void duringTheWait();
};

void TestSaveReentry::duringTheWait_data()
{
    QTest::addColumn<QString>("during");  // a second save (its name), "new page" or "exit"
    QTest::addColumn<QStringList>("files");
    // The second save captures anew: it moves over the button.
    QTest::newRow("a second save") << "second.jpg" << QStringList{"page.jpg", "second.jpg"};
    // Each owns its bitmap; the JPEG is the page of the save that ends last.
    QTest::newRow("a second save of that name") << "page.jpg" << QStringList{"page.jpg"};
    // The new page starts empty and the next save finds nothing to save.
    QTest::newRow("a new page") << "new page" << QStringList{"page.jpg"};
    // The window is unloaded; the program ends after the save.
    QTest::newRow("the exit") << "exit" << QStringList{"page.jpg"};
}

void TestSaveReentry::duringTheWait()
{
    QFETCH(QString, during);
    QFETCH(QStringList, files);
    const bool secondSave = during.endsWith(".jpg");
    QTemporaryDir dir;
    OutputWindow w;
    QVERIFY(w.show());
    QSignalSpy unloaded(w.form.get(), &InkWrite::Unloaded);
    w.drawRow(100);
    w.dialogs.queueFileName(dir.filePath("page.jpg"));
    if (secondSave)
        w.dialogs.queueFileName(dir.filePath(during));
    w.messageBox.queueAnswer(MessageBoxResult::Yes);
    // The save's wait is where events are first processed after the click;
    // how long it is does not matter here.
    w.form->saveWait = 0;
    bool hiddenDuringWait = false;
    QTimer::singleShot(0, [&] {
        if (secondSave) {
            w.drawRow(200);
            w.save();
        } else {
            click(during == "exit" ? w.form->imgExit : w.form->imgNew);
            hiddenDuringWait = !w.form->isVisible();
        }
    });
    w.save();

    QCOMPARE(w.dialogs.shown().size(), secondSave ? 2 : 1);
    QCOMPARE(filesIn(dir.path()), files);
    const QImage page(dir.filePath("page.jpg"));
    QVERIFY(showsRow(page, 100));
    QVERIFY(blankRow(page, 200));
    QCOMPARE(hiddenDuringWait, during == "exit");
    QCOMPARE(unloaded.size(), 0);  // not while the save was running
    if (secondSave) {
        QCOMPARE(w.messageBox.calls().size(), 0);
        if (during != "page.jpg")
            QVERIFY(showsRow(QImage(dir.filePath(during)), 200));
        // The latest capture stays for the next save.
        QVERIFY(showsRow(w.form->Picture2->picture().toImage(), 200));
    } else if (during == "new page") {
        QCOMPARE(w.messageBox.calls().size(), 1);  // the question only
        QCOMPARE(w.strokeCount(), 0);
        QCOMPARE(w.form->goCount, int16_t(1));
        w.save();
        QCOMPARE(w.dialogs.shown().size(), 1);
    } else {
        QTRY_COMPARE(unloaded.size(), 1);
    }
}

TAVRO_WINDOW_TEST_MAIN(TestSaveReentry)
#include "tst_save_reentry.moc"
