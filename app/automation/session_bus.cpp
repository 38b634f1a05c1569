#include "app/automation/session_bus.h"

#include "app/automation/ink_write_automation.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QFileInfo>
#include <QtGlobal>

namespace {

// The session bus is the one named in the environment, or the user's bus in
// the runtime folder. Without either, libdbus would fall back to launching a
// bus of its own through the X server (dbus-launch), which may hang or print;
// a program that has no bus simply goes without.
bool userHasSessionBus()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

}  // namespace

bool Automation::publish(InkWrite& window, QDBusConnection bus)
{
    if (!bus.isConnected() || !bus.interface())
        return false;
    auto* automation = new InkWriteAutomation(window);
    const QString path = QString::fromLatin1(kObjectPath);
    // The object first, so that whoever sees the name finds the object.
    if (!bus.registerObject(path, automation,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties)) {
        delete automation;
        return false;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        QString::fromLatin1(kService), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(path);
        delete automation;
        return false;
    }
    return true;
}

void Automation::publishOnSessionBus(InkWrite& window)
{
    if (!userHasSessionBus())
        return;
    publish(window, QDBusConnection::sessionBus());
}
