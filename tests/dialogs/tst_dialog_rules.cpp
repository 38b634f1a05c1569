// The dialog rules that need no screen: the filter string, and the checks of
// a chosen name that both the real dialogs and the scripted ones apply.

#include "platform/dialogs/common_dialog.h"

#include <QTemporaryFile>
#include <QTest>

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

QString toFilterString(const QList<FileFilter>& filters)
{
    QString text;
    for (const FileFilter& filter : filters)
        text += filter.description + '|' + filter.patterns.join(';') + '|';
    return text;
}

}  // namespace

class TestDialogRules : public QObject {
    Q_OBJECT

private slots:
    void filter_data();
    void filter();
    void chosenName_data();
    void chosenName();
};

// Each filter string with what it reads as, written back in the same form
// ("description|patterns|" a filter); "refused" for InvalidArgument.
void TestDialogRules::filter_data()
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

void TestDialogRules::filter()
{
    QFETCH(QString, filter);
    QFETCH(QString, reads);
    QString got = "refused";
    QCOMPARE(codeOf([&] { got = toFilterString(parseDialogFilter(filter)); }),
             reads == "refused" ? PlatformErrorCode::InvalidArgument : 0);
    QCOMPARE(got, reads);
}

// "FILE" stands for an existing file's path.
void TestDialogRules::chosenName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("spare");  // MaxFileSize less the name's length
    QTest::addColumn<int>("code");
    using namespace PlatformErrorCode;
    const int mustExist = CommonDialogFlags::FileMustExist;
    QTest::newRow("missing, must exist") << "/nonexistent/a.bmp" << mustExist << 1 << int(FileNotFound);
    QTest::newRow("existing, must exist") << "FILE" << mustExist << 1 << 0;
    QTest::newRow("missing, free") << "/nonexistent/a.bmp" << 0 << 1 << 0;
    QTest::newRow("a name as long as MaxFileSize") << "FILE" << 0 << 0 << int(FileNameTooLong);
}

void TestDialogRules::chosenName()
{
    QFETCH(QString, name);
    QFETCH(int, flags);
    QFETCH(int, spare);
    QFETCH(int, code);
    QTemporaryFile file;
    QVERIFY(file.open());
    if (name == "FILE")
        name = file.fileName();
    QCOMPARE(codeOf([&] { checkChosenFileName(name, flags, int(name.size()) + spare); }), code);
}

QTEST_GUILESS_MAIN(TestDialogRules)
#include "tst_dialog_rules.moc"
