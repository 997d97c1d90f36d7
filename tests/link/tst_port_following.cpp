// The port list that follows the system, through the enumeration seam: a
// port that comes is listed and searched while no meter is connected; one
// that goes is removed, while ports given by name stay; the meter whose
// adapter comes back under another name with the same identity is followed,
// and its recording goes on with the gap drawn. Then what the system side
// gathers: identities, by-id names, the emulator's folder, the search order.

#include "link/MeterLink.h"
#include "link/PortInfo.h"
#include "link/PortWatcher.h"
#include "views/GraphSetup.h"
#include "views/RealTimeRecorder.h"

#include "MeterEmulator.h"
#include "support/LinkRig.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace kv;
using namespace kv::test;

namespace {

PortInfo usbPort(const QString &name, const QString &serial, const QString &location = QStringLiteral("1-2"))
{
    PortInfo p;
    p.entry = name;
    p.device = QStringLiteral("/dev/") + name;
    p.description = QStringLiteral("FT232R USB UART");
    p.vendorId = 0x0403;
    p.productId = 0x6001;
    p.serialNumber = serial;
    p.location = location;
    if (!serial.isEmpty())
        p.byId = QStringLiteral("usb-FTDI_FT232R_USB_UART_%1-if00-port0").arg(serial);
    return p;
}

PortInfo legacyPort(const QString &name)
{
    PortInfo p;
    p.entry = name;
    p.device = QStringLiteral("/dev/") + name;
    p.description = QStringLiteral("16550A serial port");
    return p;
}

struct FakePorts final : PortEnumerator
{
    QList<PortInfo> list;
    int asked = 0;
    QList<PortInfo> ports() override
    {
        ++asked;
        return list;
    }
};

// A link over scripted devices whose system list the test changes.
struct Rig : LinkRig
{
    QTemporaryDir dir;
    LiveRun run{link, clock};
    RealTimeRecorder recorder{run, clock};
    std::unique_ptr<Chart> chart = std::make_unique<Chart>();

    Rig()
        : LinkRig(482, {})
    {
        port.devices.clear();
        recorder.setupGraph(*chart, -10, 50, GraphTemplate::locate(dir.filePath(QStringLiteral("KV481"))), prompt);
    }
    void plugMeterInto(const QString &device) { port.devices[device] = meter.device(); }
    QStringList labels() const
    {
        QStringList out;
        for (int i = 0; i < link.portList().size(); ++i)
            out << link.portInfo(i).label();
        return out;
    }
};

} // namespace

class TestPortFollowing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void aPortThatComesIsListedAndSearched()
    {
        Rig rig;
        rig.port.devices[QStringLiteral("/dev/ttyS0")] = [](char) { return QByteArray(); };
        rig.port.devices[QStringLiteral("/tmp/named")] = [](char) { return QByteArray(); };
        rig.link.setPorts({QStringLiteral("/tmp/named")}, {legacyPort(QStringLiteral("ttyS0"))});
        rig.link.SearchMeter();
        QVERIFY(!rig.link.connected());
        QSignalSpy found(&rig.link, &MeterLink::connectionChanged);
        QSignalSpy details(&rig.link, &MeterLink::portDetailsChanged);

        // The meter's adapter is plugged in: listed with what the system
        // says of it, and searched at the next tick.
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.link.updatePorts({legacyPort(QStringLiteral("ttyS0")), usbPort(QStringLiteral("ttyUSB0"), "A1")});
        QCOMPARE(rig.link.portList(),
                 (QStringList{QStringLiteral("/tmp/named"), QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")}));
        QCOMPARE(rig.labels().at(2), QStringLiteral("ttyUSB0 \u2014 FT232R USB UART"));
        QCOMPARE(rig.link.pendingSearch(), QStringList{QStringLiteral("ttyUSB0")});
        rig.tick();
        QVERIFY(rig.link.connected());
        QCOMPARE(found.count(), 1);
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(rig.link.selectedEntry(), 2);
        QCOMPARE(rig.link.portIndex(), 2);
        QCOMPARE(rig.watch.portStatus, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(details.last().first().toString(),
                 QStringLiteral("FT232R USB UART, usb-FTDI_FT232R_USB_UART_A1-if00-port0"));
        // The next tick asks it for frames as any connected meter.
        rig.tick();
        QVERIFY(rig.port.written.endsWith('A'));

        // The legacy port goes away; the port given by name stays listed
        // though the system knows nothing of it.
        rig.link.updatePorts({usbPort(QStringLiteral("ttyUSB0"), "A1")});
        QCOMPARE(rig.link.portList(), (QStringList{QStringLiteral("/tmp/named"), QStringLiteral("ttyUSB0")}));
        QCOMPARE(rig.link.selectedEntry(), 1);
    }

    void aPortWithoutAMeterLeavesTheLinkWhereItWas()
    {
        Rig rig;
        rig.link.setPorts({QStringLiteral("/dev/saved")}, {});
        rig.port.devices[QStringLiteral("/dev/saved")] = [](char) { return QByteArray(); };
        rig.link.SearchMeter();
        rig.port.devices[QStringLiteral("/dev/ttyACM0")] = [](char c) {
            return c == 'K' ? QByteArrayLiteral("OK\r\n") : QByteArray(); // answers, but is no meter
        };
        rig.link.updatePorts({usbPort(QStringLiteral("ttyACM0"), "Z9")});
        rig.tick();
        QVERIFY(!rig.link.connected());
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/saved"));
        QVERIFY(rig.port.isOpen());
        QVERIFY(rig.link.pendingSearch().isEmpty());
        // Searched once: the next tick asks the old port again.
        rig.port.opened.clear();
        rig.tick();
        QVERIFY(rig.port.opened.isEmpty());
        QVERIFY(rig.port.written.endsWith('K'));
    }

    void aPortThatComesWhileConnectedIsOnlyListed()
    {
        Rig rig;
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.link.setPorts({}, {usbPort(QStringLiteral("ttyUSB0"), "A1")});
        rig.connect();
        rig.port.devices[QStringLiteral("/dev/ttyUSB1")] = ScriptedMeter().device();
        rig.port.opened.clear();
        rig.link.updatePorts({usbPort(QStringLiteral("ttyUSB0"), "A1"), usbPort(QStringLiteral("ttyUSB1"), "B2")});
        rig.tick();
        QVERIFY(rig.port.opened.isEmpty());
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(rig.link.portList().size(), 2);
    }

    void theMeterIsFollowedToItsNewNameWithItsRecording()
    {
        Rig rig;
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.port.devices[QStringLiteral("/dev/ttyS0")] = [](char) { return QByteArray(); };
        rig.link.setPorts({}, {legacyPort(QStringLiteral("ttyS0")), usbPort(QStringLiteral("ttyUSB0"), "A1")});
        rig.connect();
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB0"));
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        QSignalSpy samples(&rig.run, &LiveRun::sampleTaken);
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QCOMPARE(samples.count(), 3);

        // Pulled out: the port goes from the system's list, the link loses
        // the meter after its misses as it always did.
        rig.port.pullOut();
        rig.link.updatePorts({legacyPort(QStringLiteral("ttyS0"))});
        QCOMPARE(rig.link.portList(), QStringList{QStringLiteral("ttyS0")});
        QCOMPARE(rig.link.followedIdentity(), QStringLiteral("serial:A1/if00-port0"));
        for (int i = 0; i < 6; ++i)
            rig.tick();
        QVERIFY(!rig.link.connected());

        // Another adapter comes first: not the meter's, and no meter there.
        rig.port.devices[QStringLiteral("/dev/ttyUSB1")] = [](char) { return QByteArray(); };
        rig.link.updatePorts({legacyPort(QStringLiteral("ttyS0")), usbPort(QStringLiteral("ttyUSB1"), "XX")});
        rig.tick();
        QVERIFY(!rig.link.connected());
        QCOMPARE(rig.link.followedIdentity(), QStringLiteral("serial:A1/if00-port0"));

        // Back in another socket, under another name, with its serial number.
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB2"));
        rig.link.updatePorts({legacyPort(QStringLiteral("ttyS0")), usbPort(QStringLiteral("ttyUSB1"), "XX"),
                              usbPort(QStringLiteral("ttyUSB2"), "A1", QStringLiteral("3-1"))});
        rig.tick();
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB2"));
        QVERIFY(rig.link.followedIdentity().isEmpty());
        rig.tick();
        QVERIFY(rig.link.connected());
        QCOMPARE(rig.link.selectedEntry(), 2);
        for (int i = 0; i < 3; ++i)
            rig.tick();

        // One recording: the samples before and after, a break between.
        QVERIFY(rig.recorder.recording());
        QVERIFY(samples.count() >= 5);
        int breaks = 0;
        for (int p = 0; p < rig.recorder.state().realTimePointCount; ++p)
            breaks += std::isnan(rig.chart->yData(0, p)) ? 1 : 0;
        QCOMPARE(breaks, 1);
        QVERIFY(!std::isnan(rig.chart->yData(0, rig.recorder.state().realTimePointCount - 1)));
    }

    void anotherMeterEndsTheRunAndRunStartsItsOwn()
    {
        Rig rig;
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.link.setPorts({}, {usbPort(QStringLiteral("ttyUSB0"), "A1")});
        rig.connect();
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QCOMPARE(rig.run.rows().count(), 3);
        QSignalSpy stopped(&rig.run, &LiveRun::runStopped);
        QSignalSpy cleared(&rig.run, &LiveRun::runCleared);

        // Pulled out; another adapter comes with a meter in it.
        rig.port.pullOut();
        rig.link.updatePorts({});
        for (int i = 0; i < 6; ++i)
            rig.tick();
        QVERIFY(!rig.link.connected());
        const int kept = rig.run.rows().count();
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB1"));
        rig.link.updatePorts({usbPort(QStringLiteral("ttyUSB1"), "B2", QStringLiteral("3-1"))});
        for (int i = 0; i < 4 && stopped.isEmpty(); ++i)
            rig.tick();
        QVERIFY(rig.link.connected());
        QCOMPARE(stopped.count(), 1);
        const QString why = stopped.first().at(0).toString();
        QCOMPARE(why, QStringLiteral("Recording stopped: the 482 on ttyUSB1 (adapter B2) answers, not the 482 on "
                                     "ttyUSB0 (adapter A1)."));
        QVERIFY(!rig.recorder.recording());
        rig.tick();
        QCOMPARE(rig.run.rows().count(), kept); // nothing of the other meter joined

        // Run starts a new run for the meter that answers now, set up for
        // it even when the old rows were cleared first.
        rig.recorder.clear();
        rig.recorder.run();
        QCOMPARE(cleared.count(), 2);
        QCOMPARE(cleared.last().at(0).toBool(), true);
        rig.tick();
        QCOMPARE(rig.run.rows().count(), 1);
        QCOMPARE(rig.run.runMeter().port, QStringLiteral("/dev/ttyUSB1"));
    }

    void aQuickReplugIsFollowedWhileStillConnected()
    {
        Rig rig;
        PortInfo before = usbPort(QStringLiteral("ttyUSB0"), QString(), QStringLiteral("1-4"));
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.link.setPorts({}, {before});
        rig.connect();
        QSignalSpy changes(&rig.link, &MeterLink::connectionChanged);
        rig.port.pullOut();
        rig.link.updatePorts({});
        // No serial number: the ids and the socket tell it.
        QCOMPARE(rig.link.followedIdentity(), QStringLiteral("usb:0403:6001@1-4"));
        // The same kind of adapter in another socket is another adapter.
        rig.port.devices[QStringLiteral("/dev/ttyUSB1")] = [](char) { return QByteArray(); };
        rig.link.updatePorts({usbPort(QStringLiteral("ttyUSB1"), QString(), QStringLiteral("1-3"))});
        rig.tick();
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB0"));
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB2"));
        rig.link.updatePorts({usbPort(QStringLiteral("ttyUSB1"), QString(), QStringLiteral("1-3")),
                              usbPort(QStringLiteral("ttyUSB2"), QString(), QStringLiteral("1-4"))});
        rig.tick();
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB2"));
        rig.tick();
        rig.tick();
        QVERIFY(rig.link.connected());
        QVERIFY(changes.isEmpty()); // never counted as lost
        QCOMPARE(rig.link.missCount(), 0);
    }

    void aPortPickedByTheUserIsNotLeftForTheMeterThatWent()
    {
        Rig rig;
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.port.devices[QStringLiteral("/dev/ttyS0")] = [](char) { return QByteArray(); };
        rig.link.setPorts({}, {legacyPort(QStringLiteral("ttyS0")), usbPort(QStringLiteral("ttyUSB0"), "A1")});
        rig.connect();
        rig.port.pullOut();
        rig.link.updatePorts({legacyPort(QStringLiteral("ttyS0"))});
        QVERIFY(!rig.link.followedIdentity().isEmpty());
        rig.link.choosePort(0);
        QVERIFY(rig.link.followedIdentity().isEmpty());
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB1"));
        rig.link.updatePorts({legacyPort(QStringLiteral("ttyS0")), usbPort(QStringLiteral("ttyUSB1"), "A1")});
        rig.tick();
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyS0"));
    }

    void aPortThatWouldNotOpenIsOfferedAgainAfterItCameBack()
    {
        Rig rig;
        rig.link.setPorts({}, {usbPort(QStringLiteral("ttyUSB0"), "A1")});
        rig.link.SearchMeter(); // no device: it will not open
        QVERIFY(rig.link.portList().isEmpty());
        rig.link.updatePorts({usbPort(QStringLiteral("ttyUSB0"), "A1")});
        QVERIFY(rig.link.portList().isEmpty());
        rig.link.updatePorts({});
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.link.updatePorts({usbPort(QStringLiteral("ttyUSB0"), "A1")});
        QCOMPARE(rig.link.portList(), QStringList{QStringLiteral("ttyUSB0")});
        rig.tick();
        QVERIFY(rig.link.connected());
    }

    void aPortGivenByNameThatComesLaterIsListedAndSearched()
    {
        Rig rig;
        rig.port.devices[QStringLiteral("/dev/ttyS0")] = [](char) { return QByteArray(); };
        const QString later = QStringLiteral("/tmp/kv481-later");
        rig.link.setPorts({later}, {legacyPort(QStringLiteral("ttyS0"))});
        rig.link.SearchMeter(); // not there yet: it will not open
        QCOMPARE(rig.link.portList(), QStringList{QStringLiteral("ttyS0")});
        // Something else changes: the port that would not open stays out.
        rig.link.updatePorts({legacyPort(QStringLiteral("ttyS0")), usbPort(QStringLiteral("ttyUSB3"), "C3")});
        QVERIFY(!rig.link.portList().contains(later));

        // The meter's link appears (the system enumeration tells of named
        // ports once they exist): listed again and searched.
        rig.plugMeterInto(later);
        PortInfo named;
        named.entry = later;
        named.device = QStringLiteral("/dev/pts/7");
        rig.link.updatePorts({legacyPort(QStringLiteral("ttyS0")), usbPort(QStringLiteral("ttyUSB3"), "C3"), named});
        QCOMPARE(rig.link.portList().first(), later);
        QVERIFY(rig.link.pendingSearch().contains(later));
        rig.tick();
        QVERIFY(rig.link.connected());
        QCOMPARE(rig.port.deviceName(), later);
    }

    void theMeterOfAPortGivenByNameIsFollowed()
    {
        Rig rig;
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.link.setPorts({QStringLiteral("/dev/ttyUSB0")}, {usbPort(QStringLiteral("ttyUSB0"), "A1")});
        rig.connect();
        rig.port.pullOut();
        rig.link.updatePorts({});
        // Still listed, as a port given by name is, but gone from the system.
        QCOMPARE(rig.link.portList(), QStringList{QStringLiteral("/dev/ttyUSB0")});
        QVERIFY(!rig.link.followedIdentity().isEmpty());
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB1"));
        rig.link.updatePorts({usbPort(QStringLiteral("ttyUSB1"), "A1")});
        rig.tick();
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB1"));
        rig.tick();
        QVERIFY(rig.link.connected());
    }

    void theOtherPortOfATwoPortAdapterIsNotTheMeters()
    {
        // Both ports of a two-port adapter carry its one serial number.
        PortInfo a = usbPort(QStringLiteral("ttyUSB0"), "D2");
        PortInfo b = usbPort(QStringLiteral("ttyUSB1"), "D2");
        b.byId = QStringLiteral("usb-FTDI_FT232R_USB_UART_D2-if01-port0");
        QVERIFY(a.identity() != b.identity());
        PortInfo c = usbPort(QStringLiteral("ttyUSB0"), QString(), QStringLiteral("1-2:1.0"));
        PortInfo d = usbPort(QStringLiteral("ttyUSB1"), QString(), QStringLiteral("1-2:1.1"));
        QVERIFY(c.identity() != d.identity());

        Rig rig;
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB1"));
        rig.port.devices[QStringLiteral("/dev/ttyUSB0")] = [](char) { return QByteArray(); };
        rig.link.setPorts({}, {b, a});
        rig.connect();
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB1"));
        // The adapter is pulled out and comes back with its ports renamed.
        rig.port.pullOut();
        rig.link.updatePorts({});
        PortInfo a2 = a, b2 = b;
        a2.entry = QStringLiteral("ttyUSB2"), a2.device = QStringLiteral("/dev/ttyUSB2");
        b2.entry = QStringLiteral("ttyUSB3"), b2.device = QStringLiteral("/dev/ttyUSB3");
        rig.port.devices[QStringLiteral("/dev/ttyUSB2")] = [](char) { return QByteArray(); };
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB3"));
        rig.link.updatePorts({a2, b2});
        rig.tick();
        QCOMPARE(rig.port.deviceName(), QStringLiteral("/dev/ttyUSB3"));
    }

    void aMeterBackUnderItsOwnNameIsNoLongerFollowed()
    {
        Rig rig;
        const PortInfo meterPort = usbPort(QStringLiteral("ttyUSB0"), "A1");
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.link.setPorts({}, {meterPort});
        rig.connect();
        rig.port.pullOut();
        rig.link.updatePorts({});
        QVERIFY(!rig.link.followedIdentity().isEmpty());
        rig.plugMeterInto(QStringLiteral("/dev/ttyUSB0"));
        rig.link.updatePorts({meterPort});
        QVERIFY(rig.link.followedIdentity().isEmpty());
    }

    void theWatcherTellsOnlyOfChanges()
    {
        FakePorts ports;
        ports.list = {legacyPort(QStringLiteral("ttyS0"))};
        PortWatcher watcher(ports);
        QCOMPARE(watcher.current().size(), 1);
        QSignalSpy changed(&watcher, &PortWatcher::portsChanged);
        watcher.poll();
        QCOMPARE(changed.count(), 0);
        ports.list << usbPort(QStringLiteral("ttyUSB0"), "A1");
        watcher.poll();
        QCOMPARE(changed.count(), 1);
        // What the system says of a port counts too.
        ports.list[1].description = QStringLiteral("another");
        watcher.poll();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(watcher.current().at(1).description, QStringLiteral("another"));
    }

    void identitiesAndNames()
    {
        QCOMPARE(usbPort(QStringLiteral("ttyUSB0"), "A1").identity(), QStringLiteral("serial:A1/if00-port0"));
        QCOMPARE(usbPort(QStringLiteral("ttyUSB0"), QString(), QString()).identity(), QString());
        QCOMPARE(legacyPort(QStringLiteral("ttyS0")).identity(), QString());
        QCOMPARE(serialFromById(QStringLiteral("usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0")),
                 QStringLiteral("A1B2C3D4"));
        QCOMPARE(serialFromById(QStringLiteral("usb-Maker_Model-if00-port0")), QString());
        QCOMPARE(serialFromById(QStringLiteral("pci-0000:00:16.3")), QString());
        // A USB adapter whose driver names it otherwise, and a folder's
        // port with a by-id name, are adapters too.
        PortInfo exar = usbPort(QStringLiteral("ttyXRUSB0"), "E1");
        PortInfo folder;
        folder.entry = QStringLiteral("/tmp/ports/ttyEMU0");
        folder.byId = QStringLiteral("usb-KV481_Meter_Emulator_E2-if00-port0");
        QCOMPARE(searchOrder(QList<PortInfo>{legacyPort(QStringLiteral("ttyS0")), exar, folder,
                                             usbPort(QStringLiteral("ttyUSB0"), "E3")}),
                 (QStringList{QStringLiteral("ttyUSB0"), QStringLiteral("ttyXRUSB0"), folder.entry,
                              QStringLiteral("ttyS0")}));
        QCOMPARE(searchOrder({QStringLiteral("ttyS0"), QStringLiteral("ttyUSB1"), QStringLiteral("/tmp/emu"),
                              QStringLiteral("ttyACM0"), QStringLiteral("ttyS1")}),
                 (QStringList{QStringLiteral("ttyUSB1"), QStringLiteral("ttyACM0"), QStringLiteral("ttyS0"),
                              QStringLiteral("/tmp/emu"), QStringLiteral("ttyS1")}));
    }

    void theEmulatorsFolderListsItAsAUsbAdapter()
    {
        QTemporaryDir dir;
        emu::Options o;
        o.linkPath = dir.filePath(QStringLiteral("ttyEMU0")).toStdString();
        o.usbSerial = "EMU0001";
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        QFile plain(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly)); // not a device: passed by
        plain.close();

        QList<PortInfo> ports = folderPorts(dir.path());
        QCOMPARE(ports.size(), 1);
        QCOMPARE(ports[0].entry, dir.filePath(QStringLiteral("ttyEMU0")));
        QCOMPARE(ports[0].device, QString::fromStdString(meter.devicePath()));
        QCOMPARE(ports[0].byId, QStringLiteral("usb-KV481_Meter_Emulator_EMU0001-if00-port0"));
        QCOMPARE(ports[0].description, QStringLiteral("KV481 Meter Emulator"));
        QCOMPARE(ports[0].identity(), QStringLiteral("serial:EMU0001/if00-port0"));

        // Replugged under another name: the same identity, the old name gone.
        QVERIFY(meter.replugAs(dir.filePath(QStringLiteral("ttyEMU1")).toStdString()));
        ports = SystemPortEnumerator({dir.path()}, false).ports();
        QCOMPARE(ports.size(), 1);
        QCOMPARE(ports[0].entry, dir.filePath(QStringLiteral("ttyEMU1")));
        QCOMPARE(ports[0].identity(), QStringLiteral("serial:EMU0001/if00-port0"));
        // A link given by name, in no folder watched, is told of once it
        // exists, so that the list can follow it too.
        QTemporaryDir other;
        const QString named = other.filePath(QStringLiteral("elsewhere"));
        QVERIFY(SystemPortEnumerator({}, false, {named}).ports().isEmpty());
        QVERIFY(QFile::link(QString::fromStdString(meter.devicePath()), named));
        ports = SystemPortEnumerator({}, false, {named}).ports();
        QCOMPARE(ports.size(), 1);
        QCOMPARE(ports[0].entry, named);
        // Listed once when a folder holds it as well.
        QCOMPARE(SystemPortEnumerator({dir.path()}, false, {dir.filePath(QStringLiteral("ttyEMU1"))}).ports().size(), 1);
        QFile::remove(named);
        meter.stop();
        QVERIFY(folderPorts(dir.path()).isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("by-id/usb-KV481_Meter_Emulator_EMU0001-if00-port0"))));
    }
};

QTEST_MAIN(TestPortFollowing)
#include "tst_port_following.moc"
