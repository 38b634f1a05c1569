// The window's operations called over the session bus from a connection of
// their own, as a script would, with the window's event loop running while
// each reply is awaited: each method and its argument types, refused values,
// the page counter, a save whose wait lets other calls in, the name kept by
// its first owner, and the exit.

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

// The reply with the event loop running meanwhile; its error's name, or
// empty for a reply.
QDBusMessage replyOf(QDBusPendingCall call)
{
    if (!QTest::qWaitFor([&] { return call.isFinished(); }, 10000))
        return QDBusMessage::createError(QStringLiteral("test.NoReply"), QStringLiteral("no reply in time"));
    return call.reply();
}
QString errorOf(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString();
}

QVariant readGoCount()
{
    const QDBusMessage reply = replyOf(callAsync(QStringLiteral("Get"), {kInterface, QStringLiteral("goCount")},
                                                 QStringLiteral("org.freedesktop.DBus.Properties")));
    return reply.arguments().value(0).value<QDBusVariant>().variant();
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
// pen then does is the window tests' to check.
void TestAutomation::operations_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<int>("startMode");
    QTest::addColumn<QString>("error");  // empty: a reply
    QTest::addColumn<int>("mode");
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("colour");
    const QVariantList none;
    const QString ok;
    QTest::newRow("cusp erase") << "CuspErase" << none << 1 << ok << 2 << 50.f << 0;
    QTest::newRow("intersection erase") << "IntersectionErase" << none << 1 << ok << 3 << 50.f << 0;
    QTest::newRow("stroke erase") << "StrokeErase" << none << 1 << ok << 4 << 50.f << 0;
    QTest::newRow("ink again") << "Ink" << none << 3 << ok << 1 << 50.f << 0;
    QTest::newRow("mode 9") << "UpdateApplicationMode" << QVariantList{QVariant::fromValue<qint16>(9)} << 1 << ok
                            << 9 << 50.f << 0;
    QTest::newRow("width") << "Pen_Width" << QVariantList{QVariant::fromValue<qint16>(100)} << 1 << ok << 1
                           << 100.f << 0;
    QTest::newRow("colour") << "Color_Select" << QVariantList{QVariant::fromValue<qint32>(0xC0)} << 1 << ok << 1
                            << 50.f << 0xC0;
    QTest::newRow("negative width refused") << "Pen_Width" << QVariantList{QVariant::fromValue<qint16>(-5)} << 1
                                            << "org.tavro.PenWriter.Error.InvalidArgument" << 1 << 50.f << 0;
    QTest::newRow("mode must be int16") << "UpdateApplicationMode" << QVariantList{QVariant::fromValue<qint32>(2)}
                                        << 1 << "org.freedesktop.DBus.Error.UnknownMethod" << 1 << 50.f << 0;
}

void TestAutomation::operations()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, args);
    QFETCH(int, startMode);
    QFETCH(QString, error);
    QFETCH(int, mode);
    QFETCH(float, width);
    QFETCH(int, colour);
    InkWrite& form = *m_f->form;
    form.Pen_Width(InkSettings::kMiddlePen);
    form.Color_Select(QVariant(0));
    form.UpdateApplicationMode(int16_t(startMode));

    const QDBusMessage reply = replyOf(callAsync(method, args));
    QCOMPARE(errorOf(reply), error);
    QCOMPARE(form.applicationMode(), mode);
    QCOMPARE(m_f->collector().DefaultDrawingAttributes().Width(), width);
    QCOMPARE(m_f->collector().DefaultDrawingAttributes().Color(), colour);
    // The remote caller got the failure; the window's own report stays shut.
    QVERIFY(m_f->messageBox.calls().isEmpty());
}

void TestAutomation::pagesSaveAndExit()
{
    InkWrite& form = *m_f->form;
    form.Ink();

    // The page counter as the window holds it, 16-bit, after two new pages.
    QCOMPARE(readGoCount().typeId(), int(QMetaType::Short));
    QCOMPARE(readGoCount().toInt(), 0);
    for (int page = 0; page < 2; ++page) {
        m_f->messageBox.queueAnswer(MessageBoxResult::Yes);
        click(form.imgNew);
    }
    QCOMPARE(readGoCount().toInt(), 2);

    // A colour from outside, then a stroke with it; Clear takes the ink but
    // is no new page.
    QCOMPARE(errorOf(replyOf(callAsync("Color_Select", {QVariant::fromValue<qint32>(0x0000C0)}))), QString());
    m_f->drag({QPoint(100, 100), QPoint(200, 120), QPoint(300, 100)});
    const InkStrokes strokes = m_f->ink().Strokes();
    QCOMPARE(strokes.Count(), 1);
    QCOMPARE(strokes.Item(0).DrawingAttributes().Color(), 0x0000C0);
    QCOMPARE(errorOf(replyOf(callAsync("Clear"))), QString());
    QCOMPARE(m_f->ink().strokeCount(), 0);
    QCOMPARE(readGoCount().toInt(), 2);

    // While a modal box waits for its answer the window takes no call, as it
    // takes no click.
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Tavro Pen Writer"), QStringLiteral("?"),
                        QMessageBox::Ok, &form);
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &box);
        QCOMPARE(errorOf(replyOf(callAsync("CuspErase"))), QStringLiteral("org.tavro.PenWriter.Error.Busy"));
        QCOMPARE(form.applicationMode(), InkSettings::kModeInk);
    }

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
    QCOMPARE(errorOf(cusp->reply()), QString());
    QCOMPARE(form.applicationMode(), InkSettings::kModeCuspErase);
    QCOMPARE(errorOf(replyOf(save)), QString());
    QCOMPARE(m_f->messageBox.calls().size(), 3);
    QCOMPARE(m_f->messageBox.calls().last().text, QStringLiteral("저장중 오류가 발생하였습니다."));

    // A second instance does not get the name, nor take it over.
    QVERIFY(!Automation::publish(form, QDBusConnection::connectToBus(QDBusConnection::SessionBus, "second")));
    QCOMPARE(client().interface()->serviceOwner(QString::fromLatin1(Automation::kService)).value(),
             QDBusConnection::sessionBus().baseService());

    // The exit answers before the program ends; the unloaded window takes no
    // more calls.
    QSignalSpy unloaded(&form, &InkWrite::Unloaded);
    QCOMPARE(errorOf(replyOf(callAsync("Exit_Rtn"))), QString());
    QVERIFY(form.isUnloaded());
    QVERIFY(!m_f->collector().Enabled());
    QCOMPARE(unloaded.size(), 1);
    QCOMPARE(errorOf(replyOf(callAsync("Ink"))), QStringLiteral("org.tavro.PenWriter.Error.Unloaded"));
}

TAVRO_WINDOW_TEST_MAIN(TestAutomation)
#include "tst_automation.moc"
