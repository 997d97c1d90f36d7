// Desktop notifications over a private session bus: nothing and no warning
// while no notification service is there, and the alarm's words to the
// service once one is. In the window, one notification per alarm that
// follows it (replaced when it clears, then withdrawn), acknowledging, and
// the reminder that acknowledging stops.

#include "session/LiveSample.h"
#include "watch/ui/DesktopNotifier.h"
#include "watch/ui/WatchController.h"

#include "support/LinkRig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QStatusBar>
#include <QtTest>

namespace {

// A stand-in for the desktop's notification service.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received; // app|summary|body|urgency|replaced id
    QList<uint> closed;
    uint last = 0;
public Q_SLOTS:
    uint Notify(const QString &app, uint replaces, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &hints, int)
    {
        received << QStringList{app, summary, body, QString::number(hints.value(QStringLiteral("urgency")).toInt()),
                                QString::number(replaces)}
                        .join(QLatin1Char('|'));
        return replaces ? replaces : ++last;
    }
    void CloseNotification(uint id) { closed << id; }
};

kv::LiveSample sample(double t1)
{
    kv::LiveSample s;
    s.reading.t1 = t1;
    s.reading.unit1 = QStringLiteral("C");
    s.meter.model = 481;
    s.fresh = true;
    return s;
}

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
        kv::DesktopNotifier notifier;
        QVERIFY(!notifier.show(QStringLiteral("T1 high"), QStringLiteral("KV481 alarm"), QStringLiteral("Alarm T1"),
                               kv::DesktopNotifier::Urgency::Normal));

        FakeNotifications fake;
        QVERIFY(registerFake(fake));
        QVERIFY(kv::DesktopNotifier::available());
        QVERIFY(notifier.show(QStringLiteral("T1 high"), QStringLiteral("KV481 alarm"),
                              QStringLiteral("Alarm T1: 81.2 \u00B0C above 80.0 \u00B0C"),
                              kv::DesktopNotifier::Urgency::Normal));
        QTRY_COMPARE(fake.received.size(), 1);
        QCOMPARE(fake.received.first(), QStringLiteral("KV481|KV481 alarm|Alarm T1: 81.2 \u00B0C above 80.0 \u00B0C|1|0"));
        unregisterFake();
    }

    // One notification per alarm: a crossing is of normal urgency, comes
    // again with the reminder under the same id until acknowledged, and is
    // replaced by its clearing, then withdrawn; a lost meter is critical.
    void notificationFollowsTheAlarmUntilAcknowledged()
    {
        FakeNotifications fake;
        QVERIFY(registerFake(fake));
        kv::test::LinkRig rig(481);
        rig.connect();
        QMainWindow window;
        kv::WatchController w(rig.link, rig.clock, window.statusBar(), {});
        w.notifier()->setWithdrawMs(100);
        kv::WatchOptions o;
        o.alarms[kv::AlarmChannel::T1].high = {true, 80.0};
        o.reminderMinutes = 1;
        w.setOptions(o);

        w.onFrame(sample(85.0));
        QTRY_COMPARE(fake.received.size(), 1);
        QCOMPARE(fake.received.at(0), QStringLiteral("KV481|KV481 alarm|Alarm T1: 85.0 \u00B0C above 80.0 \u00B0C|1|0"));
        QVERIFY(w.statusLabel()->styleSheet().contains(QLatin1String("#c00000")));
        QVERIFY(w.reminding());
        w.setReminderMinuteMs(40); // a minute of 40 ms
        QTRY_VERIFY(w.remindersSent() >= 1);
        QTRY_VERIFY(fake.received.size() >= 2);
        QVERIFY(fake.received.at(1).endsWith(QLatin1String("|1|1"))); // the same box again

        // Tab reaches the alarm; Space there acknowledges, as a click does.
        QVERIFY(w.statusLabel()->focusPolicy() & Qt::TabFocus);
        QTest::keyClick(w.statusLabel(), Qt::Key_Space);
        QCOMPARE(w.acknowledge(), 0); // nothing left to acknowledge
        QVERIFY(!w.reminding());
        QVERIFY(w.statusLabel()->text().endsWith(QLatin1String("(acknowledged)")));
        QVERIFY(w.statusLabel()->styleSheet().contains(QLatin1String("#e0a000")));
        QVERIFY(!w.log()->text(0, kv::AlarmLogModel::AcknowledgedAt).isEmpty());
        QTest::qWait(100); // what was on its way arrives
        const int reminders = w.remindersSent();
        const qsizetype sent = fake.received.size();
        QTest::qWait(150);
        QCOMPARE(w.remindersSent(), reminders);
        QCOMPARE(fake.received.size(), sent);

        w.onFrame(sample(70.0));
        QTRY_COMPARE(fake.received.size(), sent + 1);
        QCOMPARE(fake.received.last(), QStringLiteral("KV481|KV481 alarm cleared|T1 back below 80.0 \u00B0C|1|1"));
        QTRY_COMPARE(fake.closed, QList<uint>{1});
        QVERIFY(w.statusLabel()->styleSheet().isEmpty()); // no alarm on

        // Fired again after it cleared: a new alarm, nobody has seen it.
        w.onFrame(sample(86.0));
        QVERIFY(w.reminding());
        QVERIFY(!w.acknowledged(w.watch().activeAlarms().first()));
        const auto sentWith = [&fake](const char *text) {
            return !fake.received.filter(QString::fromUtf8(text)).isEmpty();
        };
        QTRY_VERIFY(sentWith("|Alarm T1: 86.0 \u00B0C above 80.0 \u00B0C|1|0"));

        w.onConnectionChanged(false);
        QTRY_VERIFY(sentWith("KV481|KV481 alarm|Alarm: the meter stopped answering|2|0"));
        w.onConnectionChanged(true);
        QTRY_VERIFY(sentWith("KV481|KV481 alarm cleared|The meter answers again|1|3"));
        unregisterFake();
    }

private:
    bool registerFake(FakeNotifications &fake)
    {
        QDBusConnection service = QDBusConnection::connectToBus(QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
                                                                QStringLiteral("fake-desktop"));
        return service.isConnected()
            && service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                      QDBusConnection::ExportAllSlots)
            && service.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    void unregisterFake()
    {
        QDBusConnection service(QStringLiteral("fake-desktop"));
        service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-desktop"));
    }
};

QTEST_MAIN(TestNotifications)
#include "tst_notifications.moc"
