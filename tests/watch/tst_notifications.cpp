// Desktop notifications over a private session bus: nothing and no warning
// while no notification service is there, and the alarm's words to the
// service once one is.

#include "watch/ui/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QtTest>

namespace {

// A stand-in for the desktop's notification service.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;
public Q_SLOTS:
    uint Notify(const QString &app, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &hints, int)
    {
        received << QStringList{app, summary, body, QString::number(hints.value(QStringLiteral("urgency")).toInt())}
                        .join(QLatin1Char('|'));
        return 1;
    }
};

} // namespace

class TestNotifications : public QObject
{
    Q_OBJECT

    QTemporaryDir m_busDir;
    QProcess m_bus;

private Q_SLOTS:
    void initTestCase()
    {
        // A bus of our own with no service folders: the stock session config would
        // start an installed notification daemon on demand and answer for us.
        QVERIFY(m_busDir.isValid());
        const QString config = m_busDir.filePath(QStringLiteral("session.conf"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                  " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                  "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                  "<auth>EXTERNAL</auth><policy context=\"default\">"
                                  "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                  "<allow own=\"*\"/></policy></busconfig>\n")
                       .arg(m_busDir.path()).toUtf8());
        file.close();
        m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                                                    QStringLiteral("--print-address=1")});
        if (!m_bus.waitForStarted(5000))
            QSKIP("dbus-daemon is not there to give a private session bus");
        QVERIFY(m_bus.waitForReadyRead(5000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        // Before anything asks for the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    }
    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished(3000);
    }

    void silentWithoutAServiceAndHeardWithOne()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(!kv::DesktopNotifier::available());
        QVERIFY(!kv::DesktopNotifier::notify(QStringLiteral("KV481 alarm"), QStringLiteral("Alarm T1"), true));

        QDBusConnection service = QDBusConnection::connectToBus(QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
                                                                QStringLiteral("fake-desktop"));
        QVERIFY(service.isConnected());
        FakeNotifications fake;
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(kv::DesktopNotifier::available());
        QVERIFY(kv::DesktopNotifier::notify(QStringLiteral("KV481 alarm"),
                                            QStringLiteral("Alarm T1: 81.2 \u00B0C above 80.0 \u00B0C"), true));
        QTRY_COMPARE(fake.received.size(), 1);
        QCOMPARE(fake.received.first(), QStringLiteral("KV481|KV481 alarm|Alarm T1: 81.2 \u00B0C above 80.0 \u00B0C|2"));
        service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-desktop"));
    }
};

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
