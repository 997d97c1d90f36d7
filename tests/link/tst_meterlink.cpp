// The meter link against scripted ports and a hand-moved clock: the search,
// the tick, losing and regaining the meter, and the key commands.

#include "common/Clock.h"
#include "common/DateTime.h"
#include "link/MeterLink.h"

#include "support/LinkRig.h"
#include "support/ScriptedPrompt.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kv;
using namespace kv::test;

using Rig = LinkRig;

class TestMeterLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void searchRecognisesModels_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("startModel");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("channels");
        QTest::newRow("481") << QByteArray("481\r") << 482 << 481 << 1;
        QTest::newRow("482") << QByteArray("482\0", 4) << 481 << 482 << 2;
        QTest::newRow("letter first") << QByteArray("X481") << 482 << 481 << 1;
    }
    void searchRecognisesModels()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, startModel);
        ManualClock clock;
        ScriptedPort port;
        ScriptedPrompt prompt;
        MeterLink link(port, clock, prompt);
        LinkWatch watch(link);
        link.setModel(startModel);
        port.devices[QStringLiteral("/dev/a")] = [&](char c) { return c == 'K' ? reply : QByteArray(); };
        link.setPortList({QStringLiteral("/dev/a")});
        QSignalSpy closeBox(&link, &MeterLink::searchFinished);
        link.SearchMeter();
        QVERIFY(link.connected());
        QTEST(link.model(), "model");
        QTEST(link.channelCount(), "channels");
        QCOMPARE(watch.connectionStatus, QStringLiteral("On Connection"));
        QCOMPARE(watch.portStatus, QStringLiteral("/dev/a"));
        QVERIFY(port.isOpen());
        QCOMPARE(closeBox.count(), 1);
    }

    void searchSkipsMissingSilentAndShortPorts()
    {
        ManualClock clock;
        ScriptedPort port;
        ScriptedPrompt prompt;
        MeterLink link(port, clock, prompt);
        LinkWatch watch(link);
        port.devices[QStringLiteral("/dev/silent")] = [](char) { return QByteArray(); };
        port.devices[QStringLiteral("/dev/short")] = [](char c) { return c == 'K' ? QByteArray("481") : QByteArray(); };
        port.devices[QStringLiteral("/dev/other")] = [](char c) { return c == 'K' ? QByteArray("OK\r\n") : QByteArray(); };
        port.devices[QStringLiteral("/dev/meter")] = [](char c) { return c == 'K' ? QByteArray("481\r") : QByteArray(); };
        link.setPortList({"/dev/missing", "/dev/silent", "/dev/short", "/dev/other", "/dev/meter"});
        const qint64 start = clock.tickCount();
        link.SearchMeter();
        QVERIFY(link.connected());
        QCOMPARE(link.model(), 481);
        // The index is the position in the list as the search began.
        QCOMPARE(link.portIndex(), 4);
        QCOMPARE(link.portList(), (QStringList{"/dev/silent", "/dev/short", "/dev/other", "/dev/meter"}));
        QCOMPARE(link.selectedEntry(), 3);
        QCOMPARE(port.deviceName(), QStringLiteral("/dev/meter"));
        // 300 ms before each open, 500 ms for each answer.
        QVERIFY(clock.tickCount() - start > 5 * 300 + 4 * 500);
    }

    void searchWithoutMeter()
    {
        ManualClock clock;
        ScriptedPort port;
        ScriptedPrompt prompt;
        MeterLink link(port, clock, prompt);
        LinkWatch watch(link);
        port.devices[QStringLiteral("/dev/a")] = [](char) { return QByteArray(); };
        port.devices[QStringLiteral("/dev/b")] = [](char) { return QByteArray(); };
        link.setPortList({"/dev/a", "/dev/b"});
        link.setPortIndex(1);
        link.SearchMeter();
        QVERIFY(!link.connected());
        QCOMPARE(watch.connectionStatus, QStringLiteral("Off Connection"));
        QCOMPARE(watch.portStatus, QStringLiteral("/dev/b"));
        QVERIFY(port.isOpen()); // the remembered port, open for the tick's "K"
        QCOMPARE(link.selectedEntry(), 1);

        link.setPortIndex(7); // beyond the list: the first entry
        link.SearchMeter();
        QCOMPARE(port.deviceName(), QStringLiteral("/dev/a"));
    }

    // Only the port the user asked for speaks on the status bar, and what
    // it says stays until that port opens, a meter answers, or the user
    // picks a port.
    void problemOfTheAskedPort()
    {
        ManualClock clock;
        ScriptedPort port;
        ScriptedPrompt prompt;
        MeterLink link(port, clock, prompt);
        QStringList shown;
        connect(&link, &MeterLink::askedPortProblemChanged, [&](const QString &t) { shown << t; });
        ScriptedMeter meter;
        meter.silent = true;
        port.devices[QStringLiteral("/dev/quiet")] = meter.device();
        link.setPortList({"/dev/asked", "/dev/other", "/dev/quiet"});
        QCOMPARE(link.askedPort(), QStringLiteral("/dev/asked"));
        link.SearchMeter();
        QCOMPARE(shown, QStringList{QStringLiteral("/dev/asked could not be opened")});
        for (int i = 0; i < 8; ++i) {
            clock.advanceMs(1000);
            link.ThTimer1Timer();
        }
        QCOMPARE(link.askedPortProblem(), QStringLiteral("/dev/asked could not be opened"));

        // The user picks a port: the words go, and come back for a port that
        // will not open, under its own name.
        port.devices.remove(QStringLiteral("/dev/quiet"));
        link.choosePort(0);
        QCOMPARE(shown.mid(1), (QStringList{QString(), QStringLiteral("/dev/quiet could not be opened")}));
        port.devices[QStringLiteral("/dev/quiet")] = meter.device();
        link.choosePort(0);
        QCOMPARE(link.askedPortProblem(), QString());

        // A meter found on another port than the one asked for ends it too.
        meter.silent = false;
        link.setPortList({"/dev/asked", "/dev/quiet"});
        link.SearchMeter();
        QVERIFY(link.connected());
        QCOMPARE(shown.mid(4), (QStringList{QStringLiteral("/dev/asked could not be opened"), QString()}));
    }

    void searchWithEmptyList()
    {
        ManualClock clock;
        ScriptedPort port;
        ScriptedPrompt prompt;
        MeterLink link(port, clock, prompt);
        LinkWatch watch(link);
        link.setPortList({});
        link.setPortIndex(3);
        link.SearchMeter();
        QVERIFY(!link.connected());
        QCOMPARE(watch.connectionStatus, QStringLiteral("Off Connection"));
        QVERIFY(port.opened.isEmpty());
        QCOMPARE(link.portIndex(), 0);
        // The tick then has no port to talk to and ends quietly.
        link.ThTimer1Timer();
        QVERIFY(!link.tickBusy());
        QCOMPARE(watch.connectionStatus, QStringLiteral("No Connection"));
    }

    void searchSurvivesFailingPort()
    {
        ManualClock clock;
        ScriptedPort port;
        ScriptedPrompt prompt;
        MeterLink link(port, clock, prompt);
        LinkWatch watch(link);
        port.devices[QStringLiteral("/dev/broken")] = [](char) { return QByteArray(); };
        port.devices[QStringLiteral("/dev/meter")] = [](char c) { return c == 'K' ? QByteArray("482\r") : QByteArray(); };
        link.setPortList({"/dev/broken", "/dev/meter"});
        port.failWrites = true;
        clock.setIdleHook([&](int) {
            if (port.deviceName() == QLatin1String("/dev/meter"))
                port.failWrites = false;
        });
        link.SearchMeter();
        QVERIFY(link.connected());
        QCOMPARE(link.portIndex(), 1);
    }

    void recogniseModel()
    {
        Rig rig;
        QSignalSpy layout(&rig.link, &MeterLink::modelRecognised);
        QVERIFY(rig.link.RecogniseModel(QByteArray("481\0", 4)));
        QCOMPARE(rig.link.model(), 481);
        QCOMPARE(rig.link.channelCount(), 1);
        QVERIFY(rig.link.RecogniseModel(QByteArray("\x02\x80\x00\x01", 4)));
        QCOMPARE(rig.link.model(), 481); // no number: the model stays
        rig.link.setModel(480);
        rig.link.RecogniseModel("abcd");
        QCOMPARE(rig.link.model(), 482);
        QCOMPARE(layout.count(), 3);
    }

    void recogniseModelReadsDigitsBeforeTheZero_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("model");
        // Digits that make no known model give the two-channel meter; only
        // a reply without digits keeps the model it had.
        QTest::newRow("48") << QByteArray("48\0\0", 4) << 482;
        QTest::newRow("4") << QByteArray("4\0\0\0", 4) << 482;
        QTest::newRow("481 then zero") << QByteArray("481\0", 4) << 481;
        QTest::newRow("zero first") << QByteArray("\0" "482", 4) << 481;
    }
    void recogniseModelReadsDigitsBeforeTheZero()
    {
        QFETCH(QByteArray, reply);
        Rig rig;
        rig.link.setModel(481);
        rig.link.RecogniseModel(reply);
        QTEST(rig.link.model(), "model");
    }

    void tickDecodesAndRequests()
    {
        Rig rig;
        rig.connect();
        QSignalSpy decoded(&rig.link, &MeterLink::frameDecoded);
        rig.port.written.clear();
        rig.tick();
        QCOMPARE(decoded.count(), 1);
        QCOMPARE(rig.link.reading().t1, 23.4);
        QCOMPARE(rig.link.missCount(), 0);
        QCOMPARE(rig.port.written, QByteArray("A"));
        // The same frame again: not decoded.
        rig.tick();
        QCOMPARE(decoded.count(), 1);
        rig.answer(QByteArray::fromHex("02800002350000021003"));
        rig.tick();
        QCOMPARE(decoded.count(), 2);
        QCOMPARE(rig.link.reading().t1, 23.5);
        QVERIFY(!rig.link.tickBusy());
    }

    void framesWithWrongMarksAreMisses()
    {
        Rig rig;
        rig.connect();
        rig.answer(QByteArray::fromHex("03800002340000021003"));
        const int purges = rig.port.purges;
        rig.tick();
        QCOMPARE(rig.link.missCount(), 1);
        QCOMPARE(rig.port.purges, purges + 1);
        rig.answer(QByteArray::fromHex("028000023400000210"));
        rig.tick();
        QCOMPARE(rig.link.missCount(), 2);
        // More than a frame waiting: the first ten count, the rest waits.
        rig.answer(QByteArray::fromHex("02800002340000021003") + "xy");
        rig.tick();
        QCOMPARE(rig.link.missCount(), 0);
        QCOMPARE(rig.port.input.left(2), QByteArray("xy"));
    }

    void fifthSilentTickDropsTheLink()
    {
        Rig rig;
        rig.connect();
        rig.tick();
        rig.goSilent();
        QSignalSpy label(&rig.link, &MeterLink::noConnectionChanged);
        for (int i = 1; i <= 4; ++i) {
            rig.tick();
            QVERIFY(rig.link.connected());
            QCOMPARE(rig.link.missCount(), i);
        }
        rig.port.written.clear();
        rig.tick();
        QVERIFY(!rig.link.connected());
        QCOMPARE(rig.link.missCount(), 0);
        QCOMPARE(rig.watch.connectionStatus, QStringLiteral("No Connection"));
        QVERIFY(rig.watch.noConnectionShown);
        QCOMPARE(rig.watch.connectionChanges, QList<bool>{false});
        // The dropping tick still sends its "A", then asks "K".
        QCOMPARE(rig.port.written, QByteArray("AK"));
        QVERIFY(label.count() >= 1);

        // Silent ticks go on asking "K".
        rig.port.written.clear();
        rig.tick();
        QCOMPARE(rig.port.written, QByteArray("K"));

        // The meter answers again: the four bytes reconnect it, this tick
        // sends nothing, the next counts one miss and asks for a frame.
        rig.meter.silent = false;
        rig.port.input = rig.meter.id();
        rig.port.written.clear();
        rig.tick();
        QVERIFY(rig.link.connected());
        QCOMPARE(rig.watch.connectionStatus, QStringLiteral("ON Connection"));
        QVERIFY(!rig.watch.noConnectionShown);
        QCOMPARE(rig.watch.checkedPortItem, 0);
        QCOMPARE(rig.port.written, QByteArray());
        rig.tick();
        QCOMPARE(rig.link.missCount(), 1);
        QCOMPARE(rig.port.written, QByteArray("A"));
        rig.tick();
        QCOMPARE(rig.link.missCount(), 0);
    }

    void keyPressToleratesOneMoreSilentTick()
    {
        Rig rig;
        rig.connect();
        rig.tick();
        QCOMPARE(rig.link.missCount(), 0);
        rig.link.pressHold();
        rig.link.pressCF(); // two clicks within one tick skip one request
        QCOMPARE(rig.port.written.right(2), QByteArray("HC"));
        rig.goSilent();
        rig.port.written.clear();
        rig.tick();
        QCOMPARE(rig.port.written, QByteArray()); // the request was skipped
        QCOMPARE(rig.link.missCount(), 0);        // 1 miss, less 1
        QVERIFY(!rig.link.skipRequest());
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QVERIFY(rig.link.connected());
        rig.tick();
        QVERIFY(!rig.link.connected());
    }

    void keyMissRightAfterGoodFrameGoesNegative()
    {
        Rig rig;
        rig.connect();
        rig.tick();
        rig.link.pressTT();
        rig.tick(); // a good frame was waiting: 0, then less 1
        QCOMPARE(rig.link.missCount(), -1);
        rig.goSilent();
        for (int i = 0; i < 5; ++i)
            rig.tick();
        QVERIFY(rig.link.connected());
        rig.tick();
        QVERIFY(!rig.link.connected());
    }

    void keysNeedAConnection()
    {
        Rig rig;
        rig.link.pressRel();
        rig.link.pressMma();
        rig.link.releaseMma();
        QCOMPARE(rig.prompt.informations, (QStringList{"No Connection", "No Connection"}));
        QVERIFY(!rig.link.skipRequest());
        QVERIFY(rig.port.written.isEmpty());
    }

    void keyBytesPerModel()
    {
        Rig two(482);
        two.connect();
        two.port.written.clear();
        two.link.pressRel();
        two.link.pressHold();
        two.link.pressTT();
        two.link.pressCF();
        QCOMPARE(two.port.written, QByteArray("THEC"));
        Rig one(481);
        one.connect();
        one.port.written.clear();
        one.link.pressRel();
        QCOMPARE(one.port.written, QByteArray("R"));
    }

    void keyOnClosedPortEndsSilently()
    {
        Rig rig;
        rig.connect();
        rig.port.close();
        rig.link.pressHold();
        QVERIFY(rig.link.skipRequest());
        QVERIFY(rig.prompt.informations.isEmpty());
    }

    void maxMinHold_data()
    {
        QTest::addColumn<double>("pressAt");
        QTest::addColumn<int>("heldMs");
        QTest::addColumn<QByteArray>("sent");
        const double noon = encodeDate(2026, 12, 8) + 0.5;
        QTest::newRow("1.9 s") << noon << 1900 << QByteArray("M");
        QTest::newRow("2.1 s") << noon << 2100 << QByteArray("N");
        QTest::newRow("short") << noon << 100 << QByteArray("M");
        QTest::newRow("across midnight")
            << encodeDate(2026, 12, 8) + encodeTime(23, 59, 59) << 3000 << QByteArray("M");
    }
    void maxMinHold()
    {
        QFETCH(double, pressAt);
        QFETCH(int, heldMs);
        Rig rig;
        rig.connect();
        rig.port.written.clear();
        rig.clock.setNow(pressAt);
        rig.link.pressMma();
        rig.clock.advanceMs(heldMs);
        rig.link.releaseMma();
        QTEST(rig.port.written, "sent");
        QVERIFY(rig.link.skipRequest());
    }

    void intervalRegulation()
    {
        Rig rig;
        QCOMPARE(rig.link.interval(), 700);
        QSignalSpy changed(&rig.link, &MeterLink::intervalChanged);
        rig.tick(700); // the first tick only remembers the time
        QCOMPARE(rig.link.interval(), 700);
        rig.tick(700); // 300 ms early
        QCOMPARE(rig.link.interval(), 1000);
        rig.tick(1000);
        QCOMPARE(rig.link.interval(), 1000);
        rig.tick(1100);
        QCOMPARE(rig.link.interval(), 900);
        rig.tick(2500);
        QCOMPARE(rig.link.interval(), 500); // never below
        QCOMPARE(changed.count(), 3);
    }

    void clockSetBackDoesNotStallTheTicks()
    {
        // A daylight-saving change or a correction moves the local clock an
        // hour back between two ticks that are a second apart.
        Rig rig;
        rig.connect();
        rig.tick(700);
        rig.tick(1000); // on time: the interval stays
        QCOMPARE(rig.link.interval(), 700);
        rig.clock.setNow(rig.clock.now() - 1.0 / 24);
        rig.tick(1000);
        QCOMPARE(rig.link.interval(), 700);
        rig.clock.setNow(rig.clock.now() + 1.0 / 24);
        rig.tick(1000);
        QCOMPARE(rig.link.interval(), 700);
        QCOMPARE(rig.link.missCount(), 0);
    }

    void failingPortEndsTickSilently()
    {
        Rig rig;
        rig.connect();
        rig.port.failWrites = true;
        rig.tick();
        QVERIFY(!rig.link.tickBusy());
        QVERIFY(rig.link.connected());
        QVERIFY(rig.prompt.informations.isEmpty());
    }

    void unpluggedAdapterComesBack()
    {
        Rig rig;
        rig.connect();
        rig.tick();
        rig.port.pullOut();
        for (int i = 0; i < 5; ++i)
            rig.tick();
        QVERIFY(!rig.link.connected());
        rig.port.opened.clear();
        rig.tick();
        rig.tick();
        // Absent: looked for again on each tick, and nothing else happens.
        QCOMPARE(rig.port.opened.size(), 0);
        QVERIFY(!rig.port.isOpen());
        // Plugged back at the same name.
        rig.port.devices[QStringLiteral("/dev/meter")] = rig.meter.device();
        rig.tick();
        QVERIFY(rig.port.isOpen());
        QCOMPARE(rig.port.written.right(1), QByteArray("K"));
        rig.tick();
        QVERIFY(rig.link.connected());
        QCOMPARE(rig.watch.connectionChanges, (QList<bool>{false, true}));
        rig.tick();
        rig.tick();
        QCOMPARE(rig.link.missCount(), 0);
    }

    // Before another exchange the line is settled: the answer to every
    // request still owed one is let in (or given up on after 2 s) and
    // thrown away with everything else waiting.
    void settleLineWaitsForEveryAnswerOwed()
    {
        Rig rig;
        rig.connect();
        rig.tick(); // takes the first frame; the meter is slow with the next
        rig.goSilent();
        rig.tick(); // no frame yet: the purge does not cancel the one on its way
        QCOMPARE(rig.port.written.right(2), QByteArray("AA"));
        QCOMPARE(rig.link.answersOwed(), 2);
        QList<QPair<int, int>> waits;
        rig.port.onWait = [&](int n, int ms) {
            waits.append({n, ms});
            rig.port.input += rig.meter.frame; // one frame comes in at a time
        };
        rig.clock.advanceMs(300);
        rig.link.settleLine();
        // Both frames, each within its own request's 2 s.
        QCOMPARE(waits, (QList<QPair<int, int>>{{20, 700}, {20, 1700}}));
        QVERIFY(rig.port.input.isEmpty());
        QCOMPARE(rig.link.answersOwed(), 0);

        // Nothing owed any more: no wait, only the purge.
        const int before = rig.port.waits;
        rig.port.input = "stale";
        rig.link.settleLine();
        QCOMPARE(rig.port.waits, before);
        QVERIFY(rig.port.input.isEmpty());

        // An answer that never comes is given up on at its time; the one
        // after it is still waited for, to the end of its own time.
        rig.tick();
        rig.clock.advanceMs(600);
        rig.tick(400);
        waits.clear();
        rig.port.onWait = [&](int n, int ms) {
            waits.append({n, ms});
            waits.size() == 1 ? rig.clock.advanceMs(ms) : void(rig.port.input += rig.meter.frame);
        };
        rig.link.settleLine();
        QCOMPARE(waits, (QList<QPair<int, int>>{{20, 1000}, {10, 1000}}));
        QVERIFY(rig.port.input.isEmpty());

        // A meter that has not answered in 2 s is not waited for.
        rig.tick();
        rig.clock.advanceMs(2000);
        const int unanswered = rig.port.waits;
        rig.link.settleLine();
        QCOMPARE(rig.port.waits, unanswered);

        // A slow meter's frames queue up: one has waited 2.5 s in the input
        // for a tick to read it. It has come; the frame asked for after it
        // is still let in.
        Rig slow;
        slow.connect();
        slow.link.requestFrame();
        slow.meter.silent = true;
        slow.tick(2500);
        waits.clear();
        slow.port.onWait = [&](int n, int ms) {
            waits.append({n, ms});
            slow.port.input += slow.meter.frame;
        };
        slow.link.settleLine();
        QCOMPARE(waits, (QList<QPair<int, int>>{{20, 2000}}));
        QVERIFY(slow.port.input.isEmpty());
    }

    // A meter that has just answered a download is there: the ticks that
    // missed its frames meanwhile do not add up to losing it.
    void meterThatAnsweredIsNotLost()
    {
        Rig rig;
        rig.connect();
        rig.goSilent();
        for (int i = 0; i < 4; ++i)
            rig.tick();
        rig.link.meterAnswered();
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QVERIFY(rig.link.connected());
        rig.tick();
        QVERIFY(!rig.link.connected());
    }

    // Samples are shown to the second. Ticks a little early or late that
    // fall near the turn of a second would land on either side of it, and a
    // one-second recording would show one second twice and skip the next.
    void oneSecondTicksShowEverySecondOnce()
    {
        Rig rig;
        rig.connect();
        rig.tick(700);
        rig.tick(700);
        QCOMPARE(rig.link.interval(), 1000);
        // The clock's second turns 2 ms after the next tick.
        const double second = 1.0 / kSecondsPerDay;
        rig.clock.setNow(std::floor(rig.clock.now() / second + 1) * second - 0.954 * second);
        QList<double> times;
        QObject::connect(&rig.link, &MeterLink::liveTick, [&](double t, bool) { times << t; });
        const auto everySecondOnce = [&] {
            for (int i = 1; i < times.size(); ++i) {
                const qint64 shown = qint64(std::floor(times[i] / second)) - qint64(std::floor(times[i - 1] / second));
                QVERIFY2(shown == 1, qPrintable(QStringLiteral("tick %1 shows %2 s after the one before").arg(i).arg(shown)));
                // The meter is still asked about once a second.
                QVERIFY(std::fabs((times[i] - times[i - 1]) / second - 1.0) <= 0.2);
            }
            times.clear();
        };
        // The timer fires its interval after the last tick, each time a
        // little early or late as a coarse timer does.
        for (int i = 0; i < 60; ++i)
            rig.tick(rig.link.interval() + (i % 2 ? 48 : -48));
        everySecondOnce();
        // The polling paused for a download and runs again; its first tick
        // comes a tenth of a second into a second.
        rig.clock.advanceMs(4321);
        rig.link.pollingResumed();
        rig.clock.setNow(std::floor(rig.clock.now() / second + 1) * second + 0.1 * second
                         - rig.link.interval() * second / 1000);
        for (int i = 0; i < 5; ++i)
            rig.tick(rig.link.interval());
        everySecondOnce();
        QCOMPARE(rig.link.missCount(), 0);
    }

    void portChange()
    {
        Rig rig(482, {"/dev/a", "/dev/b"});
        rig.connect();
        rig.link.choosePort(1);
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/b"));
        QVERIFY(rig.port.isOpen());
        QCOMPARE(rig.link.portIndex(), 1);
        QVERIFY(rig.link.connected()); // found out by the ticks
    }

    void comPortMenu()
    {
        Rig rig;
        rig.connect();
        rig.link.SelectPort(2);
        QCOMPARE(rig.port.deviceName(), QStringLiteral("Com2"));
        QCOMPARE(rig.link.portIndex(), 1);
        QCOMPARE(rig.watch.portStatus, QStringLiteral("COM2"));
        QCOMPARE(rig.watch.connectionStatus, QStringLiteral("On Connection"));
        QCOMPARE(rig.watch.checkedPortItem, 1);
        const int opens = rig.port.opened.size();
        rig.link.SelectPort(2); // the same item again does nothing
        QCOMPARE(rig.port.opened.size(), opens);
    }

    void delayLetsEventsRun()
    {
        Rig rig;
        int turns = 0;
        rig.clock.setIdleHook([&](int) { ++turns; });
        const qint64 took = rig.link.Delay(300);
        QVERIFY(took > 300);
        QVERIFY(turns >= 1);
    }
};

QTEST_GUILESS_MAIN(TestMeterLink)
#include "tst_meterlink.moc"
