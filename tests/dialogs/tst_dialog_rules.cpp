// The dialog filter string as the dialogs read it, which needs no screen.

#include "platform/dialogs/common_dialog.h"

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

QTEST_GUILESS_MAIN(TestDialogRules)
#include "tst_dialog_rules.moc"
