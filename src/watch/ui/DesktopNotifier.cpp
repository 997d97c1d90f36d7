#include "watch/ui/DesktopNotifier.h"

#ifdef KV_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>
#endif

namespace kv {

namespace {
const char kService[] = "org.freedesktop.Notifications";
const char kPath[] = "/org/freedesktop/Notifications";
} // namespace

bool DesktopNotifier::available()
{
#ifdef KV_HAVE_DBUS
    // Asked each time: a desktop may start its service after the program.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(QLatin1String(kService)).value()
        || bus.interface()->activatableServiceNames().value().contains(QLatin1String(kService));
#else
    return false;
#endif
}

bool DesktopNotifier::notify(const QString &summary, const QString &body, bool urgent)
{
#ifdef KV_HAVE_DBUS
    if (!available())
        return false;
    QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                    QLatin1String(kService), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(urgent ? 2 : 1));
    m << QStringLiteral("KV481") << uint(0) << QStringLiteral("dialog-warning") << summary << body << QStringList()
      << hints << int(-1);
    // Not waited for: the window never stalls on the desktop.
    return QDBusConnection::sessionBus().send(m);
#else
    Q_UNUSED(summary);
    Q_UNUSED(body);
    Q_UNUSED(urgent);
    return false;
#endif
}

} // namespace kv
