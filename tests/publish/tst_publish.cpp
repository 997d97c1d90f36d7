// The publisher against a real Mosquitto broker: what a reading looks like
// on the wire, what the broker keeps, outages, refused logins and TLS.

#include "common/DateTime.h"
#include "common/IniDocument.h"
#include "link/LiveFrame.h"
#include "publish/MqttPublisher.h"
#include "publish/MqttSession.h"
#include "publish/Outbox.h"
#include "publish/PublishQueue.h"

#include "MeterEmulator.h"
#include "support/MqttBroker.h"
#include "support/MqttSubscriber.h"
#include "support/SmallDisk.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

using namespace kv;
using namespace kv::test;

namespace {

// The emulator's live frame, decoded as the link decodes it.
Reading emulatorReading(int model, double t1, double t2, const std::function<void(emu::MeterEmulator &)> &keys = {})
{
    emu::Options o;
    o.model = model;
    emu::MeterEmulator meter(o);
    meter.setTemperatures(t1, t2);
    if (keys)
        keys(meter);
    const emu::Bytes bytes = meter.liveFrame();
    Frame f{};
    std::copy(bytes.begin(), bytes.begin() + 10, f.begin());
    FrameDecoder d;
    d.dispatchFrame(f, model);
    return d.reading();
}

QJsonObject json(const QByteArray &payload)
{
    QJsonParseError e{};
    const QJsonDocument d = QJsonDocument::fromJson(payload, &e);
    if (e.error != QJsonParseError::NoError)
        qWarning() << "not JSON:" << payload;
    return d.object();
}

// Readings numbered by their time: second n of a fixed day.
QDateTime nth(int n)
{
    return QDateTime(QDate(2026, 12, 9), QTime(0, 0), Qt::OffsetFromUTC, 3600).addSecs(n);
}

PublisherConfig configFor(const MqttBroker &broker, const QString &meter = QStringLiteral("desk"))
{
    PublishOptions o;
    o.broker = broker.url();
    o.meterName = meter;
    PublisherConfig c;
    QString error;
    if (!makePublisherConfig(o, QString(), QStringLiteral("9.9"), c, &error))
        qWarning() << error;
    return c;
}

bool waitForState(MqttPublisher &p, PublisherState s, int ms = 20000)
{
    return QTest::qWaitFor([&] { return p.state() == s; }, ms);
}

} // namespace

class TestPublish : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(MqttBroker::program()), "mosquitto is not installed (scripts/setup installs it)");
        // The outboxes go to this test's own data folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    }

    void readingMessage()
    {
        // Two channels, the first overloaded: null with its flag, and no
        // difference.
        Reading r = emulatorReading(482, 1500.0, -21.5, [](emu::MeterEmulator &m) { m.setLowBattery(true); });
        QJsonObject o = json(stateMessage(r, 482, nth(1)));
        QCOMPARE(o.value("time").toString(), QStringLiteral("2026-12-09T00:00:01.000+01:00"));
        QCOMPARE(o.value("model").toInt(), 482);
        QCOMPARE(o.value("unit").toString(), QStringLiteral("C"));
        QVERIFY(o.contains("t1") && o.value("t1").isNull());
        QCOMPARE(o.value("t1_ol").toBool(), true);
        QCOMPARE(o.value("t2").toDouble(), -21.5);
        QCOMPARE(o.value("t2_ol").toBool(), false);
        QVERIFY(o.contains("t1_t2") && o.value("t1_t2").isNull());
        QCOMPARE(o.value("hold").toBool(), false);
        QCOMPARE(o.value("low_battery").toBool(), true);
        QVERIFY(o.value("max_min").isNull());

        // Both in range: the difference to the tenth, without binary noise.
        r = emulatorReading(482, 23.5, 21.2);
        const QByteArray text = stateMessage(r, 482, nth(2));
        o = json(text);
        QCOMPARE(o.value("t1").toDouble(), 23.5);
        QCOMPARE(o.value("t2").toDouble(), 21.2);
        QVERIFY2(text.contains("\"t1_t2\":2.3,"), text.constData());
        QCOMPARE(o.value("t1_ol").toBool(), false);

        // One channel: no second temperature at all.
        r = emulatorReading(481, -45.3, 0);
        o = json(stateMessage(r, 481, nth(3)));
        QCOMPARE(o.value("model").toInt(), 481);
        QCOMPARE(o.value("t1").toDouble(), -45.3);
        QVERIFY(!o.contains("t2") && !o.contains("t1_t2"));
    }

    void readingTimeWhenTheClockGoesBack()
    {
        // 02:30 is there twice on the night summer time ends in Berlin; each
        // reading of the present keeps the offset in force when it was taken.
        const QByteArray tz = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        const double wall = toDateTimeDouble(QDate(2026, 10, 25), QTime(2, 30));
        const QDateTime firstPass = QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC);
        const QDateTime secondPass = firstPass.addSecs(3600);
        const QDateTime a = readingTime(wall, firstPass.addMSecs(40));
        const QDateTime b = readingTime(wall, secondPass.addMSecs(40));
        const QString summer = isoTimeWithOffset(a), winter = isoTimeWithOffset(b);
        // Readings of another time than now (a replayed clock) keep their own.
        const int replayed = readingTime(toDateTimeDouble(QDate(2026, 7, 1), QTime(12, 0)), secondPass).offsetFromUtc();
        if (tz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", tz);
        tzset();
        QCOMPARE(summer, QStringLiteral("2026-10-25T02:30:00.000+02:00"));
        QCOMPARE(winter, QStringLiteral("2026-10-25T02:30:00.000+01:00"));
        QCOMPARE(a.toUTC(), firstPass);
        QCOMPARE(b.toUTC(), secondPass);
        QCOMPARE(replayed, 7200);
    }

    void namesAndAddresses()
    {
        QCOMPARE(topicLevel(QStringLiteral(" lab/oven #2+ ")), QStringLiteral("lab_oven__2_"));
        QCOMPARE(meterNameForPort(QStringLiteral("/tmp/x/kv481-meter")), QStringLiteral("kv481-meter"));
        QCOMPARE(meterNameForPort(QStringLiteral("/dev/pts/3")), QStringLiteral("pts_3"));
        QCOMPARE(stateTopic(QStringLiteral("kv481"), QStringLiteral("desk")), QByteArray("kv481/desk/state"));

        // Meters named in another script keep discovery ids, and topics, of
        // their own, made of what Home Assistant accepts.
        const QRegularExpression idChars(QStringLiteral("^[A-Za-z0-9_-]+$"));
        QSet<QString> ids;
        QSet<QByteArray> topics;
        for (const QString &name : {QStringLiteral("Кухня"), QStringLiteral("Печка"), QStringLiteral("oven_2"),
                                    QStringLiteral("Küche")}) {
            for (const MqttMessage &m : discoveryMessages(QStringLiteral("kv481"), name, 481, QStringLiteral("C"),
                                                          QString())) {
                if (m.payload.isEmpty())
                    continue; // the withdrawal of a second channel
                const QString id = json(m.payload).value("unique_id").toString();
                QVERIFY2(idChars.match(id).hasMatch(), qPrintable(id));
                ids << id;
                topics << m.topic;
            }
        }
        QCOMPARE(ids.size(), 4);
        QCOMPARE(topics.size(), 4);
        QVERIFY(ids.contains(QStringLiteral("kv481_oven_2_t1")));
        // The same name under other prefixes: meters of their own too.
        for (const QString &prefix : {QStringLiteral("lab1"), QStringLiteral("lab/2")})
            for (const MqttMessage &m : discoveryMessages(prefix, QStringLiteral("oven_2"), 481, QStringLiteral("C"),
                                                          QString()))
                if (!m.payload.isEmpty()) {
                    const QString id = json(m.payload).value("unique_id").toString();
                    QVERIFY2(idChars.match(id).hasMatch(), qPrintable(id));
                    ids << id;
                    topics << m.topic;
                }
        QCOMPARE(ids.size(), 6);
        QCOMPARE(topics.size(), 6);

        BrokerAddress a;
        QVERIFY(BrokerAddress::parse(QStringLiteral("mqtt://broker.lan"), a, nullptr));
        QCOMPARE(a.port, 1883);
        QVERIFY(!a.tls);
        QVERIFY(BrokerAddress::parse(QStringLiteral("mqtts://10.0.0.2:8884"), a, nullptr));
        QVERIFY(a.tls);
        QCOMPARE(a.port, 8884);
        QString error;
        QVERIFY(!BrokerAddress::parse(QStringLiteral("http://broker.lan"), a, &error));
        QVERIFY(error.contains(QLatin1String("mqtt://HOST")));
        QVERIFY(!BrokerAddress::parse(QStringLiteral("mqtt://broker.lan:0"), a, &error));
        QVERIFY(!BrokerAddress::parse(QStringLiteral("mqtt://user:pw@broker.lan"), a, &error));
    }

    void passwordSources()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("pw"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("s3cret\r\nsecond line\n");
        f.close();
        QByteArray pw;
        QString error;
        qputenv("KV481_MQTT_PASSWORD", "from-env");
        QVERIFY(readBrokerPassword(file, pw, &error));
        QCOMPARE(pw, QByteArray("s3cret"));
        QVERIFY(readBrokerPassword(QString(), pw, &error));
        QCOMPARE(pw, QByteArray("from-env"));
        qunsetenv("KV481_MQTT_PASSWORD");
        QVERIFY(!readBrokerPassword(dir.filePath(QStringLiteral("missing")), pw, &error));
        QVERIFY(error.contains(QLatin1String("missing")));
        // Others may read it: used, with a word.
        QString warning;
        QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
        QVERIFY(readBrokerPassword(file, pw, &error, &warning) && pw == "s3cret");
        QVERIFY2(warning.contains(QLatin1String("can be read by other users")), qPrintable(warning));
        // A password from the environment with no user would go nowhere.
        qputenv("KV481_MQTT_PASSWORD", "from-env");
        PublishOptions o;
        o.broker = QStringLiteral("mqtt://h");
        PublisherConfig c;
        QVERIFY(!makePublisherConfig(o, QString(), QString(), c, &error));
        qunsetenv("KV481_MQTT_PASSWORD");
        QVERIFY2(error.startsWith(QLatin1String("KV481_MQTT_PASSWORD is set but no user is given")), qPrintable(error));
    }

    void optionsInTheirSection()
    {
        PublishOptions o;
        o.enabled = true;
        o.broker = QStringLiteral("mqtts://b:8883");
        o.meterName = QStringLiteral("oven 2");
        o.passwordFile = QStringLiteral("/etc/kv481/pw");
        o.retainState = true;
        IniDocument doc = IniDocument::parse("[Link]\nModel=481\n");
        o.write(doc);
        const QByteArray text = doc.serialize();
        QVERIFY(text.startsWith("[Link]\nModel=481\n"));
        QCOMPARE(PublishOptions::read(IniDocument::parse(text)), o);
        QVERIFY(!text.contains("assword=")); // a password file's name, never a password
    }

    void queueKeepsOrderAndBound()
    {
        PublishQueue q(5);
        for (int i = 1; i <= 3; ++i)
            q.push({QByteArray("t"), QByteArray::number(i), false});
        q.markHanded(11);
        q.markHanded(12);
        q.markHanded(13);
        // The broker answers the second first: nothing leaves before the first.
        QVERIFY(q.acknowledge(12));
        QCOMPARE(q.size(), 3);
        QVERIFY(!q.acknowledge(99));
        QVERIFY(q.acknowledge(11));
        QCOMPARE(q.size(), 1);
        // A broken connection: what was not acknowledged goes out again first.
        q.push({QByteArray("t"), QByteArray("4"), false});
        q.connectionLost();
        QCOMPARE(q.handedOut(), 0);
        QCOMPARE(q.nextWaiting().payload, QByteArray("3"));
        // Out-of-turn acknowledgements are not sent twice.
        q.markHanded(21);
        q.markHanded(22);
        QVERIFY(q.acknowledge(22));
        q.connectionLost();
        QCOMPARE(q.size(), 1);
        QCOMPARE(q.nextWaiting().payload, QByteArray("3"));
        // Full: the oldest waiting reading gives way, the handed one stays.
        q.markHanded(31);
        for (int i = 5; i <= 9; ++i)
            q.push({QByteArray("t"), QByteArray::number(i), false});
        QCOMPARE(q.size(), 5);
        QCOMPARE(q.dropped(), qint64(1));
        QVERIFY(q.acknowledge(31));
        QCOMPARE(q.nextWaiting().payload, QByteArray("6"));
        QVERIFY(PublishQueue::kDefaultCapacity >= 86400);
    }

    void backoff()
    {
        QList<int> delays{MqttSession::kFirstRetrySeconds};
        while (delays.size() < 9)
            delays << MqttSession::nextDelay(delays.last());
        QCOMPARE(delays, (QList<int>{1, 2, 4, 8, 16, 30, 30, 30, 30}));
        for (int i = 0; i < 50; ++i) {
            const int ms = MqttSession::jitteredMs(30);
            QVERIFY2(ms > 22000 && ms <= 30000, qPrintable(QString::number(ms)));
        }
    }

    void topicsTheBrokerRefuses_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("$SYS") << "$SYS" << "desk" << "may not start a level with '$'";
        QTest::newRow("$ inside") << "lab/$x" << "desk" << "may not start a level with '$'";
        QTest::newRow("$ name") << "kv481" << "$desk" << "may not start with '$'";
        QTest::newRow("control") << "ctl\x01x" << "desk" << "control characters";
        QTest::newRow("too long") << "kv481" << QString(70000, QLatin1Char('n'))
                                  << "make a topic of 70037 bytes; MQTT allows at most 65535";
    }
    void topicsTheBrokerRefuses()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        PublishOptions o;
        o.broker = QStringLiteral("mqtt://127.0.0.1");
        o.topicPrefix = prefix;
        o.meterName = name;
        PublisherConfig c;
        QString error;
        QVERIFY(!makePublisherConfig(o, QString(), QString(), c, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    void outboxKeepsOrderThroughRestartsAndBound()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("o.sqlite"));
        const auto payloads = [](PublishQueue &q, int n) {
            QStringList out;
            for (int i = 0; i < n && q.hasWaiting(); ++i) {
                out << QString::fromLatin1(q.nextWaiting().payload);
                q.markHanded(1000 + i);
            }
            return out;
        };
        {
            Outbox box;
            QVERIFY(box.open(path, nullptr));
            // One program at a time: a second is told who holds it.
            Outbox other;
            QString error;
            QVERIFY(!other.open(path, &error));
            QVERIFY2(error.contains(QLatin1String("is publishing this meter to this broker")), qPrintable(error));
            PublishQueue q(1200);
            q.attach(&box);
            // More than are held in memory: the rest waits on disk in turn.
            for (int i = 1; i <= 1203; ++i)
                q.push({QByteArray("t"), QByteArray::number(i), false});
            QCOMPARE(q.dropped(), qint64(3));
            QCOMPARE(payloads(q, 2), (QStringList{"4", "5"}));
            QVERIFY(q.acknowledge(1000));
            q.flush();
        } // stopped, or killed: the outbox is all there is
        Outbox box;
        QVERIFY(box.open(path, nullptr));
        PublishQueue q(1200);
        q.attach(&box);
        QCOMPARE(q.size(), 1199);
        const QStringList all = payloads(q, 2000);
        QCOMPARE(all.size(), 1199);
        QCOMPARE(all.first(), QStringLiteral("5"));
        for (int i = 1; i < all.size(); ++i)
            QCOMPARE(all[i].toInt(), all[i - 1].toInt() + 1);
    }

    void outboxOnAFullDiskKeepsOrderAndSaysSo()
    {
        SmallDisk disk(16 * 1024 * 1024); // room for the write-ahead log
        KV_REQUIRE_SMALL_DISK(disk);
        int n = 0;
        {
            Outbox box;
            QVERIFY(box.open(disk.path("o.sqlite"), nullptr));
            PublishQueue q;
            q.attach(&box);
            // More than memory holds, so some wait on disk when it fills up,
            // and the log's pages already there take some more.
            while (n < PublishQueue::kLoadBatch + 20)
                q.push({QByteArray("t"), QByteArray::number(++n), false});
            QVERIFY(disk.fill());
            while (q.unstored() < 3 && n < 20000)
                q.push({QByteArray("t"), QByteArray::number(++n), false});
            QVERIFY(q.storeFailing() && box.lastError().contains(QLatin1String("full")));
            disk.empty();
            q.push({QByteArray("t"), QByteArray::number(++n), false});
            QCOMPARE(q.unstored(), 0);
        }
        // Stored in the order taken, those the full disk refused at first too.
        Outbox box;
        QVERIFY(box.open(disk.path("o.sqlite"), nullptr));
        PublishQueue q;
        q.attach(&box);
        for (int i = 1; i <= n; ++i) {
            QVERIFY(q.hasWaiting());
            QCOMPARE(q.nextWaiting().payload.toInt(), i);
            q.markHanded(i);
        }
        QVERIFY(!q.hasWaiting());
    }

    void damagedOrNewerOutboxIsRefusedUntouched()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("o.sqlite"));
        QVERIFY(Outbox().open(path, nullptr));
        // The format number SQLite keeps at byte 60 of the file.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(60) && f.write(QByteArray("\0\0\0\x09", 4)) == 4 && f.seek(0));
        Outbox box;
        QString error;
        QVERIFY(!box.open(path, &error));
        QVERIFY2(error.contains(QLatin1String("written by a newer version of this program (format 9")), qPrintable(error));
        QVERIFY(f.write(QByteArray(100, 'x')) == 100 && f.flush());
        QVERIFY(!box.open(path, &error));
        QVERIFY2(error.contains(QLatin1String("is damaged (file is not a database): move it away")), qPrintable(error));
        QCOMPARE((f.seek(0), f.read(100)), QByteArray(100, 'x'));
    }

    void retainedDiscoveryAndAvailability()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttPublisher p;
        p.start(configFor(broker));
        QVERIFY(waitForState(p, PublisherState::Connected));
        QCOMPARE(p.statusText(), QStringLiteral("MQTT: connected"));
        // The reading arrives after the configurations it brings along, so
        // once it is in, they are at the broker.
        {
            MqttSubscriber early(broker.port(), QStringLiteral("early"), {QStringLiteral("kv481/desk/state")});
            QVERIFY(early.ready());
            p.publishReading(emulatorReading(482, 23.4, 21.7), 482, nth(1));
            QVERIFY(early.waitFor("kv481/desk/state", 1));
        }

        // Whoever subscribes later still learns of the meter and its state.
        {
            MqttSubscriber late(broker.port(), QStringLiteral("late"),
                                {QStringLiteral("homeassistant/#"), QStringLiteral("kv481/desk/availability")});
            QVERIFY(late.ready());
            QVERIFY(late.waitFor("homeassistant/sensor/kv481_desk_t2/config", 1));
            QVERIFY(late.waitFor("kv481/desk/availability", 1));
            const QList<Received> all = late.messages();
            for (const Received &r : all)
                QVERIFY2(r.retained, r.topic.constData());
            QCOMPARE(late.last("kv481/desk/availability"), QByteArray("online"));
            const QJsonObject c = json(late.last("homeassistant/sensor/kv481_desk_t1/config"));
            QCOMPARE(c.value("state_topic").toString(), QStringLiteral("kv481/desk/state"));
            QCOMPARE(c.value("value_template").toString(), QStringLiteral("{{ value_json.t1 }}"));
            QCOMPARE(c.value("unit_of_measurement").toString(), QStringLiteral("°C"));
            QCOMPARE(c.value("device_class").toString(), QStringLiteral("temperature"));
            QCOMPARE(c.value("availability_topic").toString(), QStringLiteral("kv481/desk/availability"));
            QCOMPARE(c.value("unique_id").toString(), QStringLiteral("kv481_desk_t1"));
            QCOMPARE(c.value("default_entity_id").toString(), QStringLiteral("sensor.kv481_desk_t1"));
            QVERIFY(!c.contains("object_id"));
            QCOMPARE(c.value("device").toObject().value("model").toString(), QStringLiteral("482"));
        }

        // The meter stops answering, then the program ends: both are told.
        MqttSubscriber watch(broker.port(), QStringLiteral("watch"), {QStringLiteral("kv481/desk/availability")});
        QVERIFY(watch.ready());
        QVERIFY(watch.waitFor("kv481/desk/availability", 1));
        p.setMeterOnline(false);
        QVERIFY(watch.waitFor("kv481/desk/availability", 2));
        QCOMPARE(watch.last("kv481/desk/availability"), QByteArray("offline"));
        p.setMeterOnline(true);
        QVERIFY(watch.waitFor("kv481/desk/availability", 3));
        QCOMPARE(watch.last("kv481/desk/availability"), QByteArray("online"));
        p.stop();
        QVERIFY(watch.waitFor("kv481/desk/availability", 4));
        QCOMPARE(watch.last("kv481/desk/availability"), QByteArray("offline"));
        QCOMPARE(p.statusText(), QStringLiteral("MQTT: off"));
    }

    void anotherModelUnderTheSameName()
    {
        // A two-channel meter, then a one-channel one under the same name:
        // Home Assistant is not left with a second sensor nothing feeds.
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttPublisher p;
        p.start(configFor(broker));
        QVERIFY(waitForState(p, PublisherState::Connected));
        {
            MqttSubscriber early(broker.port(), QStringLiteral("early"), {QStringLiteral("kv481/desk/state")});
            QVERIFY(early.ready());
            p.publishReading(emulatorReading(482, 23.4, 21.7), 482, nth(1));
            p.publishReading(emulatorReading(481, 23.4, 0), 481, nth(2));
            // The configurations go before the reading they come with.
            QVERIFY(early.waitFor("kv481/desk/state", 2));
        }
        // The broker answers a connection's subscriptions in turn, each with
        // what it keeps: once availability is in, a kept configuration
        // would have come before it.
        MqttSubscriber late(broker.port(), QStringLiteral("late"),
                            {QStringLiteral("homeassistant/sensor/kv481_desk_t2/config"),
                             QStringLiteral("homeassistant/sensor/kv481_desk_t1/config"),
                             QStringLiteral("kv481/desk/availability")});
        QVERIFY(late.ready());
        QVERIFY(late.waitFor("kv481/desk/availability", 1));
        QVERIFY(late.messages("homeassistant/sensor/kv481_desk_t2/config").isEmpty());
        QCOMPARE(json(late.last("homeassistant/sensor/kv481_desk_t1/config")).value("device").toObject().value("model"),
                 QJsonValue(QStringLiteral("481")));
        p.stop();
    }

    void brokerOutageLosesNothing()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        auto sub = std::make_unique<MqttSubscriber>(broker.port(), QStringLiteral("archive"),
                                                    QStringList{QStringLiteral("kv481/desk/state")}, true);
        QVERIFY(sub->ready());
        MqttPublisher p;
        p.start(configFor(broker));
        QVERIFY(waitForState(p, PublisherState::Connected));
        QStringList states;
        connect(&p, &MqttPublisher::statusChanged, this, [&](PublisherState, const QString &t) { states << t; });

        const Reading r = emulatorReading(482, 23.4, 21.7);
        int n = 0;
        QTimer feed;
        connect(&feed, &QTimer::timeout, this, [&] { p.publishReading(r, 482, nth(++n)); });
        feed.start(20);
        QVERIFY(QTest::qWaitFor([&] { return sub->messages().size() >= 20; }, 20000));
        broker.stop();
        QVERIFY(waitForState(p, PublisherState::Waiting));
        const int before = n;
        // The outage itself, while readings pile up; nothing is timed by it.
        QVERIFY(QTest::qWaitFor([&] { return n > before + 150; }, 20000));
        // Stopped and started again meanwhile: what waits is kept on disk.
        p.stop();
        QVERIFY(p.waiting() > 100);
        p.start(configFor(broker));
        QVERIFY(QTest::qWaitFor([&] { return n > before + 300; }, 60000)); // a queue worth the name
        const QRegularExpression countdown(QStringLiteral("^MQTT: reconnecting in \\d+ s, \\d+ waiting \\("));
        QVERIFY2(QTest::qWaitFor([&] { return countdown.match(p.statusText()).hasMatch(); }, 20000),
                 qPrintable(p.statusText()));
        QVERIFY(broker.start());
        QVERIFY(waitForState(p, PublisherState::Connected, 90000));
        feed.stop();
        const int sent = n;
        QVERIFY2(QTest::qWaitFor([&] { return sub->messages().size() >= sent; }, 60000),
                 qPrintable(QStringLiteral("%1 of %2 arrived").arg(sub->messages().size()).arg(sent)));

        // Every reading, in order. QoS 1 may deliver one the broker took just
        // before it went twice; a repeat is never a step back to an older one.
        int expected = 1;
        for (const Received &m : sub->messages()) {
            const QDateTime t = QDateTime::fromString(json(m.payload).value("time").toString(), Qt::ISODateWithMs);
            const int k = static_cast<int>(nth(0).secsTo(t));
            QVERIFY2(k == expected || k == expected - 1,
                     qPrintable(QStringLiteral("reading %1 came where %2 was due").arg(k).arg(expected)));
            if (k == expected)
                ++expected;
        }
        QCOMPARE(expected - 1, sent);
        QVERIFY2(std::any_of(states.begin(), states.end(),
                             [](const QString &s) { return s.startsWith(QLatin1String("MQTT: reconnecting in 1 s")); }),
                 qPrintable(states.join(QLatin1Char('|'))));
        p.stop();
    }

    void refusedAndUnreachable()
    {
        MqttBroker broker({QStringLiteral("meter"), QStringLiteral("right"), false});
        QVERIFY(broker.start());
        PublisherConfig c = configFor(broker);
        c.user = QStringLiteral("meter");
        c.password = "wrong";
        MqttPublisher p;
        p.start(c);
        QVERIFY(waitForState(p, PublisherState::NotAuthorised));
        QCOMPARE(p.statusText(), QStringLiteral("MQTT: not authorised"));
        // Readings taken meanwhile are kept for when the password is right.
        for (int i = 1; i <= 3; ++i)
            p.publishReading(emulatorReading(481, 20.0 + i, 0), 481, nth(i));
        MqttSubscriber sub(broker.port(), QStringLiteral("auth-sub"), {QStringLiteral("kv481/desk/state")}, false,
                           QString(), QStringLiteral("meter"), QStringLiteral("right"));
        QVERIFY(sub.ready());
        c.password = "right";
        p.start(c);
        QVERIFY(waitForState(p, PublisherState::Connected));
        QVERIFY(sub.waitFor("kv481/desk/state", 3));
        QCOMPARE(json(sub.messages().at(2).payload).value("t1").toDouble(), 23.0);
        p.stop();

        // Nobody listens on the port any more: the attempts back off.
        broker.stop();
        QStringList states;
        connect(&p, &MqttPublisher::statusChanged, this, [&](PublisherState, const QString &t) { states << t; });
        p.start(c);
        QVERIFY(QTest::qWaitFor([&] { return states.filter(QStringLiteral("reconnecting in 2 s")).size() == 1; }, 20000));
        const QString first = states.filter(QStringLiteral("reconnecting in")).first();
        QCOMPARE(first, QStringLiteral("MQTT: reconnecting in 1 s (cannot reach 127.0.0.1:%1: Connection refused)")
                            .arg(broker.port()));
        p.stop();
    }

    void tlsWithOwnAuthority()
    {
        MqttBroker broker({QString(), QString(), true});
        QVERIFY(broker.start());
        MqttSubscriber sub(broker.port(), QStringLiteral("tls-sub"), {QStringLiteral("kv481/desk/state")}, false,
                           broker.caFile());
        QVERIFY(sub.ready());
        PublisherConfig c = configFor(broker);
        QVERIFY(c.broker.tls);
        c.caFile = broker.caFile();
        MqttPublisher p;
        p.start(c);
        QVERIFY2(waitForState(p, PublisherState::Connected), qPrintable(p.statusText()));
        p.publishReading(emulatorReading(482, 23.4, 21.7), 482, nth(7));
        QVERIFY(sub.waitFor("kv481/desk/state", 1));
        QCOMPARE(json(sub.last("kv481/desk/state")).value("t1").toDouble(), 23.4);
        p.stop();

        // A certificate no authority we trust signed, or one that expired,
        // is named and not tried again.
        MqttBroker other({QString(), QString(), true});
        c.caFile = other.caFile();
        p.start(c);
        QVERIFY(waitForState(p, PublisherState::Failed));
        QCOMPARE(p.statusText(), QStringLiteral("MQTT: the broker's certificate is refused: self-signed certificate "
                                                "in certificate chain"));
        MqttBroker expired({QString(), QString(), true, true});
        QVERIFY(expired.start());
        c = configFor(expired);
        c.caFile = expired.caFile();
        p.start(c);
        QVERIFY(waitForState(p, PublisherState::Failed));
        QCOMPARE(p.statusText(), QStringLiteral("MQTT: the broker's certificate is refused: certificate has expired"));
        // Time for a retry (the first would come within 1 s), then each
        // attempt is one refusal in the broker's log. The broker words it
        // one of two ways, depending on whether the handshake ended within
        // its accept or after it ("New connection from" comes only then).
        QTest::qWait(2500);
        expired.stop();
        QCOMPARE(expired.log().count(QLatin1String("certificate expired")), 1);

        // A certificate for the broker's address, reached by a name it does not hold.
        MqttBroker byAddress({QString(), QString(), true, false, QStringLiteral("DNS:elsewhere.invalid,IP:127.0.0.1")});
        QVERIFY(byAddress.start());
        c = configFor(byAddress);
        c.caFile = byAddress.caFile();
        c.broker.host = QStringLiteral("localhost");
        p.start(c);
        QVERIFY2(waitForState(p, PublisherState::Failed), qPrintable(p.statusText()));
        QCOMPARE(p.statusText(), QStringLiteral("MQTT: the broker's certificate is refused: hostname mismatch"));
        p.stop();
    }

    void networkBackTriesAtOnce()
    {
        MqttBroker broker;
        PublisherConfig c = configFor(broker);
        c.outboxPath.clear();
        MqttSession s(c);
        QString said;
        connect(&s, &MqttSession::status, this, [&](int, const QString &t) { said = t; });
        s.begin();
        QVERIFY(QTest::qWaitFor([&] { return said.startsWith(QLatin1String("MQTT: reconnecting in 4 s")); }, 20000));
        QVERIFY(broker.start());
        s.retryNow();
        QVERIFY2(QTest::qWaitFor([&] { return said == QLatin1String("MQTT: connected"); }, 2000), qPrintable(said));
        s.finish(1000);
    }

private:
    QTemporaryDir m_data;
};

QTEST_GUILESS_MAIN(TestPublish)
#include "tst_publish.moc"
