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
        if (!password.isEmpty())
            env.insert(QStringLiteral("KV481_MQTT_PASSWORD"), QString::fromUtf8(password));
        return env;
    }
};

QJsonObject json(const QByteArray &payload)
{
    return QJsonDocument::fromJson(payload).object();
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
                   QStringLiteral("--name"), QStringLiteral("bench 1"), QStringLiteral("--port"), meter.device});
        QVERIFY2(sub.waitFor("lab/bench_1/state", 2), qPrintable(p.err()));

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
        QVERIFY2(p.says(QStringLiteral("kv481: MQTT: reconnecting in 2 s (cannot reach 127.0.0.1:%1: Connection refused)")
                            .arg(port)),
                 qPrintable(p.err()));
        QVERIFY(p.err().contains(QStringLiteral("kv481: MQTT: reconnecting in 1 s (cannot reach 127.0.0.1:%1: ").arg(port)));
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
