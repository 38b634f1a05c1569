// The dialogs: the filter string and the checks of a chosen name that both
// the real dialogs and the scripted ones apply; then the real message box and
// Qt's own file dialog, driven through their modal event loops as a user
// would drive them.

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
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <limits>

namespace {

int codeOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const PlatformError& error) {
        return error.code();
    }
    return 0;
}

// Acts on modal dialogs from inside their own event loops, each step on the
// next one that shows, of its type. A modal widget no step expects is named in
// problems and closed after three seconds, so a wrong guess fails the test
// instead of hanging it.
class ModalDriver : public QObject {
public:
    ModalDriver() { startTimer(10); }
    template <class T>
    void then(std::function<void(T*)> act)
    {
        m_steps.append({&T::staticMetaObject, [act](QWidget* w) { act(static_cast<T*>(w)); }});
    }
    bool finished() const { return m_next == m_steps.size(); }
    QStringList problems;

protected:
    void timerEvent(QTimerEvent*) override
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || m_acting) {
            m_strayPolls = 0;
        } else if (m_next < m_steps.size() && modal->metaObject()->inherits(m_steps[m_next].first)) {
            // Queued: a timer does not fire again while its handler runs, and
            // the action may open a nested dialog that the next step must see.
            m_acting = true;
            QTimer::singleShot(0, this, [this, target = QPointer<QWidget>(modal), act = m_steps[m_next++].second] {
                m_acting = false;
                if (target)
                    act(target);
            });
        } else if (++m_strayPolls > 300) {
            problems << modal->metaObject()->className();
            modal->close();  // a dialog rejects itself on close
        }
    }

private:
    QList<std::pair<const QMetaObject*, std::function<void(QWidget*)>>> m_steps;
    qsizetype m_next = 0;
    bool m_acting = false;
    int m_strayPolls = 0;
};

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void filter_data();
    void filter();
    void chosenName();
    void messageBox_data();
    void messageBox();
    void fileDialog_data();
    void fileDialog();

private:
    QString inFolder(const QString& name) const { return QDir::toNativeSeparators(m_dir.filePath(name)); }
    QTemporaryDir m_dir;
};

void TestDialogs::initTestCase()
{
    QFile file(m_dir.filePath("exists.bmp"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(installQtTranslations(*qApp, QLocale(QLocale::Zulu)), nullptr);  // Qt has none
    QVERIFY(installQtTranslations(*qApp, QLocale(QLocale::Korean)));
}

// Each filter string with what it reads as, written back in the same form
// ("description|patterns|" a filter); "refused" for InvalidArgument.
void TestDialogs::filter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("reads");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("open filter, closing bar") << "Image (*.jpg;*.gif)|*.jpg;*.gif|"
                                              << "Image (*.jpg;*.gif)|*.jpg;*.gif|";
    QTest::newRow("no closing bar, blanks dropped") << "A| *.a ; ;*.b|B|*.c" << "A|*.a;*.b|B|*.c|";
    const QString korean = QString::fromUtf8("그림 파일|*.jpg|모든 파일|*.*|");
    QTest::newRow("Korean") << korean << korean;
    QTest::newRow("description alone") << "Text|" << "refused";
    QTest::newRow("odd parts") << "A|*.a|B" << "refused";
    QTest::newRow("no pattern") << "A| ; |" << "refused";
    QTest::newRow("empty description") << "|*.a|" << "refused";
}

void TestDialogs::filter()
{
    QFETCH(QString, filter);
    QFETCH(QString, reads);
    QString got = "refused";
    QCOMPARE(codeOf([&] {
                 const QList<FileFilter> filters = parseDialogFilter(filter);
                 got.clear();
                 for (const FileFilter& f : filters)
                     got += f.description + '|' + f.patterns.join(';') + '|';
             }),
             reads == "refused" ? PlatformErrorCode::InvalidArgument : 0);
    QCOMPARE(got, reads);
}

// FileMustExist, which the real dialog cannot be made to break, and a
// MaxFileSize no name fits, whose refusal once overflowed building its
// message; the length limit itself is the file dialog's table's.
void TestDialogs::chosenName()
{
    const auto check = [&](const char* name, int flags, int32_t maxFileSize = 4096) {
        return codeOf([&] { checkChosenFileName(inFolder(name), flags, maxFileSize); });
    };
    QCOMPARE(check("none.bmp", CommonDialogFlags::FileMustExist), int(PlatformErrorCode::FileNotFound));
    QCOMPARE(check("exists.bmp", CommonDialogFlags::FileMustExist), 0);
    QCOMPARE(check("none.bmp", 0), 0);
    QCOMPARE(check("none.bmp", 0, std::numeric_limits<int32_t>::min()), int(PlatformErrorCode::FileNameTooLong));
}

void TestDialogs::messageBox_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    using namespace MessageBoxStyle;
    QTest::newRow("Escape means No") << YesNo << int(Qt::Key_Escape) << 7;
    QTest::newRow("Return takes the default, Yes") << YesNo << int(Qt::Key_Return) << 6;
    QTest::newRow("Escape on a notice") << Information << int(Qt::Key_Escape) << 1;
}

void TestDialogs::messageBox()
{
    QFETCH(int, style);
    QFETCH(int, key);
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
        QTest::keyClick(box, Qt::Key(key));
    });
    QCOMPARE(QtMessageBoxService().show(nullptr, text, style), expected);
    QVERIFY(driver.finished());
    QCOMPARE(driver.problems, QStringList());
}

void TestDialogs::fileDialog_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("spare");  // MaxFileSize less the chosen path's length
    // In the file dialog: "type NAME" or "cancel"; in a message box: "Yes" or
    // "No". Any other box, a replace question without flag 2 among them,
    // fails the row.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("code");  // 0: FileName is the name typed first
    using namespace PlatformErrorCode;
    QTest::newRow("open a missing name") << false << 0 << 1 << QStringList{"type none.jpg"} << 0;
    QTest::newRow("cancel") << false << 0 << 1 << QStringList{"cancel"} << int(DialogCancel);
    QTest::newRow("save over a file, no flag 2") << true << 4 << 1 << QStringList{"type exists.bmp"} << 0;
    QTest::newRow("flag 2, replace") << true << 2 << 1 << QStringList{"type exists.bmp", "Yes"} << 0;
    QTest::newRow("flag 2, keep") << true << 6 << 1 << QStringList{"type exists.bmp", "No", "cancel"}
                                  << int(DialogCancel);
    QTest::newRow("must exist") << false << 0x1000 << 1 << QStringList{"type exists.bmp"} << 0;
    QTest::newRow("name too long") << true << 4 << 0 << QStringList{"type tavropen00"} << int(FileNameTooLong);
}

void TestDialogs::fileDialog()
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
        if (step == "Yes" || step == "No")
            driver.then<QMessageBox>(
                [=](QMessageBox* box) { box->button(step == "Yes" ? QMessageBox::Yes : QMessageBox::No)->click(); });
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
                accept->click();
            });
    }
    QCOMPARE(codeOf([&] { save ? d->ShowSave() : d->ShowOpen(); }), code);
    QVERIFY(driver.finished());
    QCOMPARE(driver.problems, QStringList());
    QCOMPARE(d->FileName, code ? inFolder("before") : typed);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
