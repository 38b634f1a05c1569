// The real message box on QMessageBox, driven as a user would drive it, and
// Qt's translations of its buttons.

#include "modal_driver.h"

#include "platform/dialogs/message_box.h"
#include "platform/dialogs/qt_translations.h"
#include "platform/platform_error.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

namespace {

enum class Press { Yes, No, Ok, Escape, Return, Close };

// What the box looked like when the driver reached it.
struct Seen {
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString text;
    Qt::TextFormat textFormat = Qt::AutoText;
    QString yesText;
};

void press(QMessageBox* box, Press how)
{
    switch (how) {
    case Press::Yes: box->button(QMessageBox::Yes)->click(); break;
    case Press::No: box->button(QMessageBox::No)->click(); break;
    case Press::Ok: box->button(QMessageBox::Ok)->click(); break;
    case Press::Escape: QTest::keyClick(box, Qt::Key_Escape); break;
    case Press::Return: QTest::keyClick(box, Qt::Key_Return); break;
    case Press::Close: box->close(); break;
    }
}

// Shows a box, looks at it and presses as told; returns the service's answer.
int showAndPress(const QString& text, int style, Press how, Seen* seen, QWidget* parent = nullptr)
{
    ModalDriver driver;
    driver.then<QMessageBox>([&](QMessageBox* box) {
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        *seen = {box->windowTitle(), box->icon(), box->standardButtons(),
                 box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton,
                 label ? label->text() : QString(), label ? label->textFormat() : Qt::AutoText,
                 box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->text() : QString()};
        press(box, how);
    });
    QtMessageBoxService service;
    const int result = service.show(parent, text, style);
    if (!driver.finished() || !driver.problems().isEmpty())
        qWarning() << "driver" << driver.finished() << driver.problems();
    return driver.finished() && driver.problems().isEmpty() ? result : -1;
}

}  // namespace

Q_DECLARE_METATYPE(Press)

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void textIsNeverMarkup();
    void modalToItsParent();
    void unknownStyleShowsNothing_data();
    void unknownStyleShowsNothing();
    void buttonsSpeakTheDesktopsLanguage();
};

void TestMessageBox::answers_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<Press>("press");
    QTest::addColumn<int>("expected");

    using namespace MessageBoxStyle;
    using namespace MessageBoxResult;
    QTest::newRow("question: Yes") << YesNo << Press::Yes << Yes;
    QTest::newRow("question: No") << YesNo << Press::No << No;
    QTest::newRow("question: Escape means No") << YesNo << Press::Escape << No;
    QTest::newRow("question: closing means No") << YesNo << Press::Close << No;
    QTest::newRow("question: Return takes Yes") << YesNo << Press::Return << Yes;
    QTest::newRow("notice: OK") << Information << Press::Ok << Ok;
    QTest::newRow("notice: Escape") << Information << Press::Escape << Ok;
    QTest::newRow("notice: Return") << Information << Press::Return << Ok;
}

void TestMessageBox::answers()
{
    QFETCH(int, style);
    QFETCH(Press, press);
    QFETCH(int, expected);

    Seen seen;
    const QString text = QString::fromUtf8("정말로 종료하시겠습니까 ?");
    QCOMPARE(showAndPress(text, style, press, &seen), expected);

    QCOMPARE(seen.title, QStringLiteral("Tavro Pen Writer"));
    QCOMPARE(seen.text, text);
    if (style == MessageBoxStyle::YesNo) {
        QCOMPARE(seen.icon, QMessageBox::NoIcon);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(seen.defaultButton, QMessageBox::Yes);
    } else {
        QCOMPARE(seen.icon, QMessageBox::Information);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

// Messages may carry a failure's own words, which must not become markup.
void TestMessageBox::textIsNeverMarkup()
{
    Seen seen;
    const QString text = QStringLiteral("<b>cannot open</b> a&b <img src=x>");
    QCOMPARE(showAndPress(text, MessageBoxStyle::Information, Press::Ok, &seen),
             MessageBoxResult::Ok);
    QCOMPARE(seen.textFormat, Qt::PlainText);
    QCOMPARE(seen.text, text);
}

void TestMessageBox::modalToItsParent()
{
    QWidget window;
    window.show();
    QWidget* parentSeen = nullptr;
    ModalDriver driver;
    driver.then<QMessageBox>([&](QMessageBox* box) {
        parentSeen = box->parentWidget();
        box->button(QMessageBox::No)->click();
    });
    QtMessageBoxService service;
    QCOMPARE(service.show(&window, QStringLiteral("?"), MessageBoxStyle::YesNo), MessageBoxResult::No);
    QVERIFY(driver.finished());
    QCOMPARE(parentSeen, &window);
}

void TestMessageBox::unknownStyleShowsNothing_data()
{
    QTest::addColumn<int>("style");
    for (const int style : {0, 3, 5, 36, 65, -4})
        QTest::addRow("style %d", style) << style;
}

void TestMessageBox::unknownStyleShowsNothing()
{
    QFETCH(int, style);
    ModalDriver driver;  // no steps: any box that appears is a problem
    QtMessageBoxService service;
    try {
        service.show(nullptr, QStringLiteral("x"), style);
        QFAIL("an unknown style must be refused");
    } catch (const PlatformError& error) {
        QCOMPARE(error.code(), PlatformErrorCode::InvalidArgument);
    }
    QVERIFY(driver.problems().isEmpty());
}

void TestMessageBox::buttonsSpeakTheDesktopsLanguage()
{
    QCOMPARE(installQtTranslations(*qApp, QLocale(QLocale::Zulu)), nullptr);

    QTranslator* korean = installQtTranslations(*qApp, QLocale(QLocale::Korean, QLocale::SouthKorea));
    QVERIFY(korean);
    QCOMPARE(korean->parent(), qApp);
    Seen seen;
    QCOMPARE(showAndPress(QStringLiteral("?"), MessageBoxStyle::YesNo, Press::Yes, &seen),
             MessageBoxResult::Yes);
    QVERIFY2(seen.yesText.contains(QString::fromUtf8("예")), qPrintable(seen.yesText));

    QCoreApplication::removeTranslator(korean);
    delete korean;
    QCOMPARE(showAndPress(QStringLiteral("?"), MessageBoxStyle::YesNo, Press::Yes, &seen),
             MessageBoxResult::Yes);
    QCOMPARE(seen.yesText, QStringLiteral("&Yes"));
}

QTEST_MAIN(TestMessageBox)
#include "tst_message_box.moc"
