// Reading the common dialog's filter string.

#include "platform/dialogs/common_dialog.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(QList<FileFilter>)

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

class TestDialogFilter : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void manyFilters();
    void anyInputParsesOrIsRefused();
};

void TestDialogFilter::parse_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QList<FileFilter>>("expected");

    const auto ok = [](const char* name, const QString& filter, QList<FileFilter> expected) {
        QTest::newRow(name) << filter << true << expected;
    };
    const auto bad = [](const char* name, const QString& filter) {
        QTest::newRow(name) << filter << false << QList<FileFilter>{};
    };

    ok("empty", "", {});
    ok("only the closing bar", "|", {});
    ok("save filter", "Image File (*.jpg)|*.bmp|", {{"Image File (*.jpg)", {"*.bmp"}}});
    ok("open filter", "Image File (*.jpg;*.gif;*.bmp;*.wmf;*.emf)|*.jpg;*.gif;*.bmp;*.wmf;*.emf|",
       {{"Image File (*.jpg;*.gif;*.bmp;*.wmf;*.emf)",
         {"*.jpg", "*.gif", "*.bmp", "*.wmf", "*.emf"}}});
    ok("no closing bar", "Text|*.txt", {{"Text", {"*.txt"}}});
    ok("two filters", "A|*.a|B|*.b;*.c|", {{"A", {"*.a"}}, {"B", {"*.b", "*.c"}}});
    ok("blanks and empty patterns dropped", "A| *.a ; ;*.b;", {{"A", {"*.a", "*.b"}}});
    ok("separator in a description", "a;b|*.x", {{"a;b", {"*.x"}}});
    ok("Korean", QString::fromUtf8("그림 파일 (*.jpg)|*.jpg|모든 파일|*.*|"),
       {{QString::fromUtf8("그림 파일 (*.jpg)"), {"*.jpg"}},
        {QString::fromUtf8("모든 파일"), {"*.*"}}});

    bad("description alone", "Text");
    bad("description and closing bar", "Text|");
    bad("odd parts", "A|*.a|B");
    bad("two closing bars", "A|*.a||");
    bad("empty pattern list", "A||");
    bad("only separators", "A|;;|");
    bad("only blanks", "A| |");
    bad("empty description", "|*.a|");
    bad("empty second description", "A|*.a||*.b|");
}

void TestDialogFilter::parse()
{
    QFETCH(QString, filter);
    QFETCH(bool, valid);
    QFETCH(QList<FileFilter>, expected);

    if (valid) {
        QCOMPARE(parseDialogFilter(filter), expected);
    } else {
        QCOMPARE(codeOf([&] { parseDialogFilter(filter); }), PlatformErrorCode::InvalidArgument);
    }
}

void TestDialogFilter::manyFilters()
{
    QList<FileFilter> expected;
    for (int i = 0; i < 2000; ++i)
        expected.append({QStringLiteral("Type %1").arg(i),
                         {QStringLiteral("*.t%1").arg(i), QStringLiteral("*.u%1").arg(i)}});
    QCOMPARE(parseDialogFilter(toFilterString(expected)), expected);
}

// Whatever it is given, the parser either refuses with InvalidArgument or
// returns filters that say the same thing again when written back.
void TestDialogFilter::anyInputParsesOrIsRefused()
{
    const QList<QChar> alphabet = {'|', '|', ';', ';', ' ', '*', '.', 'a', QChar(0),
                                   QChar(0xD55C), QChar(0xD800), QChar(0xDC00), '\t'};
    QRandomGenerator random(20240611);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        QString input;
        const int length = random.bounded(12);
        for (int i = 0; i < length; ++i)
            input += alphabet[random.bounded(int(alphabet.size()))];

        QList<FileFilter> filters;
        try {
            filters = parseDialogFilter(input);
        } catch (const PlatformError& error) {
            QCOMPARE(error.code(), PlatformErrorCode::InvalidArgument);
            continue;
        }
        ++accepted;
        for (const FileFilter& filter : filters) {
            QVERIFY(!filter.description.isEmpty());
            QVERIFY(!filter.description.contains('|'));
            QVERIFY(!filter.patterns.isEmpty());
            for (const QString& pattern : filter.patterns) {
                QVERIFY(!pattern.isEmpty());
                QVERIFY(!pattern.contains('|') && !pattern.contains(';'));
                QCOMPARE(pattern, pattern.trimmed());
            }
        }
        QCOMPARE(parseDialogFilter(toFilterString(filters)), filters);
    }
    QVERIFY2(accepted > 100, "the random inputs should not all be refused");
}

QTEST_GUILESS_MAIN(TestDialogFilter)
#include "tst_dialog_filter.moc"
