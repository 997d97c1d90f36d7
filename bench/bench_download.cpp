// How close a logger download comes to the wire: the meter-emulator program,
// paced at 9600 baud, serves a memory over a pseudo-terminal and the download
// job fetches it through the real Qt serial port. Prints the elapsed time
// against the time the meter's bytes need on the wire, and the program's CPU
// time during the transfer as a share of the elapsed time. Figures only.

#include "common/Clock.h"
#include "link/QtSerialPort.h"
#include "logger/LoggerDownload.h"
#include "support/BuildPaths.h"

#include "LoggerMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr double kWireMsPerByte = 10.0 * 1000.0 / 9600.0; // start, 8 data bits, stop

// A two-channel memory whose last address in use is `last`.
emu::Bytes memoryTo(int last)
{
    emu::DataSetDesc s;
    s.year = 2026;
    s.month = 12;
    s.day = 8;
    s.intervalSeconds = 2;
    const int n = (last - 255 - 16) / 4;
    for (int i = 0; i < n; ++i) {
        s.channel1.push_back(20.0 + (i % 37) * 0.5);
        s.channel2.push_back(-3.0 - (i % 11));
    }
    return emu::buildMemory(2, {s});
}

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

bool measure(const char *name, int last)
{
    const emu::Bytes memory = memoryTo(last);
    QTemporaryDir dir;
    QFile rec(dir.filePath(QStringLiteral("memory.rec")));
    if (!rec.open(QIODevice::WriteOnly)
        || rec.write(reinterpret_cast<const char *>(memory.data()), qint64(memory.size())) != qint64(memory.size()))
        return false;
    rec.close();

    QProcess meter;
    meter.setProcessChannelMode(QProcess::SeparateChannels);
    meter.start(kv::test::emulatorProgram(),
                {QStringLiteral("--model"), QStringLiteral("482"), QStringLiteral("--paced"), QStringLiteral("--memory"),
                 rec.fileName()});
    if (!meter.waitForStarted() || !meter.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(kv::test::emulatorProgram()));
        return false;
    }
    const QString device = QString::fromLocal8Bit(meter.readLine()).trimmed();

    kv::QtSerialPort port;
    port.setDeviceName(device);
    if (!port.open()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
        return false;
    }
    kv::LoggerDownload job(port, kv::SystemClock::instance());
    QElapsedTimer elapsed;
    const double cpu0 = cpuMs();
    elapsed.start();
    const kv::LoggerDownload::Outcome outcome = job.run(482);
    const double ms = double(elapsed.nsecsElapsed()) / 1e6;
    const double cpu = cpuMs() - cpu0;
    meter.terminate();
    meter.waitForFinished(3000);

    const QByteArray image = job.takeImage();
    QByteArray expected(reinterpret_cast<const char *>(memory.data()), last + 1);
    expected[30] = 4; // the bytes per sample, set by the download
    const bool same = outcome == kv::LoggerDownload::Outcome::Downloaded && image.left(last + 1) == expected;
    const int sent = kv::LoggerDownload::kBlockSize * job.requestsSent(); // every answer is a block
    const double wire = sent * kWireMsPerByte;
    std::printf("%-26s last address %5d, %3d requests, %6d bytes from the meter: %s\n", name, last,
                job.requestsSent(), sent, same ? "image identical" : "IMAGE DIFFERS");
    std::printf("  elapsed %9.1f ms, wire %9.1f ms, ratio %.4f (target <= 1.02)\n", ms, wire, ms / wire);
    std::printf("  cpu     %9.1f ms, %.2f %% of elapsed (target <= 3 %%)\n", cpu, 100.0 * cpu / ms);
    return same;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool full = !app.arguments().contains(QStringLiteral("--small"));
    bool ok = measure("4 KiB memory", 4095);
    if (full)
        ok = measure("full memory", 65535) && ok;
    return ok ? 0 : 1;
}
