// The real message box and Qt's own file dialog, driven through their modal
// event loops as a user would drive them.

#include "modal_driver.h"

#include "platform/dialogs/message_box.h"
#include "platform/dialogs/qt_common_dialog.h"
#include "platform/dialogs/qt_translations.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestRealDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void messageBox_data();
    void messageBox();
    void fileDialog_data();
    void fileDialog();

private:
    QString inFolder(const QString& name) const { return QDir::toNativeSeparators(m_dir.filePath(name)); }
    QTemporaryDir m_dir;
};

void TestRealDialogs::initTestCase()
{
    QFile file(m_dir.filePath("exists.bmp"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(installQtTranslations(*qApp, QLocale(QLocale::Zulu)), nullptr);  // Qt has none
    QVERIFY(installQtTranslations(*qApp, QLocale(QLocale::Korean)));
}

void TestRealDialogs::messageBox_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("press");  // a standard button to click, or a key
    QTest::addColumn<int>("expected");
    using namespace MessageBoxStyle;
    QTest::newRow("No") << YesNo << int(QMessageBox::No) << 7;
    QTest::newRow("Escape means No") << YesNo << int(Qt::Key_Escape) << 7;
    QTest::newRow("Return takes the default, Yes") << YesNo << int(Qt::Key_Return) << 6;
    QTest::newRow("Escape on a notice") << Information << int(Qt::Key_Escape) << 1;
}

void TestRealDialogs::messageBox()
{
    QFETCH(int, style);
    QFETCH(int, press);
    QFETCH(int, expected);
    const bool question = style == MessageBoxStyle::YesNo;
    const QString text = QString::fromUtf8("<b>정말로</b> 종료하시겠습니까 ?");  // never markup
    ModalDriver driver;
    driver.then<QMessageBox>([&](QMessageBox* box) {
        const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        QCOMPARE(box->windowTitle(), "Tavro Pen Writer");
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(box->icon(), question ? QMessageBox::NoIcon : QMessageBox::Information);
        QCOMPARE(box->standardButtons(), question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
        QCOMPARE(box->defaultButton(), box->button(question ? QMessageBox::Yes : QMessageBox::Ok));
        if (question)  // the desktop's language, from Qt's translations
            QVERIFY(box->button(QMessageBox::Yes)->text().contains(QString::fromUtf8("예")));
        if (press >= Qt::Key_Escape)
            QTest::keyClick(box, Qt::Key(press));
        else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    QCOMPARE(QtMessageBoxService().show(nullptr, text, style), expected);
    QVERIFY(driver.finished());
    QCOMPARE(driver.problems, QStringList());
}

void TestRealDialogs::fileDialog_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("spare");  // MaxFileSize less the chosen path's length
    // In the file dialog: "type NAME", "force NAME" (accept past a disabled
    // button) or "cancel"; in a message box: "Yes", "No" or "OK". Any other
    // box, a replace question without flag 2 among them, fails the row.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("code");  // 0: FileName is the name typed first
    using namespace PlatformErrorCode;
    QTest::newRow("open a missing name") << false << 0 << 1 << QStringList{"type none.jpg"} << 0;
    QTest::newRow("cancel") << false << 0 << 1 << QStringList{"cancel"} << int(DialogCancel);
    QTest::newRow("save over a file, no flag 2") << true << 4 << 1 << QStringList{"type exists.bmp"} << 0;
    QTest::newRow("flag 2, replace") << true << 2 << 1 << QStringList{"type exists.bmp", "Yes"} << 0;
    QTest::newRow("flag 2, keep") << true << 6 << 1 << QStringList{"type exists.bmp", "No", "cancel"}
                                  << int(DialogCancel);
    QTest::newRow("must exist") << false << 0x1000 << 1 << QStringList{"force missing.bmp", "OK", "cancel"}
                                << int(DialogCancel);
    QTest::newRow("name too long") << true << 4 << 0 << QStringList{"type tavropen00"} << int(FileNameTooLong);
}

void TestRealDialogs::fileDialog()
{
    QFETCH(bool, save);
    QFETCH(int, flags);
    QFETCH(int, spare);
    QFETCH(QStringList, steps);
    QFETCH(int, code);
    QWidget window;
    auto d = QtCommonDialogFactory(QtCommonDialogFactory::Look::Widget).create(&window);
    d->Flags = flags;
    d->FileName = inFolder("before");
    d->Filter = QString::fromUtf8("그림 (사진)|*.bmp;*.jpg|모든 파일|*.*|");
    const QString typed = inFolder(steps[0].section(' ', 1));
    d->MaxFileSize = int(typed.size()) + spare;
    ModalDriver driver;
    for (const QString& step : steps) {
        const QString name = inFolder(step.section(' ', 1));
        if (step == "Yes" || step == "No" || step == "OK")
            driver.then<QMessageBox>([=](QMessageBox* box) {
                step == "OK" ? box->accept() : box->button(step == "Yes" ? QMessageBox::Yes : QMessageBox::No)->click();
            });
        else
            driver.then<QFileDialog>([&, step, name](QFileDialog* fd) {
                QCOMPARE(fd->parentWidget(), &window);
                QCOMPARE(fd->windowTitle(), "Tavro Pen Writer");  // none given
                QCOMPARE(fd->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
                QCOMPARE(fd->fileMode(), flags & 0x1000 ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
                QCOMPARE(fd->directory().absolutePath(), QDir(m_dir.path()).absolutePath());
                const auto* types = fd->findChild<QComboBox*>("fileTypeCombo");
                QCOMPARE(types->count(), 2);
                QCOMPARE(types->itemText(0), QString::fromUtf8("그림 (사진)"));  // the patterns stay hidden
                QCOMPARE(fd->findChild<QFileSystemModel*>()->nameFilters(), QStringList({"*.bmp", "*.jpg"}));
                auto* nameEdit = fd->findChild<QLineEdit*>("fileNameEdit");
                if (step == steps[0])
                    QCOMPARE(nameEdit->text(), "before");
                if (step == "cancel")
                    return fd->reject();
                nameEdit->setText(name);
                QAbstractButton* accept = fd->findChild<QDialogButtonBox*>("buttonBox")->button(
                    save ? QDialogButtonBox::Save : QDialogButtonBox::Open);
                QCOMPARE(accept->isEnabled(), !step.startsWith("force"));
                step.startsWith("force") ? static_cast<QDialog*>(fd)->accept() : accept->click();
            });
    }
    int result = 0;
    try {
        save ? d->ShowSave() : d->ShowOpen();
    } catch (const PlatformError& error) {
        result = error.code();
    }
    QCOMPARE(result, code);
    QVERIFY(driver.finished());
    QCOMPARE(driver.problems, QStringList());
    QCOMPARE(d->FileName, code ? inFolder("before") : typed);
}

QTEST_MAIN(TestRealDialogs)
#include "tst_real_dialogs.moc"
