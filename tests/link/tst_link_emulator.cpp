// The real link over the Qt serial port against the emulated meter on a
// pseudo-terminal: search, live readings, losing and regaining the meter,
// key commands, and an adapter pulled out and plugged back.

#include "common/Clock.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"
#include "views/RealTimeRecorder.h"

#include "MeterEmulator.h"
#include "support/LinkWatch.h"
#include "support/ScriptedPrompt.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kv;

namespace {

// The system clock, with a shift a test can add to (for a key held down
// longer than it wants to wait).
class ShiftedClock final : public Clock
{
public:
    double now() const override { return m_sys.now() + m_shiftMs / 86400000.0; }
    qint64 tickCount() const override { return m_sys.tickCount() + m_shiftMs; }
    void idle(int ms) override { m_sys.idle(ms); }
    void shift(qint64 ms) { m_shiftMs += ms; }

private:
    SystemClock m_sys;
    qint64 m_shiftMs = 0;
};

struct Meter
{
    std::unique_ptr<emu::MeterEmulator> emu;
    QString path;
};

Meter startMeter(const QTemporaryDir &dir, const QString &name, int model, bool silent = false)
{
    emu::Options o;
    o.model = model;
    o.linkPath = dir.filePath(name).toStdString();
    o.faults.silent = silent;
    Meter m{std::make_unique<emu::MeterEmulator>(o), dir.filePath(name)};
    m.emu->setTemperatures(21.5, 19.0);
    if (!m.emu->start())
        qFatal("cannot start the emulator");
    return m;
}

struct Link
{
    ShiftedClock clock;
    QtSerialPort port;
    test::ScriptedPrompt prompt;
    MeterLink link{port, clock, prompt};
    test::LinkWatch watch{link};
    LiveRun run{link, clock};
    RealTimeRecorder recorder{run, clock};
    bool stopEnabled = false;

    Link()
    {
        QObject::connect(&recorder, &RealTimeRecorder::controlsChanged,
                         [this](bool, bool stop) { stopEnabled = stop; });
    }

    // Searches the one port, sends the first request as start-up does, and
    // lets two ticks go by.
    void connectTo(const QString &path)
    {
        link.setPortList({path});
        link.SearchMeter();
        port.write("A");
        ticks(2);
    }
    void ticks(int n)
    {
        // The meter answers within a few milliseconds; a real tick comes
        // a second after the last one.
        for (int i = 0; i < n; ++i) {
            QTest::qWait(60);
            link.ThTimer1Timer();
        }
    }
    // Ticks until the condition holds (or 40 ticks have passed).
    template <typename F> bool tickUntil(F f)
    {
        for (int i = 0; i < 40 && !f(); ++i)
            ticks(1);
        return f();
    }
};

} // namespace

class TestLinkEmulator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void searchFindsEachModel_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("481") << 481;
        QTest::newRow("482") << 482;
    }
    void searchFindsEachModel()
    {
        QFETCH(int, model);
        QTemporaryDir dir;
        Meter silent = startMeter(dir, QStringLiteral("silent"), 482, true);
        Meter meter = startMeter(dir, QStringLiteral("meter"), model);
        Link l;
        l.link.setModel(model == 481 ? 482 : 481);
        l.link.setPortList({dir.filePath(QStringLiteral("missing")), silent.path, meter.path});
        l.link.SearchMeter();
        QVERIFY(l.link.connected());
        QCOMPARE(l.link.model(), model);
        QCOMPARE(l.link.portIndex(), 2);
        QCOMPARE(l.link.portList(), (QStringList{silent.path, meter.path}));
        QCOMPARE(l.watch.connectionStatus, QStringLiteral("On Connection"));
        QCOMPARE(l.watch.portStatus, meter.path);
    }

    void liveReadingsFollowTheMeter()
    {
        QTemporaryDir dir;
        Meter meter = startMeter(dir, QStringLiteral("meter"), 482);
        Link l;
        l.connectTo(meter.path);
        QVERIFY(l.tickUntil([&] { return l.link.reading().t1 == 21.5; }));
        QCOMPARE(l.link.reading().t2, 19.0);
        meter.emu->setTemperatures(-12.3, 250.5);
        QVERIFY(l.tickUntil([&] { return l.link.reading().t1 == -12.3; }));
        QCOMPARE(l.link.reading().t2, 250.5);
        meter.emu->setTemperatures(1400.0, 20.0);
        QVERIFY(l.tickUntil([&] { return l.link.reading().t1Overload; }));
        QCOMPARE(l.link.missCount(), 0);
    }

    void silenceDropsAndAnswersReconnect()
    {
        QTemporaryDir dir;
        Meter meter = startMeter(dir, QStringLiteral("meter"), 481);
        Link l;
        l.connectTo(meter.path);
        QCOMPARE(l.link.missCount(), 0);
        QTest::qWait(60); // the last request answered
        meter.emu->setSilent(true);
        l.ticks(1); // the frame asked for before the silence
        l.ticks(4);
        QVERIFY(l.link.connected());
        QCOMPARE(l.link.missCount(), 4);
        l.ticks(1);
        QVERIFY(!l.link.connected());
        QCOMPARE(l.watch.connectionStatus, QStringLiteral("No Connection"));
        QVERIFY(l.watch.noConnectionShown);
        meter.emu->setSilent(false);
        QVERIFY(l.tickUntil([&] { return l.link.connected(); }));
        QCOMPARE(l.watch.connectionStatus, QStringLiteral("ON Connection"));
        QVERIFY(!l.watch.noConnectionShown);
        QVERIFY(l.tickUntil([&] { return l.link.missCount() == 0 && l.link.reading().t1 == 21.5; }));
    }

    void keysReachTheMeter()
    {
        QTemporaryDir dir;
        Meter meter = startMeter(dir, QStringLiteral("meter"), 482);
        Link l;
        l.connectTo(meter.path);
        const Reading &r = l.link.reading();

        l.link.pressHold();
        QVERIFY(l.tickUntil([&] { return r.hold; }));
        l.link.pressHold();
        QVERIFY(l.tickUntil([&] { return !r.hold; }));
        l.link.pressCF();
        QVERIFY(l.tickUntil([&] { return !r.celsius && r.unit1 == QLatin1String("F"); }));
        QCOMPARE(r.t1, 70.7); // 21.5 C
        l.link.pressCF();
        l.link.pressTT();
        QVERIFY(l.tickUntil([&] { return r.meterRecording && r.celsius; }));
        l.link.pressTT();
        l.link.pressRel(); // TIME on the two-channel meter
        QVERIFY(l.tickUntil([&] { return r.clockMode && !r.meterRecording; }));
        l.link.pressRel();
        QVERIFY(l.tickUntil([&] { return !r.clockMode; }));

        l.link.pressMma();
        l.link.releaseMma();
        QVERIFY(l.tickUntil([&] { return r.maxMinMode == 1 && r.statusText == QLatin1String(" MAX"); }));
        l.link.pressMma();
        l.clock.shift(2100); // held for 2.1 s
        l.link.releaseMma();
        QVERIFY(l.tickUntil([&] { return r.maxMinMode == 0; }));
        QVERIFY(l.link.connected());
        QCOMPARE(QByteArray::fromStdString(meter.emu->received()).count('N'), 1);
    }

    void relativeKeyOnTheOneChannelMeter()
    {
        QTemporaryDir dir;
        Meter meter = startMeter(dir, QStringLiteral("meter"), 481);
        Link l;
        l.connectTo(meter.path);
        l.link.pressRel();
        QVERIFY(l.tickUntil([&] { return l.link.reading().relative; }));
        QCOMPARE(l.link.reading().statusText, QStringLiteral(" REL"));
        QCOMPARE(l.link.reading().t1, 0.0);
    }

    // A slow meter sends each frame 0.7 s late; the tick after a download
    // comes half a second after the first: two frames are on their way.
    void everyFrameOwedIsInBeforeTheLineIsSettled()
    {
        QTemporaryDir dir;
        emu::Options o;
        o.model = 482;
        o.paced = true;
        o.faults.frameDelayMs = 700;
        o.linkPath = dir.filePath(QStringLiteral("slow")).toStdString();
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        Link l;
        l.link.setPortList({dir.filePath(QStringLiteral("slow"))});
        l.link.SearchMeter();
        QVERIFY(l.link.connected());
        l.link.requestFrame();
        QTest::qWait(1000);
        l.link.ThTimer1Timer(); // takes that frame, asks for the next
        QCOMPARE(l.link.missCount(), 0);
        QTest::qWait(475);
        l.link.ThTimer1Timer(); // nothing yet: counted a miss, asks again
        QCOMPARE(l.link.missCount(), 1);
        QCOMPARE(l.link.answersOwed(), 2);
        l.link.settleLine();
        l.port.write("P");
        QCOMPARE(l.port.waitForBytes(256, 2000), 256);
        const emu::Bytes memory = meter.memory();
        QCOMPARE(l.port.read(256), QByteArray(reinterpret_cast<const char *>(memory.data()), 256));
    }

    // One meter reached through a symlink and through its target is one
    // port: whichever program opens it first holds it, the other is told
    // that it is busy, under the name it asked for.
    void symlinkAndTargetAreOnePort()
    {
        QTemporaryDir dir;
        Meter meter = startMeter(dir, QStringLiteral("meter"), 482);
        const QString device = QString::fromStdString(meter.emu->devicePath());
        QVERIFY(QFileInfo(meter.path).isSymLink());
        for (const bool linkFirst : {true, false}) {
            QtSerialPort first;
            QtSerialPort second;
            first.setDeviceName(linkFirst ? meter.path : device);
            second.setDeviceName(linkFirst ? device : meter.path);
            QVERIFY(first.open());
            QVERIFY(!second.open());
            QCOMPARE(second.openFailure(), QStringLiteral("%1 is busy: another program is using it; close that "
                                                          "program and try again")
                                               .arg(second.deviceName()));
            first.close();
            QVERIFY(second.open());
        }

        // The search of a second program passes the port by.
        Link holder;
        holder.connectTo(meter.path);
        QVERIFY(holder.link.connected());
        Link other;
        QStringList problems;
        QObject::connect(&other.link, &MeterLink::portProblem, [&](const QString &why) { problems << why; });
        other.link.setPortList({device});
        other.link.SearchMeter();
        QVERIFY(!other.link.connected());
        QVERIFY(!problems.isEmpty());
        QVERIFY(problems.first().startsWith(device + QStringLiteral(" is busy")));
        holder.ticks(3);
        QVERIFY(holder.link.connected());
        QCOMPARE(holder.link.missCount(), 0);
    }

    void adapterPulledOutAndPluggedBack()
    {
        QTemporaryDir dir;
        Meter meter = startMeter(dir, QStringLiteral("meter"), 482);
        Link l;
        l.connectTo(meter.path);
        l.recorder.run();
        l.recorder.setSamplingRate(1);
        int samples = 0;
        QObject::connect(&l.run, &LiveRun::sampleTaken, [&]() { ++samples; });
        l.ticks(2);
        QVERIFY(samples > 0);

        meter.emu->unplug();
        QVERIFY(l.tickUntil([&] { return !l.link.connected(); }));
        QVERIFY(!l.port.isOpen());
        QVERIFY(l.port.deviceLost());
        l.ticks(3); // still away: nothing to open
        QVERIFY(!l.port.isOpen());

        QVERIFY(meter.emu->replug());
        QVERIFY(l.tickUntil([&] { return l.link.connected(); }));
        const int before = samples;
        QVERIFY(l.tickUntil([&] { return l.link.missCount() == 0 && samples > before + 1; }));
        QVERIFY(l.recorder.recording());
        QVERIFY(l.stopEnabled);
    }
};

QTEST_GUILESS_MAIN(TestLinkEmulator)
#include "tst_link_emulator.moc"
