// The alarm rules with a clock moved by hand: each crossing gives exactly
// one event, and so does each clearing, the watchdog's loss and return.

#include "common/Clock.h"
#include "watch/AlarmCommand.h"
#include "watch/AlarmWatch.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace kv;

namespace {

WatchSample two(double t1, double t2, const QString &unit = QStringLiteral("C"))
{
    WatchSample s;
    s.t1 = t1;
    s.hasT2 = true;
    s.t2 = t2;
    s.unit = unit;
    return s;
}

WatchSample one(double t1, const QString &unit = QStringLiteral("C"))
{
    WatchSample s;
    s.t1 = t1;
    s.unit = unit;
    return s;
}

WatchSample overloadT1(double t2 = 20.0)
{
    WatchSample s = two(0.0, t2);
    s.t1Overload = true;
    return s;
}

AlarmSettings limits(AlarmChannel c, bool highOn, double high, bool lowOn = false, double low = 0.0)
{
    AlarmSettings s;
    s[c].high = {highOn, high};
    s[c].low = {lowOn, low};
    return s;
}

// Feeds each value a second apart and gathers every event.
QVector<AlarmEvent> run(AlarmWatch &w, ManualClock &clock, const QVector<double> &t1s)
{
    QVector<AlarmEvent> all;
    for (double v : t1s) {
        clock.advanceMs(1000);
        all << w.feed(two(v, 20.0));
    }
    return all;
}

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void crossingFiresOnceAndClearsByTheHysteresis()
    {
        ManualClock clock;
        AlarmWatch w(clock);
        w.setSettings(limits(AlarmChannel::T1, true, 80.0));
        // At the limit is not past it; far past it stays one alarm; 79.5 is
        // back below the limit but not by the hysteresis of 1.
        QVector<AlarmEvent> e = run(w, clock, {75, 80, 80.1, 85, 90, 79.5, 80.5, 79.1});
        QCOMPARE(e.size(), 1);
        QVERIFY(e[0].isAlarm());
        QCOMPARE(e[0].cause, AlarmEvent::Cause::High);
        QCOMPARE(e[0].channel, QStringLiteral("T1"));
        QCOMPARE(e[0].value, 80.1);
        QCOMPARE(e[0].limit, 80.0);
        QCOMPARE(e[0].time, clock.now() - 5 * 1000 / 86400000.0);
        QVERIFY(w.active(AlarmChannel::T1));
        QVERIFY(!w.active(AlarmChannel::T2));
        QCOMPARE(e[0].text(), QStringLiteral("Alarm T1: 80.1 \u00B0C above 80.0 \u00B0C"));

        e = run(w, clock, {79.0, 78, 79.9});
        QCOMPARE(e.size(), 1);
        QVERIFY(!e[0].isAlarm());
        QCOMPARE(e[0].value, 79.0);
        QCOMPARE(e[0].limit, 80.0);
        QVERIFY(!w.active(AlarmChannel::T1));
        // A second crossing is a second alarm.
        e = run(w, clock, {80.2, 81});
        QCOMPARE(e.size(), 1);
        QVERIFY(e[0].isAlarm());
    }

    void lowLimitAndHysteresisOfItsOwnSize()
    {
        ManualClock clock;
        AlarmWatch w(clock);
        AlarmSettings s = limits(AlarmChannel::T2, false, 0, true, -18.0);
        s.hysteresis = 2.5;
        w.setSettings(s);
        QVector<AlarmEvent> e;
        for (double v : {-19.0, -18.5, -18.0, -16.0, -15.0, -19.0}) {
            clock.advanceMs(1000);
            e << w.feed(two(-25.0, v)); // T1 far below: it has no limits
        }
        // Fires at -19, clears only at -15.5 or above (-15), fires again.
        QCOMPARE(e.size(), 3);
        QCOMPARE(e[0].cause, AlarmEvent::Cause::Low);
        QCOMPARE(e[0].channel, QStringLiteral("T2"));
        QCOMPARE(e[0].value, -19.0);
        QVERIFY(!e[1].isAlarm());
        QCOMPARE(e[1].value, -15.0);
        QVERIFY(e[2].isAlarm());
        QCOMPARE(e[0].text(), QStringLiteral("Alarm T2: -19.0 \u00B0C below -18.0 \u00B0C"));
    }

    void delayNeedsTheReadingToStayPast()
    {
        ManualClock clock;
        AlarmWatch w(clock);
        AlarmSettings s = limits(AlarmChannel::T1, true, 80.0);
        s.delaySeconds = 3;
        w.setSettings(s);
        // Two seconds past, then back: no alarm, and the count starts again.
        QVERIFY(run(w, clock, {81, 82, 83, 79.9}).isEmpty());
        QVERIFY(run(w, clock, {81, 81, 81}).isEmpty()); // 2 s past so far
        QVector<AlarmEvent> e = run(w, clock, {81, 81, 81});
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].value, 81.0);
        QCOMPARE(e[0].time, clock.now() - 2 * 1000 / 86400000.0); // at the third second past
        // Clearing has no delay.
        e = run(w, clock, {78});
        QCOMPARE(e.size(), 1);
        QVERIFY(!e[0].isAlarm());
    }

    void overloadFiresTheHighAlarm()
    {
        ManualClock clock;
        AlarmWatch w(clock);
        w.setSettings(limits(AlarmChannel::T1, true, 80.0));
        QVector<AlarmEvent> e;
        for (int i = 0; i < 3; ++i) {
            clock.advanceMs(1000);
            e << w.feed(overloadT1());
        }
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].cause, AlarmEvent::Cause::Overload);
        QVERIFY(std::isnan(e[0].value));
        QVERIFY(std::isnan(e[0].limit)); // past every limit, it names none
        QCOMPARE(e[0].text(), QStringLiteral("Alarm T1: overload"));
        // The probe is back but still hot: the alarm lasts; then it clears.
        QVERIFY(run(w, clock, {85}).isEmpty());
        e = run(w, clock, {70});
        QCOMPARE(e.size(), 1);
        QVERIFY(!e[0].isAlarm());
        QCOMPARE(e[0].cause, AlarmEvent::Cause::Overload);

        // A past high alarm that meets an overload is the same alarm.
        e = run(w, clock, {90});
        clock.advanceMs(1000);
        e << w.feed(overloadT1());
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].cause, AlarmEvent::Cause::High);
    }

    void overloadOnAChannelWatchedOnlyLow()
    {
        // A freezer watched for a low limit must still hear of a broken
        // probe; nothing for a channel without limits, and the difference
        // of an overloaded probe is an overload too.
        ManualClock clock;
        AlarmWatch w(clock);
        AlarmSettings s = limits(AlarmChannel::T1, false, 0, true, -18.0);
        s[AlarmChannel::Difference].high = {true, 50.0};
        w.setSettings(s);
        clock.advanceMs(1000);
        QVector<AlarmEvent> e = w.feed(overloadT1());
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[0].channel, QStringLiteral("T1"));
        QCOMPARE(e[0].cause, AlarmEvent::Cause::Overload);
        QVERIFY(std::isnan(e[0].limit));
        QCOMPARE(e[1].channel, QStringLiteral("T1-T2"));
        QCOMPARE(e[1].cause, AlarmEvent::Cause::Overload);
        clock.advanceMs(1000);
        e = w.feed(two(-20.0, -22.0));
        // T1 back (no high limit: the overload alarm simply clears) but
        // already below its low limit; the difference is back inside.
        QCOMPARE(e.size(), 3);
        QVERIFY(!e[0].isAlarm());
        QCOMPARE(e[0].channel, QStringLiteral("T1"));
        QCOMPARE(e[1].channel, QStringLiteral("T1-T2"));
        QVERIFY(!e[1].isAlarm());
        QVERIFY(e[2].isAlarm());
        QCOMPARE(e[2].cause, AlarmEvent::Cause::Low);
    }

    void readingsInTheOtherUnitAreConverted()
    {
        ManualClock clock;
        AlarmWatch w(clock);
        AlarmSettings s = limits(AlarmChannel::T1, true, 80.0); // °C
        s[AlarmChannel::Difference].high = {true, 10.0};
        w.setSettings(s);
        auto feedF = [&](double t1, double t2) {
            clock.advanceMs(1000);
            return w.feed(two(t1, t2, QStringLiteral("F")));
        };
        // 176 °F is exactly 80 °C; 176.4 °F is 80.2 °C. A difference of
        // 17.1 °F is 9.5 °C (converting the difference itself as a
        // temperature would give -8.3 °C).
        QVERIFY(feedF(176.0, 158.9).isEmpty());
        QVector<AlarmEvent> e = feedF(176.4, 158.9);
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].unit, QStringLiteral("C"));
        QVERIFY(qAbs(e[0].value - 80.2222) < 1e-3);
        // The meter switches to °C with the alarm on: no new event, and
        // the hysteresis still counts in °C.
        clock.advanceMs(1000);
        QVERIFY(w.feed(two(79.5, 70.0)).isEmpty());
        // 19 °F of difference is 10.6 °C: the difference fires.
        e = feedF(173.0, 154.0);
        QCOMPARE(e.size(), 2);
        QVERIFY(!e[0].isAlarm()); // 173 °F = 78.3 °C clears T1
        QCOMPARE(e[1].channel, QStringLiteral("T1-T2"));
        QVERIFY(qAbs(e[1].value - 10.5556) < 1e-3);
    }

    void limitsSetInTheOtherUnitCarryOn()
    {
        ManualClock clock;
        AlarmWatch w(clock);
        w.setSettings(limits(AlarmChannel::T1, true, 80.0));
        QCOMPARE(run(w, clock, {81}).size(), 1);
        // The same limit shown in °F after the user switched: it lasts.
        const AlarmSettings f = w.settings().inUnit(QStringLiteral("F"));
        QCOMPARE(f[AlarmChannel::T1].high.value, 176.0);
        QCOMPARE(f.hysteresis, 1.8);
        QVERIFY(w.setSettings(f).isEmpty());
        QVERIFY(w.active(AlarmChannel::T1));
        // A limit moved or turned off clears what it raised.
        QVector<AlarmEvent> e = w.setSettings(AlarmSettings());
        QCOMPARE(e.size(), 1);
        QVERIFY(!e[0].isAlarm());
        QVERIFY(!w.active(AlarmChannel::T1));
    }

    void reapplyingLimitsTellsOnlyWhatHappened()
    {
        // OK in the dialog while T1 is overloaded, with the same limit and
        // with another: the overload goes on, with nothing cleared or raised.
        ManualClock clock;
        AlarmWatch w(clock);
        AlarmSettings s = limits(AlarmChannel::T1, true, 1000.0);
        s[AlarmChannel::T2].low = {true, -18.0};
        w.setSettings(s);
        clock.advanceMs(1000);
        QCOMPARE(w.feed(overloadT1()).size(), 1);
        QVERIFY(w.setSettings(s).isEmpty());
        s[AlarmChannel::T1].high.value = 30.0;
        QVERIFY(w.setSettings(s).isEmpty());
        QVERIFY(w.setSettings(s.inUnit(QStringLiteral("F"))).isEmpty());
        QVERIFY(w.active(AlarmChannel::T1));
        QVERIFY(std::isnan(w.activeAlarms().first().limit));

        // T2 watched only low, overloaded then back: the clear quotes no
        // switched-off high limit, re-applied or not.
        WatchSample t2ol = two(20.0, 0.0);
        t2ol.t2Overload = true;
        clock.advanceMs(1000);
        QCOMPARE(w.feed(t2ol).size(), 2); // T1 clears, T2 fires
        QVERIFY(w.setSettings(s).isEmpty());
        clock.advanceMs(1000);
        QVector<AlarmEvent> e = w.feed(two(20.0, 20.0));
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].cause, AlarmEvent::Cause::Overload);
        QVERIFY(std::isnan(e[0].limit));

        // A level alarm: a limit moved but still below the reading (or
        // within the hysteresis) goes on under it; moved above, it clears.
        s = limits(AlarmChannel::T1, true, 80.0);
        w.setSettings(s);
        QCOMPARE(run(w, clock, {85}).size(), 1);
        for (double limit : {82.0, 85.5}) {
            s[AlarmChannel::T1].high.value = limit;
            QVERIFY(w.setSettings(s).isEmpty());
            QCOMPARE(w.activeAlarms().first().limit, limit);
        }
        s[AlarmChannel::T1].high.value = 90.0;
        e = w.setSettings(s);
        QCOMPARE(e.size(), 1);
        QVERIFY(!e[0].isAlarm());
        QCOMPARE(e[0].value, 85.0);
        QCOMPARE(e[0].limit, 85.5);
        QVERIFY(run(w, clock, {85}).isEmpty());
    }

    void rateLimitsFireOncePerCrossing()
    {
        // Rising 20 degrees a minute against "rises faster than 10" (a 10 s
        // window): one alarm once the window holds enough, none while the
        // ramp goes on, one clear when it levels off; the same for a fall.
        ManualClock clock;
        AlarmWatch w(clock);
        w.setRateWindow(10.0);
        AlarmSettings s;
        s.rate(AlarmChannel::T1).high = {true, 10.0};
        s.rate(AlarmChannel::T2).low = {true, -10.0};
        s.delaySeconds = 2.0;
        w.setSettings(s);
        double t1 = 20.0;
        double t2 = 50.0;
        QVector<AlarmEvent> e;
        auto go = [&](int seconds, double rise1, double rise2) {
            for (int i = 0; i < seconds; ++i) {
                clock.advanceMs(1000);
                t1 += rise1 / 60.0;
                t2 += rise2 / 60.0;
                e << w.feed(two(t1, t2));
            }
        };
        go(4, 20.0, 0.0);
        QVERIFY(e.isEmpty()); // under half the window: no rate yet
        go(40, 20.0, 0.0);
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].cause, AlarmEvent::Cause::Rise);
        QCOMPARE(e[0].limit, 10.0);
        QVERIFY2(qAbs(e[0].value - 20.0) < 0.01, qPrintable(e[0].text()));
        QCOMPARE(e[0].text(), QStringLiteral("Alarm T1: rising 20.0 \u00B0C/min, faster than 10.0 \u00B0C/min"));
        AlarmEvent seen = e[0];
        seen.kind = AlarmEvent::Kind::Acknowledged;
        QCOMPARE(seen.text(), QStringLiteral("Acknowledged T1 rise")); // not taken for T1's high alarm
        QVERIFY(w.active(AlarmChannel::T1));
        go(30, 0.0, -30.0);
        QCOMPARE(e.size(), 3);
        QVERIFY(!e[1].isAlarm() || !e[2].isAlarm());
        const AlarmEvent &fall = e[1].isAlarm() ? e[1] : e[2];
        QCOMPARE(fall.channel, QStringLiteral("T2"));
        QCOMPARE(fall.cause, AlarmEvent::Cause::Fall);
        // Limits re-applied while it falls: it goes on.
        QVERIFY(w.setSettings(s).isEmpty());
        go(30, 20.0, 0.0);
        QCOMPARE(e.size(), 5); // T2 clears, T1 rises again: a new alarm
        QCOMPARE(std::count_if(e.begin() + 3, e.end(),
                               [](const AlarmEvent &a) { return a.isAlarm() && a.cause == AlarmEvent::Cause::Rise; }),
                 1);
    }

    void limitsBeyondTheMeterAreRefused()
    {
        AlarmSettings s = limits(AlarmChannel::T1, true, 1370.0, true, -200.0);
        QVERIFY(s.outOfRange().isEmpty());
        s[AlarmChannel::T1].high.value = 5000.0;
        QVERIFY2(s.outOfRange().contains(QStringLiteral("-200 to 1370 \u00B0C")), qPrintable(s.outOfRange()));
        s = limits(AlarmChannel::T2, true, 2498.0).inUnit(QStringLiteral("F"));
        s.unit = QStringLiteral("F");
        s[AlarmChannel::T2].high.value = 2499.0;
        QVERIFY(s.outOfRange().contains(QStringLiteral("-328 to 2498 \u00B0F")));
        s = limits(AlarmChannel::Difference, true, 1600.0);
        QVERIFY(s.outOfRange().contains(QStringLiteral("-1570 to 1570 \u00B0C")));
        s = AlarmSettings();
        QString unit, error;
        QVERIFY(parseAlarmExpression(QStringLiteral("rate( t1 )>10"), s, &unit, &error));
        QVERIFY(parseAlarmExpression(QStringLiteral("rate(T2)<-5.5F"), s, &unit, &error));
        QCOMPARE(s.rate(AlarmChannel::T1).high.value, 10.0);
        QCOMPARE(s.rate(AlarmChannel::T2).low.value, -5.5);
        QVERIFY(!s[AlarmChannel::T1].anyOn());
        QVERIFY(!parseAlarmExpression(QStringLiteral("rate(T1)<10"), s, &unit, &error));
        QVERIFY(error.contains(QStringLiteral("below 0")));
        s.rate(AlarmChannel::T1).high.value = 99999.0;
        QVERIFY(s.outOfRange().contains(QStringLiteral("a minute")));
    }

    void eventCommandsRunInTurnAndAHangingOneGoesWithAllItStarted()
    {
        // The alarm's command starts a child and hangs: both are killed at
        // the time limit, and the clear's command runs after it, each with
        // the event in its environment. A command that is not there fails.
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log"));
        AlarmCommand command;
        command.setLimitMs(300);
        QStringList failures;
        connect(&command, &AlarmCommand::failed, this,
                [&](const AlarmEvent &, const QString &why) { failures << why; });
        command.setCommand(QStringLiteral("echo \"$KV481_EVENT $KV481_CHANNEL $KV481_CAUSE $KV481_VALUE $KV481_LIMIT "
                                          "$KV481_UNIT\" >> '%1'; [ $KV481_EVENT = alarm ] || exit 0; "
                                          "sleep 600 & echo $! > '%1.pid'; wait")
                               .arg(log));
        ManualClock clock;
        AlarmWatch w(clock);
        w.setSettings(limits(AlarmChannel::T1, true, 80.0));
        for (const AlarmEvent &e : run(w, clock, {85, 70}))
            command.run(e);
        auto lines = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                               : QStringList();
        };
        QTRY_COMPARE_WITH_TIMEOUT(lines(log).size(), 2, 5000);
        QCOMPARE(lines(log), (QStringList{"alarm T1 high 85.0 80.0 C", "cleared T1 high 70.0 80.0 C"}));
        QTRY_VERIFY(!command.busy());
        QCOMPARE(failures, QStringList{QStringLiteral("the command still ran after 0.3 s; stopped")});
        const QString stat = QStringLiteral("/proc/%1/stat").arg(lines(log + QStringLiteral(".pid")).value(0));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(stat) || lines(stat).value(0).contains(QStringLiteral(") Z ")), 2000);

        command.setCommand(QStringLiteral("kv481-no-such-command"));
        command.run(w.linkLost().value(0));
        QTRY_COMPARE(failures.size(), 2);
        QVERIFY2(failures[1].contains(QStringLiteral("not found")), qPrintable(failures[1]));
    }

    void watchdogLostAndFoundOnce()
    {
        ManualClock clock;
        AlarmWatch w(clock);
        // Without any limit on, nobody asked to be watched.
        QVERIFY(w.linkLost().isEmpty());
        QVERIFY(w.linkFound().isEmpty());
        w.setSettings(limits(AlarmChannel::T1, true, 80.0));
        clock.advanceMs(5000);
        QVector<AlarmEvent> e = w.linkLost();
        e << w.linkLost();
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].channel, QStringLiteral("link"));
        QCOMPARE(e[0].cause, AlarmEvent::Cause::LinkLost);
        QCOMPARE(e[0].time, clock.now());
        QVERIFY(w.linkAlarmActive());
        QCOMPARE(w.activeAlarms().size(), 1);
        QCOMPARE(e[0].text(), QStringLiteral("Alarm: the meter stopped answering"));
        clock.advanceMs(5000);
        e = w.linkFound();
        e << w.linkFound();
        QCOMPARE(e.size(), 1);
        QVERIFY(!e[0].isAlarm());
        QCOMPARE(e[0].time, clock.now());

        // Turned off by the user: silent; turned off while it lasts: cleared.
        AlarmSettings s = w.settings();
        s.watchdog = false;
        w.setSettings(s);
        QVERIFY(w.linkLost().isEmpty());
        s.watchdog = true;
        w.setSettings(s);
        QCOMPARE(w.linkLost().size(), 1);
        s.watchdog = false;
        e = w.setSettings(s);
        QCOMPARE(e.size(), 1);
        QVERIFY(!e[0].isAlarm());
        QCOMPARE(e[0].channel, QStringLiteral("link"));
        QVERIFY(w.linkFound().isEmpty());
    }

    void oneChannelMeterHasNoSecondChannel()
    {
        ManualClock clock;
        AlarmWatch w(clock);
        AlarmSettings s = limits(AlarmChannel::T2, false, 0, true, 10.0);
        s[AlarmChannel::Difference].low = {true, 5.0};
        w.setSettings(s);
        clock.advanceMs(1000);
        QVERIFY(w.feed(one(0.0)).isEmpty());
    }

    void alarmExpressions_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("channel");
        QTest::addColumn<bool>("high");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expectedUnit");
        QTest::newRow("high") << QStringList{"T1>80"} << true << 0 << true << 80.0 << "";
        QTest::newRow("low negative") << QStringList{"T2<-18"} << true << 1 << false << -18.0 << "";
        QTest::newRow("spaces, fraction, unit") << QStringList{" t2 < -18.5 F"} << true << 1 << false << -18.5 << "F";
        QTest::newRow("difference") << QStringList{"T1-T2>5"} << true << 2 << true << 5.0 << "";
        QTest::newRow("difference with a minus sign") << QStringList{"T1\u2212T2<\u22122.5"} << true << 2 << false
                                                      << -2.5 << "";
        QTest::newRow("no such channel") << QStringList{"T3>80"} << false << 0 << true << 0.0 << "";
        QTest::newRow("no limit") << QStringList{"T1>"} << false << 0 << true << 0.0 << "";
        QTest::newRow("equals") << QStringList{"T1=80"} << false << 0 << true << 0.0 << "";
        QTest::newRow("comma") << QStringList{"T1>80,5"} << false << 0 << true << 0.0 << "";
        QTest::newRow("two high limits") << QStringList{"T1>80", "T1>90"} << false << 0 << true << 0.0 << "";
        QTest::newRow("low above high") << QStringList{"T1>80", "T1<90"} << false << 0 << true << 0.0 << "";
    }
    void alarmExpressions()
    {
        QFETCH(QStringList, texts);
        QFETCH(bool, ok);
        AlarmSettings s;
        QString unit, error;
        bool all = true;
        for (const QString &t : texts)
            all = all && parseAlarmExpression(t, s, &unit, &error);
        QCOMPARE(all, ok);
        if (!ok) {
            QVERIFY(!error.isEmpty());
            QVERIFY(!error.contains(QLatin1Char('\n')));
            return;
        }
        QFETCH(int, channel);
        QFETCH(bool, high);
        QFETCH(double, value);
        QFETCH(QString, expectedUnit);
        const AlarmLimit &l = high ? s.channels[channel].high : s.channels[channel].low;
        QVERIFY(l.on);
        QCOMPARE(l.value, value);
        QCOMPARE(unit, expectedUnit);
    }
};

QTEST_GUILESS_MAIN(TestAlarms)
#include "tst_alarms.moc"
