// The real common dialog on Qt's own QFileDialog, driven as a user would
// drive it: what it shows for the properties it is given, and what comes
// back from a choice, a cancel, a replace question or a refused name.

#include "modal_driver.h"

#include "platform/dialogs/qt_common_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum class Mode { Open, Save };

struct Outcome {
    int code = 0;  // 0: the dialog returned normally
    QString fileName;
};

Outcome run(CommonDialog& dialog, Mode mode)
{
    try {
        mode == Mode::Open ? dialog.ShowOpen() : dialog.ShowSave();
    } catch (const PlatformError& error) {
        return {error.code(), dialog.FileName};
    }
    return {0, dialog.FileName};
}

QLineEdit* nameEdit(QFileDialog* dialog)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

QPushButton* acceptButton(QFileDialog* dialog)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return box->button(dialog->acceptMode() == QFileDialog::AcceptOpen ? QDialogButtonBox::Open
                                                                       : QDialogButtonBox::Save);
}

void chooseName(QFileDialog* dialog, const QString& name)
{
    nameEdit(dialog)->setText(name);
    acceptButton(dialog)->click();
}

QStringList comboTexts(QFileDialog* dialog)
{
    QStringList texts;
    const auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; combo && i < combo->count(); ++i)
        texts.append(combo->itemText(i));
    return texts;
}

}  // namespace

Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(QFileDialog::FileMode)
Q_DECLARE_METATYPE(QtCommonDialogFactory::Look)

class TestQtCommonDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void showsItsProperties_data();
    void showsItsProperties();
    void returnsTheChosenName_data();
    void returnsTheChosenName();
    void asksBeforeReplacingOnlyWhenTold_data();
    void asksBeforeReplacingOnlyWhenTold();
    void fileMustExistRefusesMissingNames();
    void nameMustFitMaxFileSize();
    void badSettingsShowNothing();

private:
    QString inFolder(const QString& name) const
    {
        return QDir::toNativeSeparators(m_folder.filePath(name));
    }
    std::unique_ptr<CommonDialog> widgetDialog(QWidget* parent = nullptr)
    {
        return QtCommonDialogFactory(QtCommonDialogFactory::Look::Widget).create(parent);
    }

    QTemporaryDir m_folder;
};

void TestQtCommonDialog::initTestCase()
{
    QVERIFY(m_folder.isValid());
    for (const char* name : {"a.jpg", "b.bmp", "c.png", "exists.bmp"}) {
        QFile file(m_folder.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void TestQtCommonDialog::showsItsProperties_data()
{
    QTest::addColumn<QtCommonDialogFactory::Look>("look");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("fileName");  // "@" stands for the test folder
    QTest::addColumn<QFileDialog::FileMode>("fileMode");
    QTest::addColumn<bool>("confirmsOverwrite");
    QTest::addColumn<QStringList>("shownFilters");
    QTest::addColumn<QStringList>("appliedPatterns");
    QTest::addColumn<QString>("shownName");
    QTest::addColumn<QString>("shownFolder");  // empty: not looked at

    using L = QtCommonDialogFactory::Look;
    const QString title = QStringLiteral("Tavro Pen Writer");
    QTest::newRow("the page's save")
        << L::Widget << Mode::Save << 4 << QStringLiteral("Image File (*.jpg)|*.bmp|") << title
        << QStringLiteral("tavropen00") << QFileDialog::AnyFile << false
        << QStringList{"Image File (*.jpg)"} << QStringList{"*.bmp"} << QStringLiteral("tavropen00")
        << QString();
    QTest::newRow("the background's open")
        << L::Widget << Mode::Open << 0x80400
        << QStringLiteral("Image File (*.jpg;*.gif;*.bmp;*.wmf;*.emf)|*.jpg;*.gif;*.bmp;*.wmf;*.emf|")
        << title << QString() << QFileDialog::AnyFile << false
        << QStringList{"Image File (*.jpg;*.gif;*.bmp;*.wmf;*.emf)"}
        << QStringList{"*.jpg", "*.gif", "*.bmp", "*.wmf", "*.emf"} << QString() << QString();
    QTest::newRow("untitled, Korean filters, a folder in the name")
        << L::Widget << Mode::Save << 0x1002
        << QString::fromUtf8("그림 (사진)|*.png;*.jpg|모든 파일|*.*|") << QString()
        << QStringLiteral("@/start.bmp") << QFileDialog::ExistingFile << true
        << QStringList{QString::fromUtf8("그림 (사진)"), QString::fromUtf8("모든 파일")}
        << QStringList{"*.png", "*.jpg"} << QStringLiteral("start.bmp") << QStringLiteral("@");
    QTest::newRow("no filter, own title, the desktop's look")
        << L::Native << Mode::Open << 0x1000 << QString() << QStringLiteral("Pick")
        << QStringLiteral("@/b.bmp") << QFileDialog::ExistingFile << false
        << QStringList{"All Files"} << QStringList{"*"}
        << QStringLiteral("b.bmp") << QStringLiteral("@");
}

// Whatever the dialog showed, a cancel leaves FileName as it was.
void TestQtCommonDialog::showsItsProperties()
{
    QFETCH(QtCommonDialogFactory::Look, look);
    QFETCH(Mode, mode);
    QFETCH(int, flags);
    QFETCH(QString, filter);
    QFETCH(QString, title);
    QFETCH(QString, fileName);
    QFETCH(QFileDialog::FileMode, fileMode);
    QFETCH(bool, confirmsOverwrite);
    const QString shownTitle = title.isEmpty() ? QStringLiteral("Tavro Pen Writer") : title;
    QFETCH(QStringList, shownFilters);
    QFETCH(QStringList, appliedPatterns);
    QFETCH(QString, shownName);
    QFETCH(QString, shownFolder);

    QWidget window;
    auto dialog = QtCommonDialogFactory(look).create(&window);
    dialog->Flags = flags;
    dialog->Filter = filter;
    dialog->DialogTitle = title;
    dialog->FileName = QDir::toNativeSeparators(fileName.replace('@', m_folder.path()));
    dialog->MaxFileSize = 10000;

    QFileDialog* seen = nullptr;
    QStringList seenFilters, seenPatterns;
    QString seenName, seenFolder;
    ModalDriver driver;
    driver.then<QFileDialog>([&](QFileDialog* fileDialog) {
        seen = fileDialog;
        seenFilters = comboTexts(fileDialog);
        seenPatterns = fileDialog->findChild<QFileSystemModel*>()->nameFilters();
        seenName = nameEdit(fileDialog)->text();
        seenFolder = fileDialog->directory().absolutePath();
        QCOMPARE(fileDialog->parentWidget(), &window);
        QCOMPARE(fileDialog->acceptMode(),
                 mode == Mode::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        QCOMPARE(fileDialog->fileMode(), fileMode);
        QCOMPARE(!fileDialog->testOption(QFileDialog::DontConfirmOverwrite), confirmsOverwrite);
        QCOMPARE(fileDialog->testOption(QFileDialog::DontUseNativeDialog),
                 look == QtCommonDialogFactory::Look::Widget);
        QCOMPARE(fileDialog->windowTitle(), shownTitle);
        fileDialog->reject();
    });

    const QString before = dialog->FileName;
    const Outcome outcome = run(*dialog, mode);
    QVERIFY(driver.finished());
    QVERIFY(seen);
    QCOMPARE(outcome.code, PlatformErrorCode::DialogCancel);
    QCOMPARE(outcome.fileName, before);
    QCOMPARE(seenFilters, shownFilters);
    QCOMPARE(seenPatterns, appliedPatterns);
    QCOMPARE(seenName, shownName);
    if (!shownFolder.isEmpty())
        QCOMPARE(seenFolder, QDir(shownFolder.replace('@', m_folder.path())).absolutePath());
}

void TestQtCommonDialog::returnsTheChosenName_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("typed");

    // A save never prompts here: without OverwritePrompt an existing file is
    // replaced silently, and an unexpected box would fail the driver.
    QTest::newRow("open an existing file") << Mode::Open << 0x1000 << QStringLiteral("b.bmp");
    QTest::newRow("open a missing name") << Mode::Open << 0x80400 << QStringLiteral("none.jpg");
    QTest::newRow("save a new name") << Mode::Save << 4 << QStringLiteral("tavropen00");
    QTest::newRow("save over a file") << Mode::Save << 4 << QStringLiteral("exists.bmp");
}

void TestQtCommonDialog::returnsTheChosenName()
{
    QFETCH(Mode, mode);
    QFETCH(int, flags);
    QFETCH(QString, typed);

    auto dialog = widgetDialog();
    dialog->Flags = flags;
    dialog->FileName = inFolder(QStringLiteral("x"));
    dialog->MaxFileSize = 10000;
    ModalDriver driver;
    driver.then<QFileDialog>([&](QFileDialog* fileDialog) { chooseName(fileDialog, typed); });

    const Outcome outcome = run(*dialog, mode);
    QVERIFY(driver.finished());
    QCOMPARE(driver.problems(), QStringList());
    QCOMPARE(outcome.code, 0);
    QCOMPARE(outcome.fileName, inFolder(typed));
}

void TestQtCommonDialog::asksBeforeReplacingOnlyWhenTold_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("replace");
    QTest::newRow("prompt, replace") << 0x2 << true;
    QTest::newRow("prompt, keep") << 0x6 << false;
}

void TestQtCommonDialog::asksBeforeReplacingOnlyWhenTold()
{
    QFETCH(int, flags);
    QFETCH(bool, replace);

    auto dialog = widgetDialog();
    dialog->Flags = flags;
    dialog->FileName = inFolder(QStringLiteral("x"));
    QString question;
    ModalDriver driver;
    driver.then<QFileDialog>([](QFileDialog* d) { chooseName(d, QStringLiteral("exists.bmp")); })
        .then<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
        });
    if (!replace)  // back in the file dialog, the user gives up
        driver.then<QFileDialog>([](QFileDialog* d) { d->reject(); });

    const Outcome outcome = run(*dialog, Mode::Save);
    QVERIFY(driver.finished());
    QVERIFY2(question.contains(QStringLiteral("exists.bmp")), qPrintable(question));
    QCOMPARE(outcome.code, replace ? 0 : PlatformErrorCode::DialogCancel);
    QCOMPARE(outcome.fileName, replace ? inFolder(QStringLiteral("exists.bmp"))
                                       : inFolder(QStringLiteral("x")));
}

void TestQtCommonDialog::fileMustExistRefusesMissingNames()
{
    auto dialog = widgetDialog();
    dialog->Flags = CommonDialogFlags::FileMustExist;
    dialog->FileName = inFolder(QStringLiteral("missing.bmp"));
    bool couldConfirm = true;
    ModalDriver driver;
    driver
        .then<QFileDialog>([&](QFileDialog* d) {
            couldConfirm = acceptButton(d)->isEnabled();
            static_cast<QDialog*>(d)->accept();  // past the disabled button, as a script might
        })
        .then<QMessageBox>([](QMessageBox* box) { box->accept(); })
        .then<QFileDialog>([](QFileDialog* d) { d->reject(); });

    const Outcome outcome = run(*dialog, Mode::Open);
    QVERIFY(driver.finished());
    QVERIFY(!couldConfirm);
    QCOMPARE(outcome.code, PlatformErrorCode::DialogCancel);
}

// The boundary itself is the shared rule's; here: the real dialog applies it
// to the path as it comes back.
void TestQtCommonDialog::nameMustFitMaxFileSize()
{
    const QString chosen = inFolder(QStringLiteral("b.bmp"));
    for (const int room : {1, 0}) {
        auto dialog = widgetDialog();
        dialog->FileName = QStringLiteral("before");
        dialog->MaxFileSize = int(chosen.size()) + room;
        ModalDriver driver;
        driver.then<QFileDialog>([&](QFileDialog* d) { chooseName(d, chosen); });

        const Outcome outcome = run(*dialog, Mode::Open);
        QVERIFY(driver.finished());
        QCOMPARE(outcome.code, room ? 0 : PlatformErrorCode::FileNameTooLong);
        QCOMPARE(outcome.fileName, room ? chosen : QStringLiteral("before"));
    }
}

// Settings the dialog cannot work with are refused before anything shows.
void TestQtCommonDialog::badSettingsShowNothing()
{
    auto dialog = widgetDialog();
    dialog->Filter = QStringLiteral("Image File (*.jpg)|");
    ModalDriver driver;  // no steps: a dialog that appears is a problem
    QCOMPARE(run(*dialog, Mode::Save).code, PlatformErrorCode::InvalidArgument);
    dialog->Filter.clear();
    dialog->MaxFileSize = 0;
    QCOMPARE(run(*dialog, Mode::Save).code, PlatformErrorCode::InvalidArgument);
    QCOMPARE(driver.problems(), QStringList());
}

QTEST_MAIN(TestQtCommonDialog)
#include "tst_qt_common_dialog.moc"
