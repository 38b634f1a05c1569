// The scripted stand-ins that the window's tests use: they must record what
// the code under test asked, answer as scripted, apply the real dialog's
// rules, and refuse loudly when the script runs out.

#include "platform/dialogs/scripted_common_dialog.h"
#include "platform/dialogs/scripted_dialog_error.h"
#include "platform/dialogs/scripted_message_box.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {

using Kind = ScriptedCommonDialogFactory::Kind;

struct Outcome {
    int code = 0;  // 0: returned normally, -1: a fault in the script
    QString fileName;
};

Outcome run(CommonDialog& dialog, Kind kind)
{
    try {
        kind == Kind::Open ? dialog.ShowOpen() : dialog.ShowSave();
    } catch (const PlatformError& error) {
        return {error.code(), dialog.FileName};
    } catch (const ScriptedDialogError&) {
        return {-1, dialog.FileName};
    }
    return {0, dialog.FileName};
}

}  // namespace

class TestScriptedDialogs : public QObject {
    Q_OBJECT

private slots:
    void messageBoxRecordsAndAnswersInOrder();
    void messageBoxRefusesWhatNoUserCouldDo_data();
    void messageBoxRefusesWhatNoUserCouldDo();

    void commonDialogRecordsWhatWasShown();
    void commonDialogAnswersInOrder();
    void commonDialogAppliesTheRealRules_data();
    void commonDialogAppliesTheRealRules();
    void commonDialogOutlivesItsFactory();
};

void TestScriptedDialogs::messageBoxRecordsAndAnswersInOrder()
{
    QWidget window;
    ScriptedMessageBoxService box;
    box.queueAnswer(MessageBoxResult::No);
    box.queueAnswer(MessageBoxResult::Yes);
    box.queueAnswer(MessageBoxResult::Ok);

    const QString question = QString::fromUtf8("정말로 종료하시겠습니까 ?");
    QCOMPARE(box.show(&window, question, MessageBoxStyle::YesNo), MessageBoxResult::No);
    QCOMPARE(box.show(&window, question, MessageBoxStyle::YesNo), MessageBoxResult::Yes);
    QCOMPARE(box.show(nullptr, QStringLiteral("notice"), MessageBoxStyle::Information),
             MessageBoxResult::Ok);

    QCOMPARE(box.calls().size(), 3);
    QCOMPARE(box.calls()[0].parent, &window);
    QCOMPARE(box.calls()[0].text, question);
    QCOMPARE(box.calls()[2].parent, nullptr);
    QCOMPARE(box.calls()[2].text, QStringLiteral("notice"));
    QCOMPARE(box.calls()[2].style, MessageBoxStyle::Information);
    QCOMPARE(box.pendingAnswers(), 0);
    QCOMPARE(box.unexpectedCalls(), 0);
}

void TestScriptedDialogs::messageBoxRefusesWhatNoUserCouldDo_data()
{
    QTest::addColumn<QList<int>>("queued");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("isScriptFault");  // else an InvalidArgument like the real box

    using namespace MessageBoxStyle;
    using namespace MessageBoxResult;
    QTest::newRow("nothing queued") << QList<int>{} << YesNo << true;
    QTest::newRow("OK from a question") << QList<int>{Ok} << YesNo << true;
    QTest::newRow("Yes from a notice") << QList<int>{Yes} << Information << true;
    QTest::newRow("unknown style") << QList<int>{Ok} << 0 << false;
}

void TestScriptedDialogs::messageBoxRefusesWhatNoUserCouldDo()
{
    QFETCH(QList<int>, queued);
    QFETCH(int, style);
    QFETCH(bool, isScriptFault);

    ScriptedMessageBoxService box;
    for (const int answer : queued)
        box.queueAnswer(answer);
    if (isScriptFault) {
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("Scripted message box"));
        QVERIFY_THROWS_EXCEPTION(ScriptedDialogError, box.show(nullptr, QStringLiteral("q"), style));
        QCOMPARE(box.unexpectedCalls(), 1);
    } else {
        try {
            box.show(nullptr, QStringLiteral("q"), style);
            QFAIL("an unknown style must be refused");
        } catch (const PlatformError& error) {
            QCOMPARE(error.code(), PlatformErrorCode::InvalidArgument);
        }
        QCOMPARE(box.unexpectedCalls(), 0);
    }
    // A refused call takes no answer away from the next one.
    QCOMPARE(box.pendingAnswers(), queued.size());
}

void TestScriptedDialogs::commonDialogRecordsWhatWasShown()
{
    QWidget window;
    ScriptedCommonDialogFactory factory;
    factory.queueCancel();
    factory.queueFileName(QString());

    auto save = factory.create(&window);
    save->Flags = 4;
    save->FileName = QStringLiteral("tavropen07");
    save->Filter = QStringLiteral("Image File (*.jpg)|*.bmp|");
    save->DialogTitle = QStringLiteral("Tavro Pen Writer");
    save->MaxFileSize = 10000;
    QCOMPARE(run(*save, Kind::Save).code, PlatformErrorCode::DialogCancel);
    // A second show of the same object sees the properties as they are then.
    save->Flags = 0x80400;
    save->FileName.clear();
    QCOMPARE(run(*save, Kind::Open).code, 0);

    QCOMPARE(factory.createdDialogs(), 1);
    QCOMPARE(factory.shown().size(), 2);
    const auto& first = factory.shown()[0];
    QCOMPARE(first.parent, &window);
    QCOMPARE(first.kind, Kind::Save);
    QCOMPARE(first.Flags, 4);
    QCOMPARE(first.FileName, QStringLiteral("tavropen07"));
    QCOMPARE(first.Filter, QStringLiteral("Image File (*.jpg)|*.bmp|"));
    QCOMPARE(first.DialogTitle, QStringLiteral("Tavro Pen Writer"));
    QCOMPARE(first.MaxFileSize, 10000);
    const auto& second = factory.shown()[1];
    QCOMPARE(second.kind, Kind::Open);
    QCOMPARE(second.Flags, 0x80400);
    QCOMPARE(second.FileName, QString());
}

void TestScriptedDialogs::commonDialogAnswersInOrder()
{
    ScriptedCommonDialogFactory factory;
    factory.queueFileName(QStringLiteral("/tmp/page.bmp"));
    factory.queueFailure(PlatformErrorCode::InvalidState, QStringLiteral("no display"));
    factory.queueCancel();

    // The queue is shared by every dialog the factory makes.
    QCOMPARE(run(*factory.create(nullptr), Kind::Save).fileName, QStringLiteral("/tmp/page.bmp"));
    auto second = factory.create(nullptr);
    second->FileName = QStringLiteral("kept");
    QCOMPARE(run(*second, Kind::Open).code, PlatformErrorCode::InvalidState);
    QCOMPARE(second->FileName, QStringLiteral("kept"));
    QCOMPARE(run(*second, Kind::Open).code, PlatformErrorCode::DialogCancel);
    QCOMPARE(second->FileName, QStringLiteral("kept"));

    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("no answer queued"));
    QCOMPARE(run(*second, Kind::Open).code, -1);
    QCOMPARE(factory.unexpectedShows(), 1);
    QCOMPARE(factory.shown().size(), 4);
}

void TestScriptedDialogs::commonDialogAppliesTheRealRules_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("maxFileSize");
    QTest::addColumn<QString>("answer");  // "@" stands for the test folder
    QTest::addColumn<int>("expectedCode");
    QTest::addColumn<bool>("shown");

    using namespace PlatformErrorCode;
    const QString any = QStringLiteral("Any|*.*|");
    QTest::newRow("fits") << 0 << any << 16 << QStringLiteral("123456789012345") << 0 << true;
    QTest::newRow("too long") << 0 << any << 15 << QStringLiteral("123456789012345")
                              << int(FileNameTooLong) << true;
    QTest::newRow("missing name returned") << 0x80400 << any << 10000 << QStringLiteral("@/none.jpg")
                                           << 0 << true;
    QTest::newRow("missing name refused") << 0x1000 << any << 10000 << QStringLiteral("@/none.jpg")
                                          << int(FileNotFound) << true;
    QTest::newRow("existing name") << 0x1000 << any << 10000 << QStringLiteral("@/here.jpg") << 0
                                   << true;
    QTest::newRow("folder is no file") << 0x1000 << any << 10000 << QStringLiteral("@") << int(FileNotFound)
                                       << true;
    QTest::newRow("length checked first") << 0x1000 << any << 5 << QStringLiteral("@/none.jpg")
                                          << int(FileNameTooLong) << true;
    QTest::newRow("empty name always passes") << 0x1000 << any << 1 << QString() << 0 << true;
    // Characters, not bytes: five Hangul syllables are 15 bytes of UTF-8.
    QTest::newRow("counted in characters") << 0 << any << 6 << QString::fromUtf8("가나다라마") << 0
                                           << true;
    QTest::newRow("bad filter") << 0 << QStringLiteral("Any|") << 10000 << QStringLiteral("x")
                                << int(InvalidArgument) << false;
    QTest::newRow("bad size") << 0 << any << 0 << QStringLiteral("x") << int(InvalidArgument)
                              << false;
}

void TestScriptedDialogs::commonDialogAppliesTheRealRules()
{
    QFETCH(int, flags);
    QFETCH(QString, filter);
    QFETCH(int, maxFileSize);
    QFETCH(QString, answer);
    QFETCH(int, expectedCode);
    QFETCH(bool, shown);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile here(folder.filePath(QStringLiteral("here.jpg")));
    QVERIFY(here.open(QIODevice::WriteOnly));
    here.close();
    answer.replace('@', folder.path());

    ScriptedCommonDialogFactory factory;
    factory.queueFileName(answer);
    auto dialog = factory.create(nullptr);
    dialog->Flags = flags;
    dialog->Filter = filter;
    dialog->MaxFileSize = maxFileSize;
    dialog->FileName = QStringLiteral("before");

    const Outcome outcome = run(*dialog, Kind::Open);
    QCOMPARE(outcome.code, expectedCode);
    QCOMPARE(outcome.fileName, expectedCode ? QStringLiteral("before") : answer);
    QCOMPARE(factory.shown().size(), shown ? 1 : 0);
    QCOMPARE(factory.pendingAnswers(), shown ? 0 : 1);  // refused settings take no answer
}

void TestScriptedDialogs::commonDialogOutlivesItsFactory()
{
    std::unique_ptr<CommonDialog> dialog;
    {
        ScriptedCommonDialogFactory factory;
        factory.queueFileName(QStringLiteral("late.bmp"));
        dialog = factory.create(nullptr);
    }
    QCOMPARE(run(*dialog, Kind::Save).fileName, QStringLiteral("late.bmp"));
}

QTEST_MAIN(TestScriptedDialogs)
#include "tst_scripted_dialogs.moc"
