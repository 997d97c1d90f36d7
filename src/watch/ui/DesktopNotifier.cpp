#include "watch/ui/DesktopNotifier.h"

#include <QTimer>

#ifdef KV_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#endif

namespace kv {

namespace {
const char kService[] = "org.freedesktop.Notifications";
const char kPath[] = "/org/freedesktop/Notifications";
} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("DesktopNotifier"));
}

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

bool DesktopNotifier::show(const QString &key, const QString &summary, const QString &body, Urgency urgency)
{
    Note &n = m_notes[key];
    n.summary = summary;
    n.body = body;
    n.urgency = urgency;
    n.settling = false;
    n.generation = ++m_generations; // a withdrawal on its way is called off
    return send(key);
}

bool DesktopNotifier::settle(const QString &key, const QString &summary, const QString &body)
{
    auto it = m_notes.find(key);
    if (it == m_notes.end())
        return false;
    it->summary = summary;
    it->body = body;
    it->urgency = Urgency::Normal;
    it->settling = true;
    const quint64 generation = it->generation = ++m_generations;
    QTimer::singleShot(m_withdrawMs, this, [this, key, generation] { withdraw(key, generation); });
    return send(key);
}

bool DesktopNotifier::send(const QString &key)
{
#ifdef KV_HAVE_DBUS
    Note &n = m_notes[key];
    if (n.waiting) {
        // Until the service has named the first one, a second would stand
        // beside it instead of replacing it: this goes once it answers.
        n.queued = true;
        return true;
    }
    if (!available()) {
        m_notes.remove(key);
        return false;
    }
    QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                    QLatin1String(kService), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(uchar(n.urgency)));
    // A lost meter stays until seen; a settled one goes by itself too, in
    // case the program is gone before it withdraws it.
    const int expires = n.settling ? m_withdrawMs : -1;
    m << QStringLiteral("KV481") << n.id << QStringLiteral("dialog-warning") << n.summary << n.body << QStringList()
      << hints << expires;
    n.waiting = true;
    // Not waited for: the window never stalls on the desktop.
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(m), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        answered(key, reply.isValid() ? reply.value() : 0);
    });
    return true;
#else
    m_notes.remove(key);
    return false;
#endif
}

void DesktopNotifier::answered(const QString &key, uint id)
{
    auto it = m_notes.find(key);
    if (it == m_notes.end())
        return;
    it->waiting = false;
    if (id != 0)
        it->id = id;
    if (it->queued) {
        it->queued = false;
        send(key);
    } else if (it->settling && it->generation == 0) {
        withdraw(key, 0); // its time ran out while it was on its way
    }
}

void DesktopNotifier::withdraw(const QString &key, quint64 generation)
{
    auto it = m_notes.find(key);
    if (it == m_notes.end() || it->generation != generation)
        return;
    if (it->waiting) {
        it->generation = 0; // withdrawn as soon as the service answers
        return;
    }
    const uint id = it->id;
    m_notes.erase(it);
    if (id == 0)
        return;
#ifdef KV_HAVE_DBUS
    QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                    QLatin1String(kService), QStringLiteral("CloseNotification"));
    m << id;
    QDBusConnection::sessionBus().send(m);
#endif
}

} // namespace kv
