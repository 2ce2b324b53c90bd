#include "platform/traykind.h"

#include <QDBusConnection>
#include <QDBusInterface>

namespace zn {

namespace {
bool statusNotifierHostOnSessionBus()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusInterface host(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return host.isValid() && host.property("IsStatusNotifierHostRegistered").toBool();
}
} // namespace

bool trayIsStatusNotifier()
{
    static const bool statusNotifier = statusNotifierHostOnSessionBus();
    return statusNotifier;
}

} // namespace zn
