// The logger memory download: the header and its three attempts, the size
// checks, one request per block, answers in parts, a meter that falls
// silent, Cancel; first against a scripted meter on a hand-moved clock,
// then against the emulated meter over a real pseudo-terminal.

#include "common/Clock.h"
#include "link/QtSerialPort.h"
#include "logger/DataSetDecoder.h"
#include "logger/LoggerDownload.h"

#include "LoggerMemory.h"
#include "MeterEmulator.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompt.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kv;
using Outcome = LoggerDownload::Outcome;

using kv::test::ScriptedPort;

namespace {

// A memory whose last address in use is `last`: one record filling it, of
// one-channel samples (two-channel ones when `channels` is 2).
emu::Bytes memoryTo(int last, int channels = 1)
{
    emu::DataSetDesc s;
    s.year = 2026;
    s.month = 12;
    s.day = 8;
    s.hour = 9;
    s.intervalSeconds = 2;
    const int n = (last - 255 - 16) / (2 * channels);
    for (int i = 0; i < n; ++i) {
        s.channel1.push_back(20.0 + (i % 37) * 0.5);
        s.channel2.push_back(-3.0 - (i % 11));
    }
    emu::Bytes m = emu::buildMemory(channels, {s});
    // Leave no byte to chance beyond the record.
    m.resize(emu::kMemorySize);
    for (std::size_t i = emu::lastAddress(m) + 1; i < m.size(); ++i)
        m[i] = static_cast<std::uint8_t>(i * 7);
    return m;
}

QByteArray bytesOf(const emu::Bytes &m)
{
    return QByteArray(reinterpret_cast<const char *>(m.data()), static_cast<int>(m.size()));
}

// The image a download must produce: the memory up to its last address,
// byte 30 holding the bytes per sample.
QByteArray expectedImage(QByteArray memory, int lastAddress, int model)
{
    memory[30] = char(model == 482 ? 4 : 2);
    return memory.left(lastAddress + 1);
}

// The meter's memory behind a scripted port: "P" gives the header block,
// each "R" the next 256 bytes, with the faults a test asks for.
struct ScriptedLogger
{
    QByteArray memory;
    int headerBytes = 256;  // below 256: every header answer is cut short
    int stopAfterBlocks = -1;
    int splitBlock = -1;    // this block goes out as 200 bytes, the rest with the next
    int served = 0;
    QByteArray heldBack;

    ScriptedPort::Device device()
    {
        return [this](char c) -> QByteArray {
            QByteArray a;
            if (c == 'P') {
                served = 0;
                return memory.left(headerBytes);
            }
            if (c != 'R' || served == stopAfterBlocks)
                return {};
            a = memory.mid(256 + served * 256, 256);
            a.append(QByteArray(256 - a.size(), char(0xFF)));
            ++served;
            a.prepend(std::exchange(heldBack, QByteArray()));
            if (served == splitBlock) {
                heldBack = a.right(56);
                a.chop(56);
            }
            return a;
        };
    }
};

// A scripted port whose waits pass on a manual clock: nothing arrives while
// the job waits, so each wait uses up the time it was given.
struct Bench
{
    ManualClock clock;
    ScriptedPort port;
    ScriptedLogger meter;
    LoggerDownload job{port, clock};

    explicit Bench(const QByteArray &memory)
    {
        meter.memory = memory;
        port.devices.insert(QStringLiteral("meter"), meter.device());
        port.setDeviceName(QStringLiteral("meter"));
        port.open();
        port.input = "stale";
        port.onWait = [this](int, int ms) { clock.advanceMs(ms); };
    }
};

void put16(QByteArray &b, int at, int v)
{
    b[at] = char(v >> 8);
    b[at + 1] = char(v & 0xFF);
}

} // namespace

class TestLoggerDownload : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sizes_data()
    {
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QByteArray>("requests");
        QTest::addColumn<int>("total");
        QTest::newRow("only the header") << 255 << 481 << int(Outcome::NoData) << QByteArray("P") << 0;
        QTest::newRow("below the header") << 100 << 481 << int(Outcome::ReadError) << QByteArray("P") << 0;
        QTest::newRow("256") << 256 << 481 << int(Outcome::ReadError) << QByteArray("P") << 0;
        QTest::newRow("272, one byte short of a set") << 272 << 482 << int(Outcome::ReadError) << QByteArray("P") << 0;
        QTest::newRow("273, one sample") << 273 << 481 << int(Outcome::Downloaded) << QByteArray("PR") << 256;
        QTest::newRow("1279, four blocks") << 1279 << 482 << int(Outcome::Downloaded) << QByteArray("PRRRR") << 1024;
        QTest::newRow("1280, a byte into a fifth")
            << 1280 << 481 << int(Outcome::Downloaded) << QByteArray("PRRRRR") << 1280;
    }
    void sizes()
    {
        QFETCH(int, last);
        QFETCH(int, model);
        QFETCH(int, outcome);
        QByteArray memory = bytesOf(memoryTo(std::max(last, 273)));
        put16(memory, 11, last);
        Bench b(memory);
        QSignalSpy starting(&b.job, &LoggerDownload::blocksStarting);
        QSignalSpy progress(&b.job, &LoggerDownload::progress);
        QSignalSpy finished(&b.job, &LoggerDownload::finished);

        QCOMPARE(int(b.job.run(model)), outcome);
        QTEST(b.port.written, "requests");
        QCOMPARE(b.port.purges, 1); // the stale bytes, before the first request
        QCOMPARE(finished.size(), 1);
        QCOMPARE(b.job.isRunning(), false);
        const QByteArray image = b.job.takeImage();
        if (outcome != int(Outcome::Downloaded)) {
            QVERIFY(image.isEmpty());
            QCOMPARE(starting.size(), 0); // no progress dialog for these
            return;
        }
        const int remaining = last - 255;
        QCOMPARE(starting.size(), 1);
        QCOMPARE(starting.at(0).at(0).toInt(), remaining);
        QTEST(starting.at(0).at(1).toInt(), "total");
        QCOMPARE(image.size(), remaining + 512);
        QCOMPARE(image.left(last + 1), expectedImage(memory, last, model));
        // Counted in whole blocks, as the meter sends them.
        QCOMPARE(progress.first().at(0).toInt(), 0);
        QCOMPARE(progress.last().at(0).toInt(), b.job.totalBytes());
        QCOMPARE(progress.size(), b.port.written.size()); // 0, then one per block
        QCOMPARE(b.port.waits, 0); // every answer was there at once
    }

    void headerAttempts()
    {
        // Three answers of 80 bytes: 240 queued in all, never a header.
        Bench b(bytesOf(memoryTo(1279)));
        b.meter.headerBytes = 80;
        const qint64 start = b.clock.tickCount();
        QCOMPARE(b.job.run(482), Outcome::ReadError);
        QCOMPARE(b.port.written, QByteArray("PPP"));
        QCOMPARE(b.clock.tickCount() - start, 3 * 2000);
        QCOMPARE(b.port.purges, 1); // nothing purged between attempts

        // A silent first attempt, then the header: the download goes on.
        Bench late(bytesOf(memoryTo(1279)));
        late.meter.headerBytes = 0;
        late.port.onWait = [&late](int, int ms) {
            late.clock.advanceMs(ms);
            late.meter.headerBytes = 256;
        };
        QCOMPARE(late.job.run(482), Outcome::Downloaded);
        QCOMPARE(late.port.written, QByteArray("PPRRRR"));
    }

    void silentBlockIsReadError()
    {
        Bench b(bytesOf(memoryTo(2000)));
        b.meter.stopAfterBlocks = 3;
        QSignalSpy progress(&b.job, &LoggerDownload::progress);
        const qint64 start = b.clock.tickCount();
        QCOMPARE(b.job.run(481), Outcome::ReadError);
        QCOMPARE(b.port.written, QByteArray("PRRRR")); // no retry of a block
        QCOMPARE(b.clock.tickCount() - start, 2000 + 3); // one 2 s wait, one idle per block
        QCOMPARE(progress.last().at(0).toInt(), 3 * 256);
        QVERIFY(b.job.takeImage().isEmpty());
    }

    void blockInTwoParts()
    {
        // Block n comes as 200 bytes, its last 56 in front of block n + 1;
        // after block 3 the tail is still queued when the last block has
        // been read.
        for (int split : {1, 3}) {
            const QByteArray memory = bytesOf(memoryTo(1279));
            Bench b(memory);
            b.meter.splitBlock = split;
            QCOMPARE(b.job.run(481), Outcome::Downloaded);
            QCOMPARE(b.job.takeImage().left(1280), expectedImage(memory, 1279, 481));
            // Never an "R" beyond the four blocks: the meter would take it
            // as its REL key.
            QCOMPARE(b.port.written, QByteArray("PRRRR"));
            QVERIFY(b.port.input.isEmpty());
        }
    }

    void blockReadsStayWithinTheImage()
    {
        // A meter that answers each "R" with two blocks at once: no read
        // takes more than a block or runs past the image, and what stays
        // queued serves as the next block.
        const QByteArray memory = bytesOf(memoryTo(1279));
        Bench b(memory);
        int served = 0;
        b.port.devices[QStringLiteral("meter")] = [&](char c) -> QByteArray {
            if (c == 'P')
                return memory.left(256);
            const QByteArray a = memory.mid(256 + served * 256, 512);
            served += 2;
            return a;
        };
        QCOMPARE(b.job.run(481), Outcome::Downloaded);
        QCOMPARE(b.port.written, QByteArray("PRRRR"));
        const QByteArray image = b.job.takeImage();
        QCOMPARE(image.size(), 1024 + 512);
        QCOMPARE(image.left(1280), expectedImage(memory, 1279, 481));
    }

    void cancel()
    {
        // Cancel arrives while events run between blocks, as a dialog's
        // button would.
        const QByteArray memory = bytesOf(memoryTo(4000));
        Bench b(memory);
        int idles = 0;
        b.clock.setIdleHook([&](int) {
            if (++idles == 2)
                b.job.cancel();
        });
        QSignalSpy finished(&b.job, &LoggerDownload::finished);
        QCOMPARE(b.job.run(481), Outcome::Cancelled);
        QCOMPARE(b.port.written, QByteArray("PRR"));
        QVERIFY(b.job.takeImage().isEmpty());
        QCOMPARE(finished.size(), 1);

        // The next run starts afresh.
        b.clock.setIdleHook({});
        QCOMPARE(b.job.run(481), Outcome::Downloaded);
        QCOMPARE(b.job.takeImage().left(4001), expectedImage(memory, 4000, 481));
    }

    void portFailureEndsTheJob()
    {
        Bench b(bytesOf(memoryTo(1279)));
        b.port.failWrites = true;
        QCOMPARE(b.job.run(482), Outcome::PortFailed);
        QVERIFY(b.job.takeImage().isEmpty());
        QVERIFY(!b.job.isRunning());
    }

    void texts()
    {
        QCOMPARE(LoggerDownload::noDataText(), QStringLiteral("There was not any data recorded in momery of meter !"));
        QCOMPARE(LoggerDownload::roundedToBlocks(18), 256);
        QCOMPARE(LoggerDownload::roundedToBlocks(1024), 1024);
        QCOMPARE(LoggerDownload::roundedToBlocks(65280), 65280);
    }

    // The emulated meter on a pseudo-terminal, through the real port.

    void emulatedFullMemory()
    {
        const emu::Bytes memory = memoryTo(65535, 2);
        QCOMPARE(emu::lastAddress(memory), 65535);
        emu::Options o;
        o.model = 482;
        o.memory = memory;
        Emulated e(o);
        QCOMPARE(e.job.run(482), Outcome::Downloaded);
        const QByteArray image = e.job.takeImage();
        QCOMPARE(image.size(), 65280 + 512);
        QVERIFY(image.left(65536) == expectedImage(bytesOf(memory), 65535, 482));
        QCOMPARE(e.meter.received(), "P" + std::string(255, 'R'));

        test::ScriptedPrompt prompt;
        std::unique_ptr<DataSetCollection> current;
        QVERIFY(DecodeDataSets(image, prompt, current));
        QCOMPARE(current->sets.size(), 1);
        QCOMPARE(current->sets[0].recordEnd, 65535);
    }

    void emulatedFaults_data()
    {
        QTest::addColumn<int>("shortAnswers");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("requests");
        QTest::addColumn<int>("seconds");
        QTest::newRow("block in two parts") << 0 << -1 << 2 << int(Outcome::Downloaded) << "PRRRR" << 2;
        QTest::newRow("third block in two parts") << 0 << -1 << 3 << int(Outcome::Downloaded) << "PRRRR" << 2;
        QTest::newRow("silent after two blocks") << 0 << 2 << -1 << int(Outcome::ReadError) << "PRRR" << 2;
        QTest::newRow("short header three times") << 80 << -1 << -1 << int(Outcome::ReadError) << "PPP" << 6;
    }
    void emulatedFaults()
    {
        QFETCH(int, shortAnswers);
        QFETCH(int, stopAfter);
        QFETCH(int, split);
        QFETCH(int, outcome);
        QFETCH(QString, requests);
        QFETCH(int, seconds);
        const emu::Bytes memory = memoryTo(1279);
        emu::Options o;
        o.model = 481;
        o.memory = memory;
        o.faults.shortAnswers = shortAnswers;
        o.faults.stopAfterBlocks = stopAfter;
        o.faults.splitBlock = split;
        Emulated e(o);
        QElapsedTimer t;
        t.start();
        QCOMPARE(int(e.job.run(481)), outcome);
        QVERIFY(t.elapsed() >= seconds * 1000 - 50);
        QVERIFY(t.elapsed() < seconds * 1000 + 1500);
        QCOMPARE(QString::fromStdString(e.meter.received()), requests);
        const QByteArray image = e.job.takeImage();
        if (outcome == int(Outcome::Downloaded))
            QCOMPARE(image.left(1280), expectedImage(bytesOf(memory), 1279, 481));
        else
            QVERIFY(image.isEmpty());
        QVERIFY(!e.meter.state().relative); // no stray "R" reached the REL key
    }

private:
    struct Emulated
    {
        QTemporaryDir dir;
        emu::MeterEmulator meter;
        QtSerialPort port;
        LoggerDownload job{port, SystemClock::instance()};

        explicit Emulated(emu::Options o)
            : meter((o.linkPath = dir.filePath(QStringLiteral("meter")).toStdString(), o))
        {
            if (!meter.start())
                qFatal("cannot start the emulator");
            port.setDeviceName(QString::fromStdString(meter.portPath()));
            if (!port.open())
                qFatal("cannot open the emulator's port");
        }
    };
};

QTEST_GUILESS_MAIN(TestLoggerDownload)
#include "tst_logger_download.moc"
