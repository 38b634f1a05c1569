// The window's operations called over the session bus from a connection of
// their own, as a script would, with the window's event loop running while
// each reply is awaited: each method and its argument types, refused values,
// the page counter, a modal box's refusal, a save whose wait lets other calls
// in, the name kept by its first owner, and the exit.

#include "tests/app_ink/ink_fixture.h"

#include "app/automation/ink_write_automation.h"
#include "app/automation/session_bus.h"
#include "app/ink/ink_settings.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

namespace {
const QString kInterface = QString::fromLatin1(Automation::kInterface);

QDBusConnection client()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
}

QDBusPendingCall callAsync(const QString& method, const QVariantList& args = {}, const QString& iface = kInterface)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromLatin1(Automation::kService), QString::fromLatin1(Automation::kObjectPath), iface, method);
    message.setArguments(args);
    return client().asyncCall(message);
}

// The reply, awaited with the window's event loop running; its error's name,
// or empty for a reply.
QDBusMessage replyOf(QDBusPendingCall call)
{
    return QTest::qWaitFor([&] { return call.isFinished(); }, 10000) ? call.reply() : QDBusMessage();
}
QString errorOf(QDBusPendingCall call)
{
    const QDBusMessage reply = replyOf(call);
    return reply.type() == QDBusMessage::ReplyMessage ? QString()
           : reply.type() == QDBusMessage::ErrorMessage ? reply.errorName()
                                                        : QStringLiteral("no reply");
}
}  // namespace

class TestAutomation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void operations_data();
    void operations();
    void pagesSaveAndExit();

private:
    std::unique_ptr<InkFixture> m_f;
};

void TestAutomation::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    m_f = std::make_unique<InkFixture>();
    QVERIFY(m_f->show());
    QVERIFY(Automation::publish(*m_f->form, QDBusConnection::sessionBus()));
    QVERIFY(client().isConnected());
}

// Each method reaches the window with its arguments' types; what a mode or a
// pen then does is the window tests' to check. Each row starts in mode 7 with
// the middle pen, colour 0 and a stroke on the page.
void TestAutomation::operations_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("error");  // empty: a reply
    QTest::addColumn<QList<int>>("after");  // mode, width, colour, strokes
    const QVariantList none;
    const QString ok;
    QTest::newRow("cusp erase") << "CuspErase" << none << ok << QList<int>{2, 50, 0, 1};
    QTest::newRow("intersection erase") << "IntersectionErase" << none << ok << QList<int>{3, 50, 0, 1};
    QTest::newRow("stroke erase") << "StrokeErase" << none << ok << QList<int>{4, 50, 0, 1};
    QTest::newRow("ink") << "Ink" << none << ok << QList<int>{1, 50, 0, 1};
    QTest::newRow("clear") << "Clear" << none << ok << QList<int>{7, 50, 0, 0};
    const QVariant mode9 = QVariant::fromValue<qint16>(9), width = QVariant::fromValue<qint16>(100);
    QTest::newRow("mode 9") << "UpdateApplicationMode" << QVariantList{mode9} << ok << QList<int>{9, 50, 0, 1};
    QTest::newRow("width") << "Pen_Width" << QVariantList{width} << ok << QList<int>{7, 100, 0, 1};
    QTest::newRow("colour") << "Color_Select" << QVariantList{QVariant::fromValue<qint32>(0xC0)} << ok
                            << QList<int>{7, 50, 0xC0, 1};
    const QList<int> unchanged{7, 50, 0, 1};
    QTest::newRow("negative width refused") << "Pen_Width" << QVariantList{QVariant::fromValue<qint16>(-5)}
                                            << "org.tavro.PenWriter.Error.InvalidArgument" << unchanged;
    QTest::newRow("mode must be int16") << "UpdateApplicationMode" << QVariantList{QVariant::fromValue<qint32>(2)}
                                        << "org.freedesktop.DBus.Error.UnknownMethod" << unchanged;
    // While a modal box waits for its answer the window takes no call, as it takes no click.
    QTest::newRow("busy under a modal box") << "CuspErase" << none << "org.tavro.PenWriter.Error.Busy" << unchanged;
}

void TestAutomation::operations()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, args);
    QFETCH(QString, error);
    QFETCH(QList<int>, after);
    InkWrite& form = *m_f->form;
    form.Pen_Width(InkSettings::kMiddlePen);
    form.Color_Select(QVariant(0));
    form.UpdateApplicationMode(7);
    if (m_f->ink().strokeCount() == 0)
        m_f->addStroke({QPoint(100, 100), QPoint(200, 120)});

    QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("?"), QMessageBox::Ok, &form);
    if (error.endsWith("Busy")) {
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &box);
    }
    QCOMPARE(errorOf(callAsync(method, args)), error);
    const InkDrawingAttributes& pen = m_f->collector().DefaultDrawingAttributes();
    QCOMPARE((QList<int>{form.applicationMode(), int(pen.Width()), pen.Color(), int(m_f->ink().strokeCount())}),
             after);
    // The remote caller got the failure; the window's own report stays shut.
    QVERIFY(m_f->messageBox.calls().isEmpty());
}

void TestAutomation::pagesSaveAndExit()
{
    InkWrite& form = *m_f->form;
    form.Ink();

    // The page counter as the window holds it, 16-bit.
    form.goCount = 3;
    const QDBusMessage count = replyOf(callAsync(QStringLiteral("Get"), {kInterface, QStringLiteral("goCount")},
                                                 QStringLiteral("org.freedesktop.DBus.Properties")));
    const QVariant goCount = count.arguments().value(0).value<QDBusVariant>().variant();
    QCOMPARE(goCount.typeId(), int(QMetaType::Short));
    QCOMPARE(goCount.toInt(), 3);

    // A save's one-second wait lets another call in, and the save's reply
    // comes when the save has ended (here with its own message: no converter).
    QTemporaryDir dir;
    m_f->drag({QPoint(100, 100), QPoint(300, 100)});
    sendMouse(form.imgSave, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(20, 20));
    m_f->dialogs.queueFileName(dir.filePath(QStringLiteral("page")));
    m_f->messageBox.queueAnswer(MessageBoxResult::Ok);
    QDBusPendingCall save = callAsync("End_Rtn");
    std::unique_ptr<QDBusPendingCallWatcher> cusp;
    bool saveEndedFirst = true;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (cusp || m_f->dialogs.shown().isEmpty())
            return;
        // The save has shown its dialog and waits.
        cusp = std::make_unique<QDBusPendingCallWatcher>(callAsync("CuspErase"));
        connect(cusp.get(), &QDBusPendingCallWatcher::finished, this, [&] { saveEndedFirst = save.isFinished(); });
    });
    poll.start(10);
    QTRY_VERIFY(cusp && cusp->isFinished());
    QVERIFY(!saveEndedFirst);
    QCOMPARE(errorOf(*cusp), QString());
    QCOMPARE(form.applicationMode(), InkSettings::kModeCuspErase);
    QCOMPARE(errorOf(save), QString());
    QCOMPARE(m_f->messageBox.calls().size(), 1);
    QCOMPARE(m_f->messageBox.calls().last().text, QStringLiteral("저장중 오류가 발생하였습니다."));

    // A second instance does not get the name, nor take it over.
    QVERIFY(!Automation::publish(form, QDBusConnection::connectToBus(QDBusConnection::SessionBus, "second")));
    QCOMPARE(client().interface()->serviceOwner(QString::fromLatin1(Automation::kService)).value(),
             QDBusConnection::sessionBus().baseService());

    // The exit answers before the program ends; the unloaded window takes no
    // more calls.
    QSignalSpy unloaded(&form, &InkWrite::Unloaded);
    QCOMPARE(errorOf(callAsync("Exit_Rtn")), QString());
    QVERIFY(form.isUnloaded());
    QVERIFY(!m_f->collector().Enabled());
    QCOMPARE(unloaded.size(), 1);
    QCOMPARE(errorOf(callAsync("Ink")), QStringLiteral("org.tavro.PenWriter.Error.Unloaded"));
}

TAVRO_WINDOW_TEST_MAIN(TestAutomation)
#include "tst_automation.moc"
