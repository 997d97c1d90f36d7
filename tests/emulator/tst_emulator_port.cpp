// The meter emulator on a real pseudo-terminal, opened through the Qt
// serial port adapter as the program opens a meter.

#include "link/LiveFrame.h"
#include "link/QtSerialPort.h"
#include "support/BuildPaths.h"

#include "MeterEmulator.h"

#include <QDir>
#include <QProcess>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace kv;

namespace {

// Waits (running events) until n bytes are waiting or the time is up.
int waitFor(QtSerialPort &port, int n, int ms = 2000)
{
    QElapsedTimer t;
    t.start();
    int waiting = port.bytesWaiting();
    while (waiting < n && t.elapsed() < ms) {
        QTest::qWait(5);
        waiting = port.bytesWaiting();
    }
    return waiting;
}

QByteArray ask(QtSerialPort &port, char request, int n, int ms = 2000)
{
    port.purgeInput();
    port.write(QByteArray(1, request));
    waitFor(port, n, ms);
    return port.read(n);
}

Frame frameOf(const QByteArray &b)
{
    Frame f{};
    std::copy(b.begin(), b.begin() + std::min<int>(10, b.size()), f.begin());
    return f;
}

} // namespace

class TestEmulatorPort : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void identificationAndFrame_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("481") << 481;
        QTest::newRow("482") << 482;
    }
    void identificationAndFrame()
    {
        QFETCH(int, model);
        emu::Options o;
        o.model = model;
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        meter.setTemperatures(23.4, -25.0);

        QtSerialPort port;
        port.setDeviceName(QString::fromStdString(meter.devicePath()));
        QVERIFY(port.open());
        const QByteArray id = ask(port, 'K', 4);
        QCOMPARE(id.size(), 4);
        QCOMPARE(id.left(3), QByteArray::number(model));

        const QByteArray frame = ask(port, 'A', 10);
        QCOMPARE(frame.size(), 10);
        const Frame f = frameOf(frame);
        QVERIFY(isFramed(f));
        FrameDecoder d;
        QVERIFY(d.dispatchFrame(f, model));
        QCOMPARE(d.reading().t1, 23.4);
        QVERIFY(d.reading().celsius);
        if (model == 482) {
            QCOMPARE(d.reading().t2, -25.0);
            QVERIFY(d.reading().t2Negative);
        } else {
            QCOMPARE(d.reading().unit2, QStringLiteral("HH:MM"));
        }
    }

    void keysChangeTheFrames()
    {
        emu::Options o;
        o.model = 482;
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        meter.setTemperatures(1500.0, 100.0); // T1 beyond the K type's range
        meter.setFixedTime({2026, 12, 8, 14, 35, 0});
        QtSerialPort port;
        port.setDeviceName(QString::fromStdString(meter.devicePath()));
        QVERIFY(port.open());
        FrameDecoder d;
        auto live = [&] {
            QVERIFY(d.dispatchFrame(frameOf(ask(port, 'A', 10)), 482) || true);
        };
        live();
        QVERIFY(d.reading().t1Overload);
        QCOMPARE(d.reading().mainDigits, (DisplayDigits{10, 10, 10, 10}));
        QCOMPARE(d.reading().t2, 100.0);

        port.write("C");
        live();
        QVERIFY(!d.reading().celsius);
        QCOMPARE(d.reading().t2, 212.0);
        port.write("H");
        live();
        QVERIFY(d.reading().hold);
        meter.setTemperatures(20.0, 50.0);
        live();
        QCOMPARE(d.reading().t2, 212.0); // held
        port.write("H");
        port.write("C");
        live();
        QCOMPARE(d.reading().t2, 50.0);
        port.write("M");
        live();
        QCOMPARE(d.reading().maxMinMode, 1);
        port.write("M");
        live();
        QCOMPARE(d.reading().maxMinMode, 2);
        port.write("N");
        live();
        QCOMPARE(d.reading().maxMinMode, 0);
        port.write("T");
        live();
        QVERIFY(d.reading().clockMode);
        QCOMPARE(d.reading().mainDigits, (DisplayDigits{2, 0, 2, 6}));
        QCOMPARE(d.reading().thirdDigits, (DisplayDigits{1, 2, 0, 8}));
        QCOMPARE(d.reading().subDigits, (DisplayDigits{1, 4, 3, 5}));
        port.write("E");
        live();
        QVERIFY(d.reading().meterRecording);
        QCOMPARE(QByteArray::fromStdString(meter.received()).right(3), QByteArray("AEA"));
    }

    void relativeOnTheOneChannelMeter()
    {
        emu::Options o;
        o.model = 481;
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        meter.setTemperatures(30.0, 0);
        QtSerialPort port;
        port.setDeviceName(QString::fromStdString(meter.devicePath()));
        QVERIFY(port.open());
        port.write("R");
        QTRY_VERIFY(meter.state().relative);
        meter.setTemperatures(32.5, 0);
        FrameDecoder d;
        d.dispatchFrame(frameOf(ask(port, 'A', 10)), 481);
        QVERIFY(d.reading().relative);
        QCOMPARE(d.reading().t1, 2.5);
        QCOMPARE(d.reading().statusText, QStringLiteral(" REL"));
    }

    void memoryInBlocks()
    {
        emu::Options o;
        o.model = 481;
        o.faults.splitBlock = 2;
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        const emu::Bytes memory = meter.memory();
        const int last = emu::lastAddress(memory);
        QVERIFY(last > 1000);
        QtSerialPort port;
        port.setDeviceName(QString::fromStdString(meter.devicePath()));
        QVERIFY(port.open());
        QByteArray image = ask(port, 'P', 256);
        QCOMPARE(image.size(), 256);
        QCOMPARE((uchar(image[11]) << 8) | uchar(image[12]), last);
        const int blocks = (last - 255 + 255) / 256;
        for (int i = 0; i < blocks; ++i) {
            port.write("R");
            // The split block comes as 200 bytes now and 56 later.
            waitFor(port, 256, i == 1 ? 300 : 2000);
            image += port.read(512);
        }
        QVERIFY(image.size() >= last + 1);
        for (int i = 0; i <= last; ++i)
            QCOMPARE(uchar(image[i]), memory[i]);
        // The download is over: "R" is the relative key again.
        port.write("R");
        QTRY_VERIFY(meter.state().relative);
    }

    void faults()
    {
        emu::Options o;
        o.model = 482;
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        QtSerialPort port;
        port.setDeviceName(QString::fromStdString(meter.devicePath()));
        QVERIFY(port.open());

        emu::Faults f;
        f.badStartMark = true;
        f.badEndMark = true;
        meter.setFaults(f);
        const QByteArray bad = ask(port, 'A', 10);
        QCOMPARE(bad.size(), 10);
        QVERIFY(!isFramed(frameOf(bad)));

        f = {};
        f.shortAnswers = 3;
        meter.setFaults(f);
        QCOMPARE(ask(port, 'K', 4, 300).size(), 3);

        meter.setSilent(true);
        QCOMPARE(ask(port, 'A', 10, 300).size(), 0);
        meter.setSilent(false);
        f = {};
        f.stopAfterBlocks = 1;
        meter.setFaults(f);
        QCOMPARE(ask(port, 'P', 256).size(), 256);
        port.write("R");
        QCOMPARE(waitFor(port, 256), 256);
        port.read(256);
        port.write("R");
        QCOMPARE(waitFor(port, 256, 300), 0);
    }

    void pacedAt9600Baud()
    {
        emu::Options o;
        o.paced = true;
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        QtSerialPort port;
        port.setDeviceName(QString::fromStdString(meter.devicePath()));
        QVERIFY(port.open());
        QElapsedTimer t;
        t.start();
        QCOMPARE(ask(port, 'P', 256).size(), 256);
        // 256 bytes of 10 bits take about 267 ms on the wire.
        QVERIFY2(t.elapsed() >= 250, qPrintable(QString::number(t.elapsed())));
    }

    void programFromTheShell()
    {
        // The program prints its device on the first line and answers there.
        QTemporaryDir dir;
        QProcess emulator;
        emulator.start(kv::test::emulatorProgram(),
                       {QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--link"),
                        dir.filePath(QStringLiteral("kv481")), QStringLiteral("--steady"), QStringLiteral("-12.5")});
        QVERIFY(emulator.waitForStarted());
        QVERIFY(emulator.waitForReadyRead(5000));
        const QString device = QString::fromLocal8Bit(emulator.readLine()).trimmed();
        QVERIFY2(device.startsWith(QStringLiteral("/dev/")), qPrintable(device));
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("kv481"))).symLinkTarget(), device);
        {
            QtSerialPort port;
            port.setDeviceName(dir.filePath(QStringLiteral("kv481")));
            QVERIFY(port.open());
            QCOMPARE(ask(port, 'K', 4).left(3), QByteArray("481"));
            FrameDecoder d;
            QVERIFY(d.dispatchFrame(frameOf(ask(port, 'A', 10)), 481));
            QCOMPARE(d.reading().t1, -12.5);
        }
        emulator.terminate();
        QVERIFY(emulator.waitForFinished(5000));
        QCOMPARE(emulator.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("kv481")))); // the link goes with it

        QProcess bad;
        bad.start(kv::test::emulatorProgram(), {QStringLiteral("--model"), QStringLiteral("480")});
        QVERIFY(bad.waitForFinished(5000));
        QCOMPARE(bad.exitCode(), 2);
    }

    void adapterPortOperations()
    {
        QTemporaryDir dir;
        emu::Options o;
        o.linkPath = dir.filePath(QStringLiteral("meter")).toStdString();
        emu::MeterEmulator meter(o);
        QVERIFY(meter.start());
        QtSerialPort port;
        // Writing to a port that is not open fails with the one exception.
        QVERIFY_THROWS_EXCEPTION(PortAbort, port.write("A"));
        QVERIFY_THROWS_EXCEPTION(PortAbort, port.bytesWaiting());

        port.setDeviceName(QString::fromStdString(o.linkPath));
        QVERIFY(port.open());
        QVERIFY(!port.deviceLost());
        // Bytes the system holds are seen without running any events, and a
        // purge clears them there as well as in Qt's own buffer.
        port.write("K");
        QElapsedTimer t;
        t.start();
        while (port.bytesWaiting() < 4 && t.elapsed() < 2000)
            QThread::msleep(2);
        QCOMPARE(port.bytesWaiting(), 4);
        port.write("A");
        QThread::msleep(100);
        port.purgeInput();
        QCOMPARE(port.bytesWaiting(), 0);

        // The device goes away: the port notices, closes and says so.
        QSignalSpy lost(&port, &QtSerialPort::lost);
        meter.unplug();
        QVERIFY(!QFileInfo::exists(QString::fromStdString(o.linkPath)));
        for (int i = 0; i < 100 && port.isOpen(); ++i) {
            try {
                port.bytesWaiting();
            } catch (const PortAbort &) {
            }
            QTest::qWait(10);
        }
        QVERIFY(!port.isOpen());
        QVERIFY(port.deviceLost());
        QCOMPARE(lost.count(), 1);
        QVERIFY(!port.open());

        // Plugged back at the same path, it opens and answers again.
        QVERIFY(meter.replug());
        QVERIFY(port.open());
        QVERIFY(!port.deviceLost());
        QCOMPARE(ask(port, 'K', 4).left(3), QByteArray("482"));
    }
};

QTEST_GUILESS_MAIN(TestEmulatorPort)
#include "tst_emulator_port.moc"
