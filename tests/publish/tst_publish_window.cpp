// Publishing from the main window: the settings section, the dialog, and the
// real window against the emulator and a real Mosquitto broker, through a
// broker restart and a refused login.

#include "app/Settings.h"
#include "publish/ui/PublishCommand.h"

#include "support/MainSession.h"
#include "support/MqttBroker.h"
#include "support/MqttSubscriber.h"
#include "link/MeterLink.h"

#include <QCheckBox>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace kv;
using namespace kv::test;

namespace {

const QByteArray kOneSecond = "[RealTime]\nSampling Rate=1\n";

TfrmPublish *openDialog(Session &s)
{
    s.main->PublishReadings1->trigger();
    TfrmPublish *d = s.main->publishing().dialog();
    return d && QTest::qWaitFor([d] { return d->isVisible(); }, 5000) ? d : nullptr;
}

QString mqttState(Session &s)
{
    return s.main->StatusMqtt->isVisible() ? s.main->StatusMqtt->text() : QString();
}

bool stateStartsWith(Session &s, const QString &text, int ms = 30000)
{
    return QTest::qWaitFor([&] { return mqttState(s).startsWith(text); }, ms);
}

} // namespace

class TestPublishWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path())); // the outboxes
    }

    void settingsSectionWrittenOnlyWhenChanged()
    {
        const QByteArray earlier = "[Link]\nModel=481\n; a comment\n";
        SettingsValues v = Settings::parse(earlier);
        QCOMPARE(v.publish, PublishOptions());
        QVERIFY(!Settings::update(earlier, v).contains("[Publish]"));

        v.publish.enabled = true;
        v.publish.broker = QStringLiteral("mqtts://broker.lan");
        v.publish.user = QStringLiteral("meter");
        v.publish.passwordFile = QStringLiteral("/home/me/.mqtt-pw");
        qputenv("KV481_MQTT_PASSWORD", "never-stored");
        const QByteArray text = Settings::update(earlier, v);
        qunsetenv("KV481_MQTT_PASSWORD");
        QVERIFY(text.contains("; a comment\n"));
        QVERIFY(text.contains("[Publish]\n"));
        QVERIFY(!text.contains("never-stored"));
        QCOMPARE(Settings::parse(text).publish, v.publish);
        // Read back and written again, it stays byte for byte.
        QCOMPARE(Settings::update(text, Settings::parse(text)), text);
    }

    void dialogReachableAndChecked()
    {
        Session s(482, kOneSecond);
        QVERIFY(s.started());
        QCOMPARE(s.main->PublishReadings1->text(), QStringLiteral("&Publish Readings…"));
        TfrmPublish *d = openDialog(s);
        QVERIFY(d);
        // Every control has a name for assistive tools and takes the focus
        // from the keyboard; the fields have labels with their own letters.
        const auto widgets = d->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            if (!qobject_cast<QLineEdit *>(w) && !qobject_cast<QCheckBox *>(w) && !qobject_cast<QPushButton *>(w))
                continue;
            QVERIFY2(w->focusPolicy() & Qt::TabFocus, qPrintable(w->objectName()));
            QVERIFY2(!w->accessibleName().isEmpty() || !static_cast<QAbstractButton *>(w)->text().isEmpty(),
                     qPrintable(w->objectName()));
        }
        for (QLabel *l : d->findChildren<QLabel *>())
            if (l->buddy())
                QVERIFY2(l->text().contains(QLatin1Char('&')), qPrintable(l->text()));

        // Switched on with an address that is none: said, and the dialog stays.
        d->chkEnabled->setChecked(true);
        d->edtBroker->setText(QStringLiteral("broker.lan"));
        d->accept();
        QVERIFY(d->isVisible());
        QVERIFY(d->lblProblem->isVisible());
        QVERIFY(d->lblProblem->text().contains(QLatin1String("mqtt://HOST")));
        QVERIFY(!s.main->publishing().options().enabled);
        d->reject();
        QVERIFY(mqttState(s).isEmpty());
    }

    void windowPublishesThroughABrokerRestart()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber sub(broker.port(), QStringLiteral("window-sub"), {QStringLiteral("kv481/desk/#")}, true);
        QVERIFY(sub.ready());
        Session s(482, kOneSecond);
        QVERIFY(s.started());
        QVERIFY(s.main->link().connected());

        TfrmPublish *d = openDialog(s);
        QVERIFY(d);
        d->chkEnabled->setChecked(true);
        d->edtBroker->setText(broker.url());
        d->edtMeter->setText(QStringLiteral("desk"));
        d->accept();
        QVERIFY(stateStartsWith(s, QStringLiteral("MQTT: connected")));
        // Readings at the sampling rate, recording or not.
        QVERIFY(sub.waitFor("kv481/desk/state", 3));
        const QJsonObject o = QJsonDocument::fromJson(sub.last("kv481/desk/state")).object();
        QCOMPARE(o.value("model").toInt(), 482);
        QCOMPARE(o.value("t1").toDouble(), 23.4);
        QCOMPARE(o.value("t2").toDouble(), 21.7);
        QCOMPARE(sub.last("kv481/desk/availability"), QByteArray("online"));

        broker.stop();
        QVERIFY2(stateStartsWith(s, QStringLiteral("MQTT: reconnecting in 1 s")), qPrintable(mqttState(s)));
        const int before = sub.messages("kv481/desk/state").size();
        // The next attempt finds nobody listening, and says so.
        const QRegularExpression second(QStringLiteral("^MQTT: reconnecting in 2 s(, \\d+ waiting)? \\(cannot reach "
                                                       "127.0.0.1:%1: ").arg(broker.port()));
        QVERIFY2(QTest::qWaitFor([&] { return second.match(mqttState(s)).hasMatch(); }, 30000), qPrintable(mqttState(s)));
        QVERIFY(broker.start());
        QVERIFY2(stateStartsWith(s, QStringLiteral("MQTT: connected"), 90000), qPrintable(mqttState(s)));
        QVERIFY(sub.waitFor("kv481/desk/state", before + 3));

        // Closing the window: the options kept, "offline" said.
        s.main->close();
        const QString ini = s.settingsText();
        QVERIFY2(ini.contains(QStringLiteral("[Publish]\nEnabled=1\nBroker=%1\n").arg(broker.url())), qPrintable(ini));
        QVERIFY(ini.contains(QLatin1String("Meter Name=desk\n")));
        QVERIFY(QTest::qWaitFor([&] { return sub.last("kv481/desk/availability") == "offline"; }, 10000));
    }

    void windowClosedDuringAnOutageLosesNothing()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber sub(broker.port(), QStringLiteral("closed-sub"), {QStringLiteral("kv481/shut/state")}, true);
        QVERIFY(sub.ready());
        Session s(482, kOneSecond + QStringLiteral("[Publish]\nEnabled=1\nBroker=%1\nMeter Name=shut\n")
                                        .arg(broker.url()).toUtf8());
        QVERIFY(s.started());
        QVERIFY(stateStartsWith(s, QStringLiteral("MQTT: connected")));
        QVERIFY(sub.waitFor("kv481/shut/state", 2));
        broker.stop();
        const QDateTime down = QDateTime::currentDateTime();
        // The wait counts down on the status bar, with the readings it holds.
        const QRegularExpression countdown(QStringLiteral("^MQTT: reconnecting in \\d+ s, [2-9] waiting \\("));
        QVERIFY2(QTest::qWaitFor([&] { return countdown.match(mqttState(s)).hasMatch(); }, 20000), qPrintable(mqttState(s)));
        const QDateTime closed = QDateTime::currentDateTime();
        QVERIFY(s.restart());
        QVERIFY(broker.start());
        QVERIFY2(stateStartsWith(s, QStringLiteral("MQTT: connected"), 60000), qPrintable(mqttState(s)));
        const auto timeOf = [](const Received &m) {
            return QDateTime::fromString(QJsonDocument::fromJson(m.payload).object().value("time").toString(),
                                         Qt::ISODateWithMs);
        };
        QVERIFY(QTest::qWaitFor([&] { return timeOf(sub.messages().last()) > closed.addSecs(2); }, 20000));
        const QList<Received> all = sub.messages();
        QDateTime last = down.addSecs(-2);
        for (int i = 0; i < all.size(); ++i) {
            const QDateTime t = timeOf(all[i]);
            QVERIFY2(i == 0 || t >= timeOf(all[i - 1]), all[i].payload.constData());
            if (t >= last && t < closed.addSecs(-1)) {
                QVERIFY2(last.msecsTo(t) < 2500, qPrintable(t.toString(Qt::ISODateWithMs)));
                last = t;
            }
        }
        QVERIFY(last.secsTo(closed) < 3);
        s.main->close();
    }

    void theMeterFollowedToANewPortKeepsItsWaitingReadings()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber sub(broker.port(), QStringLiteral("follow-sub"), {QStringLiteral("kv481/desk/state")}, true);
        QVERIFY(sub.ready());

        // The meter as a USB adapter in a port folder, so the window follows
        // it when it comes back under another link name.
        QTemporaryDir dir;
        const QString ports = dir.filePath(QStringLiteral("ports"));
        QDir().mkpath(ports);
        const auto link = [&](int n) { return QDir(ports).filePath(QStringLiteral("ttyEMU%1").arg(n)); };
        QFile ini(dir.filePath(QStringLiteral("KV481.INI")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(kOneSecond + QStringLiteral("[Publish]\nEnabled=1\nBroker=%1\nMeter Name=desk\n").arg(broker.url()).toUtf8());
        ini.close();
        emu::Options e;
        e.model = 481;
        e.linkPath = link(0).toStdString();
        e.usbSerial = "EMUPUB1";
        emu::MeterEmulator meter(e);
        meter.setTemperatures(23.4, 21.7);
        QVERIFY(meter.start());
        ScriptedPrompt prompt;
        MainOptions o;
        o.programPath = dir.filePath(QStringLiteral("KV481"));
        o.systemPorts = false;
        o.portFolders << ports;
        o.recordingFolder = dir.filePath(QStringLiteral("recordings"));
        o.prompt = &prompt;
        o.exitHandler = [] {};
        o.openUrl = [](const QUrl &) { return true; };
        TfrmMain main(o);
        main.show();
        QVERIFY(QTest::qWaitFor([&] { return main.formShown() && main.link().connected(); }, 8000));
        const auto state = [&] { return main.StatusMqtt->isVisible() ? main.StatusMqtt->text() : QString(); };
        QVERIFY2(QTest::qWaitFor([&] { return state() == QLatin1String("MQTT: connected"); }, 30000),
                 qPrintable(state()));
        QVERIFY(sub.waitFor("kv481/desk/state", 2));

        // The broker goes; readings wait for it.
        broker.stop();
        QVERIFY2(QTest::qWaitFor([&] { return state().startsWith(QLatin1String("MQTT: reconnecting")); }, 30000),
                 qPrintable(state()));
        const auto timeOf = [](const Received &m) {
            return QDateTime::fromString(QJsonDocument::fromJson(m.payload).object().value("time").toString(),
                                         Qt::ISODateWithMs);
        };
        const QDateTime lastArrived = timeOf(sub.messages().last());
        int fresh = 0;
        connect(&main.link(), &MeterLink::liveTick, this, [&](double, bool isFresh) { fresh += isFresh ? 1 : 0; });
        QVERIFY(QTest::qWaitFor([&] { return fresh >= 3; }, 10000));

        // Meanwhile the meter comes back under another link name.
        const QDateTime unplugged = QDateTime::currentDateTime();
        meter.unplug();
        QVERIFY(QTest::qWaitFor([&] { return !main.link().connected(); }, 10000));
        std::string error;
        QVERIFY2(meter.replugAs(link(1).toStdString(), &error), error.c_str());
        QVERIFY(QTest::qWaitFor([&] { return main.link().connected(); }, 10000));
        QCOMPARE(main.port().deviceName(), link(1));

        // The readings taken while the broker was away, before the meter
        // moved, reach it when it is back.
        QVERIFY(broker.start());
        QVERIFY2(QTest::qWaitFor([&] { return state() == QLatin1String("MQTT: connected"); }, 90000),
                 qPrintable(state()));
        QVERIFY(QTest::qWaitFor([&] {
            const QList<Received> all = sub.messages();
            return std::any_of(all.begin(), all.end(), [&](const Received &m) {
                const QDateTime t = timeOf(m);
                return t > lastArrived && t < unplugged;
            });
        }, 20000));
        main.close();
    }

    void refusedLoginOnTheStatusBar()
    {
        MqttBroker broker({QStringLiteral("meter"), QStringLiteral("right"), false});
        QVERIFY(broker.start());
        qputenv("KV481_MQTT_PASSWORD", "wrong");
        const QByteArray ini = kOneSecond
            + QStringLiteral("[Publish]\nEnabled=1\nBroker=%1\nUser=meter\n").arg(broker.url()).toUtf8();
        Session s(482, ini);
        QVERIFY(s.started());
        QVERIFY2(stateStartsWith(s, QStringLiteral("MQTT: not authorised")), qPrintable(mqttState(s)));
        // The password put right, OK with the same options tries again.
        qputenv("KV481_MQTT_PASSWORD", "right");
        TfrmPublish *d = openDialog(s);
        QVERIFY(d);
        d->accept();
        QVERIFY2(stateStartsWith(s, QStringLiteral("MQTT: connected")), qPrintable(mqttState(s)));
        qunsetenv("KV481_MQTT_PASSWORD");
        s.main->close();
        QCOMPARE(s.settingsText().count(QLatin1String("[Publish]")), 1);
    }

private:
    QTemporaryDir m_data;
};

QTEST_MAIN(TestPublishWindow)
#include "tst_publish_window.moc"
