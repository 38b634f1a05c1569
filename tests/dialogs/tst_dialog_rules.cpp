// The dialog rules that need no screen: reading the filter string, and the
// scripted stand-ins that the window's tests answer dialogs with.

#include "platform/dialogs/common_dialog.h"
#include "platform/dialogs/scripted_common_dialog.h"
#include "platform/dialogs/scripted_dialog_error.h"
#include "platform/dialogs/scripted_message_box.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
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
    void anyFilterParsesOrIsRefused();
    void scriptedStandIns();
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

// Whatever it is given, the parser refuses with InvalidArgument or returns
// clean filters that parse to themselves again when written back.
void TestDialogRules::anyFilterParsesOrIsRefused()
{
    const QList<QChar> alphabet = {'|', '|', ';', ';', ' ', '*', 'a', QChar(0), QChar(0xD55C), QChar(0xD800)};
    QRandomGenerator random(20240611);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        QString input;
        for (int i = random.bounded(12); i > 0; --i)
            input += alphabet[random.bounded(int(alphabet.size()))];
        QList<FileFilter> filters;
        if (codeOf([&] { filters = parseDialogFilter(input); }) != 0)
            continue;
        ++accepted;
        for (const FileFilter& filter : filters) {
            QVERIFY(!filter.description.isEmpty() && !filter.patterns.isEmpty());
            for (const QString& pattern : filter.patterns)
                QVERIFY(!pattern.isEmpty() && pattern == pattern.trimmed() && !pattern.contains(';'));
        }
        QCOMPARE(parseDialogFilter(toFilterString(filters)), filters);
    }
    QVERIFY(accepted > 100);
}

// Other tests lean on this contract: record every show, answer in queue
// order, apply the real dialog's rules, and fail loudly on a broken script.
void TestDialogRules::scriptedStandIns()
{
    using namespace MessageBoxResult;
    ScriptedMessageBoxService box;
    box.queueAnswer(No);
    box.queueAnswer(Yes);
    QCOMPARE(box.show(nullptr, "q", MessageBoxStyle::YesNo), No);
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("cannot come from style 64"));
    QVERIFY_THROWS_EXCEPTION(ScriptedDialogError, box.show(nullptr, "n", MessageBoxStyle::Information));
    QCOMPARE(box.show(nullptr, "q", MessageBoxStyle::YesNo), Yes);  // the refused call took nothing
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("no answer queued"));
    QVERIFY_THROWS_EXCEPTION(ScriptedDialogError, box.show(nullptr, "q", MessageBoxStyle::YesNo));
    QCOMPARE(box.unexpectedCalls(), 2);
    QVERIFY(box.calls().size() == 4 && box.calls()[1].text == "n" && box.calls()[1].style == 64);

    QTemporaryDir dir;
    std::unique_ptr<CommonDialog> open;
    {
        ScriptedCommonDialogFactory factory;
        factory.queueFileName(dir.filePath("missing.bmp"));
        factory.queueFileName("123456789");
        factory.queueCancel();
        open = factory.create(nullptr);
        open->FileName = "kept";
        open->Flags = CommonDialogFlags::FileMustExist;
        QCOMPARE(codeOf([&] { open->ShowOpen(); }), PlatformErrorCode::FileNotFound);
        open->MaxFileSize = 9;  // room for 8 characters
        QCOMPARE(codeOf([&] { open->ShowOpen(); }), PlatformErrorCode::FileNameTooLong);
        QVERIFY(factory.pendingAnswers() == 1 && factory.shown().size() == 2);
    }
    // A dialog outlives its factory and still answers from its script.
    QCOMPARE(codeOf([&] { open->ShowOpen(); }), PlatformErrorCode::DialogCancel);
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("no answer queued"));
    QVERIFY_THROWS_EXCEPTION(ScriptedDialogError, open->ShowOpen());
    QCOMPARE(open->FileName, "kept");
}

QTEST_GUILESS_MAIN(TestDialogRules)
#include "tst_dialog_rules.moc"
