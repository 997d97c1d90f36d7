// kv481 publish as a shell runs it, against the emulator and a real
// Mosquitto broker: what reaches the broker, the last will when the program
// is killed, and the lines it leaves on the standard error.

#include "support/MqttBroker.h"
#include "support/MqttSubscriber.h"
#include "support/ShellRun.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace kv::test;

namespace {

// kv481 publish in the background, with the broker's password in its
// environment when one is given.
class Publish : public Kv481Process
{
public:
    explicit Publish(const QStringList &args, const QByteArray &password = QByteArray())
        : Kv481Process(QStringList{QStringLiteral("publish")} + args, environment(password))
    {
    }

private:
    static QProcessEnvironment environment(const QByteArray &password)
    {
        QProcessEnvironment env = kv481Environment();
        env.remove(QStringLiteral("KV481_MQTT_PASSWORD"));
        // The outboxes of this test's programs, never the user's.
        static QTemporaryDir data;
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        if (!password.isEmpty())
            env.insert(QStringLiteral("KV481_MQTT_PASSWORD"), QString::fromUtf8(password));
        return env;
    }
};

QJsonObject json(const QByteArray &payload)
{
    return QJsonDocument::fromJson(payload).object();
}

QDateTime timeOf(const Received &m)
{
    return QDateTime::fromString(json(m.payload).value("time").toString(), Qt::ISODateWithMs);
}

} // namespace

class TestKv481Publish : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readingsReachTheBroker()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber sub(broker.port(), QStringLiteral("sub"), {QStringLiteral("lab/#")});
        QVERIFY(sub.ready());
        Emulator meter({QStringLiteral("--steady"), QStringLiteral("1500,-21.5")});
        QVERIFY(!meter.device.isEmpty());
        Publish p({QStringLiteral("--broker"), broker.url(), QStringLiteral("--topic-prefix"), QStringLiteral("lab"),
                   QStringLiteral("--name"), QStringLiteral("bench 1"), QStringLiteral("--port"), meter.device,
                   QStringLiteral("--retain-state")});
        QVERIFY2(sub.waitFor("lab/bench_1/state", 2), qPrintable(p.err()));
        // Kept by the broker for whoever comes later.
        MqttSubscriber late(broker.port(), QStringLiteral("late"), {QStringLiteral("lab/bench_1/state")});
        QVERIFY(late.waitFor("lab/bench_1/state", 1));
        QVERIFY(late.messages().first().retained);

        // The emulator's reading, field by field: T1 overloaded.
        const QByteArray payload = sub.messages("lab/bench_1/state").first().payload;
        const QJsonObject o = json(payload);
        const QDateTime t = QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs);
        QVERIFY2(t.isValid() && qAbs(t.secsTo(QDateTime::currentDateTime())) < 600, payload.constData());
        QVERIFY2(QRegularExpression(QStringLiteral("[+-]\\d\\d:\\d\\d$")).match(o.value("time").toString()).hasMatch(),
                 payload.constData());
        QCOMPARE(o.value("model").toInt(), 482);
        QCOMPARE(o.value("unit").toString(), QStringLiteral("C"));
        QVERIFY(o.contains("t1") && o.value("t1").isNull());
        QCOMPARE(o.value("t1_ol").toBool(), true);
        QCOMPARE(o.value("t2").toDouble(), -21.5);
        QCOMPARE(o.value("t2_ol").toBool(), false);
        QVERIFY(o.contains("t1_t2") && o.value("t1_t2").isNull());
        QCOMPARE(o.value("hold").toBool(), false);
        QCOMPARE(sub.last("lab/bench_1/availability"), QByteArray("online"));
        QVERIFY(p.err().contains(QLatin1String("kv481: MQTT: connected")));

        // Interrupted: "offline" said cleanly, and a clean exit.
        p.signal(SIGTERM);
        QVERIFY(p.finished());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(sub.waitFor("lab/bench_1/availability", 2));
        QCOMPARE(sub.last("lab/bench_1/availability"), QByteArray("offline"));
    }

    void killedProgramLeavesItsWill()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber sub(broker.port(), QStringLiteral("sub"), {QStringLiteral("kv481/+/availability")});
        QVERIFY(sub.ready());
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481")});
        Publish p({QStringLiteral("--broker"), broker.url(), QStringLiteral("--name"), QStringLiteral("oven"),
                   QStringLiteral("--port"), meter.device});
        QVERIFY(sub.waitFor("kv481/oven/availability", 1));
        QCOMPARE(sub.last("kv481/oven/availability"), QByteArray("online"));
        p.signal(SIGKILL);
        QVERIFY(p.finished());
        QVERIFY(sub.waitFor("kv481/oven/availability", 2));
        QCOMPARE(sub.last("kv481/oven/availability"), QByteArray("offline"));
    }

    void killedDuringAnOutageLosesNothing()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber sub(broker.port(), QStringLiteral("archive"), {QStringLiteral("kv481/oven/state")}, true);
        QVERIFY(sub.ready());
        Emulator meter({});
        const QStringList args{QStringLiteral("--broker"), broker.url(), QStringLiteral("--name"), QStringLiteral("oven"),
                               QStringLiteral("--port"), meter.device};
        auto p = std::make_unique<Publish>(args);
        QVERIFY2(sub.waitFor("kv481/oven/state", 2), qPrintable(p->err()));
        // A second program on the same outbox (another port, the same name)
        // is refused, saying why.
        Emulator other({});
        Publish twin(args.mid(0, 5) + QStringList{other.device});
        QVERIFY(twin.finished());
        QCOMPARE(twin.exitCode(), 1);
        QVERIFY2(twin.err().contains(QLatin1String("is publishing this meter to this broker")), qPrintable(twin.err()));

        broker.stop();
        const QDateTime down = QDateTime::currentDateTime();
        QVERIFY2(p->says(QStringLiteral("MQTT: reconnecting in")), qPrintable(p->err()));
        QTest::qWait(4000);
        const QDateTime killed = QDateTime::currentDateTime();
        p->signal(SIGKILL);
        QVERIFY(p->finished());
        QVERIFY(broker.start());
        p = std::make_unique<Publish>(args);
        QVERIFY2(p->says(QStringLiteral("MQTT: connected")), qPrintable(p->err()));
        QVERIFY(QTest::qWaitFor([&] { return timeOf(sub.messages().last()) > killed.addSecs(2); }, 20000));

        // In order (a repeat only of the one the broker took as it went), and
        // a reading for every second of the outage until the kill.
        const QList<Received> all = sub.messages();
        for (int i = 1; i < all.size(); ++i)
            QVERIFY2(timeOf(all[i]) >= timeOf(all[i - 1]), all[i].payload.constData());
        QDateTime last = down.addSecs(-2);
        for (const Received &m : all) {
            const QDateTime t = timeOf(m);
            if (t < down.addSecs(-2) || t > killed.addSecs(-1))
                continue;
            QVERIFY2(last.msecsTo(t) < 2500, qPrintable(t.toString(Qt::ISODateWithMs)));
            last = t;
        }
        QVERIFY(last.secsTo(killed) < 3);
    }

    void expiredCertificateEndsTheProgram()
    {
        MqttBroker broker({QString(), QString(), true, true});
        QVERIFY(broker.start());
        Emulator meter({});
        Publish p({QStringLiteral("--broker"), broker.url(), QStringLiteral("--ca"), broker.caFile(),
                   QStringLiteral("--port"), meter.device});
        QVERIFY(p.finished());
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.err().trimmed().split(QLatin1Char('\n')).last(),
                 QStringLiteral("kv481: MQTT: the broker's certificate is refused: certificate has expired"));
    }

    void refusedLoginEndsWithOneLine()
    {
        MqttBroker broker({QStringLiteral("meter"), QStringLiteral("right"), false});
        QVERIFY(broker.start());
        Emulator meter({});
        QTemporaryDir dir;
        const QString pw = dir.filePath(QStringLiteral("pw"));
        writeFileBytes(pw, "wrong\n");
        Publish p({QStringLiteral("--broker"), broker.url(), QStringLiteral("--port"), meter.device,
                   QStringLiteral("--user"), QStringLiteral("meter"), QStringLiteral("--password-file"), pw},
                  "right"); // the file counts, not the environment
        QVERIFY(p.finished());
        QCOMPARE(p.exitCode(), 1);
        const QStringList lines = p.err().trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.last(),
                 QStringLiteral("kv481: MQTT: not authorised: the broker refused user \"meter\" and its password"));

        // The password from the environment.
        Publish q({QStringLiteral("--broker"), broker.url(), QStringLiteral("--port"), meter.device,
                   QStringLiteral("--user"), QStringLiteral("meter")},
                  "right");
        QVERIFY2(q.says(QStringLiteral("kv481: MQTT: connected")), qPrintable(q.err()));

        // From the environment without a user: refused, with the reason.
        Publish r({QStringLiteral("--broker"), broker.url(), QStringLiteral("--port"), meter.device}, "right");
        QVERIFY(r.finished());
        QCOMPARE(r.exitCode(), 2);
        QVERIFY2(r.err().contains(QLatin1String("KV481_MQTT_PASSWORD is set but no user is given")), qPrintable(r.err()));
    }

    void unreachableBrokerIsRetried()
    {
        int port = 0;
        {
            MqttBroker gone; // a free port, with nobody on it
            port = gone.port();
        }
        Emulator meter({});
        Publish p({QStringLiteral("--broker"), QStringLiteral("mqtt://127.0.0.1:%1").arg(port), QStringLiteral("--port"),
                   meter.device});
        const QRegularExpression attempt(QStringLiteral("kv481: MQTT: reconnecting in (\\d) s(, \\d+ waiting)? \\(cannot "
                                                        "reach 127.0.0.1:%1: Connection refused\\)\n").arg(port));
        QVERIFY2(QTest::qWaitFor([&] { return p.err().count(attempt) >= 2; }, 20000), qPrintable(p.err()));
        QStringList delays;
        for (const QRegularExpressionMatch &m : attempt.globalMatch(p.err()))
            delays << m.captured(1);
        QCOMPARE(delays.mid(0, 2), (QStringList{"1", "2"}));
        // Each attempt is not announced again.
        QCOMPARE(p.err().count(QLatin1String("MQTT: connecting")), 1);
        p.signal(SIGINT);
        QVERIFY(p.finished());
        QCOMPARE(p.exitCode(), 0);
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("line");
        QTest::newRow("no broker") << QStringList{} << "kv481: publish needs --broker mqtt://HOST[:PORT]";
        QTest::newRow("scheme") << QStringList{QStringLiteral("--broker"), QStringLiteral("tcp://h")}
                                << "kv481: publish: the broker is given as mqtt://HOST[:PORT] or mqtts://HOST[:PORT], "
                                   "not \"tcp://h\"";
        QTest::newRow("interval") << QStringList{QStringLiteral("--broker"), QStringLiteral("mqtt://h"),
                                                 QStringLiteral("--interval"), QStringLiteral("0")}
                                  << "kv481: publish: --interval takes whole seconds from 1 to 3660";
        QTest::newRow("prefix") << QStringList{QStringLiteral("--broker"), QStringLiteral("mqtt://h"),
                                               QStringLiteral("--topic-prefix"), QStringLiteral("a/#")}
                                << "kv481: publish: the topic prefix \"a/#\" may not hold '+' or '#' nor start or end "
                                   "with '/'";
        QTest::newRow("$SYS") << QStringList{QStringLiteral("--broker"), QStringLiteral("mqtt://h"),
                                             QStringLiteral("--topic-prefix"), QStringLiteral("$SYS/kv")}
                              << "kv481: publish: the topic prefix \"$SYS/kv\" may not start a level with '$': the "
                                 "broker keeps such topics for itself and refuses every reading";
        QTest::newRow("ca") << QStringList{QStringLiteral("--broker"), QStringLiteral("mqtts://h"), QStringLiteral("--ca"),
                                           QStringLiteral("/nonexistent/ca.crt")}
                            << "kv481: publish: the CA file /nonexistent/ca.crt cannot be read";
        QTest::newRow("password file") << QStringList{QStringLiteral("--broker"), QStringLiteral("mqtt://h"),
                                                      QStringLiteral("--user"), QStringLiteral("u"),
                                                      QStringLiteral("--password-file"), QStringLiteral("/nonexistent/pw")}
                                       << "kv481: publish: the password file /nonexistent/pw cannot be read: No such "
                                          "file or directory";
    }
    void badArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, line);
        Publish p(args);
        QVERIFY(p.finished());
        QCOMPARE(p.exitCode(), 2);
        QCOMPARE(p.err(), line + QLatin1Char('\n'));
    }
};

QTEST_GUILESS_MAIN(TestKv481Publish)
#include "tst_kv481_publish.moc"
