// The command-line program as a shell runs it: "kv481 export --all" of a
// full-memory collection file to CSV, and the processor time "kv481 read
// --interval 1" takes while it waits for the next reading. Figures only.

#include "LoggerMemory.h"
#include "support/BuildPaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double childrenCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool exportFigures(const QTemporaryDir &dir, int channels)
{
    const QString rec = dir.filePath(QStringLiteral("full-%1.rec").arg(channels));
    std::string error;
    if (!emu::saveMemoryFile(rec.toStdString(), emu::fullMemory(channels), channels, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(rec), error.c_str());
        return false;
    }
    for (const char *format : {"csv", "csv-iso"}) {
        std::vector<double> runs;
        for (int i = 0; i < 7; ++i) {
            QProcess p;
            QElapsedTimer t;
            t.start();
            p.start(kv::test::builtFile(QStringLiteral("kv481")),
                    {QStringLiteral("export"), rec, QStringLiteral("--all"), QStringLiteral("--format"),
                     QLatin1String(format), QStringLiteral("--output"), dir.filePath(QStringLiteral("out.csv"))});
            if (!p.waitForFinished(30000) || p.exitCode() != 0) {
                std::fprintf(stderr, "kv481 export failed: %s\n", p.readAllStandardError().constData());
                return false;
            }
            runs.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("export --all, full memory, %d channel(s), --format %-8s median %6.1f ms (target <= 100 ms)\n",
                    channels, format, median(runs));
    }
    return true;
}

bool readFigures()
{
    QProcess meter;
    meter.start(kv::test::emulatorProgram(), {QStringLiteral("--model"), QStringLiteral("482")});
    if (!meter.waitForStarted() || !meter.waitForReadyRead(5000))
        return false;
    const QString device = QString::fromLocal8Bit(meter.readLine()).trimmed();
    const int count = 10;
    const double cpu0 = childrenCpuMs();
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(kv::test::builtFile(QStringLiteral("kv481")), {QStringLiteral("read"), QStringLiteral("--port"), device,
                                                  QStringLiteral("--interval"), QStringLiteral("1"),
                                                  QStringLiteral("--count"), QString::number(count)});
    const bool ok = p.waitForFinished(60000) && p.exitCode() == 0;
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const double cpu = childrenCpuMs() - cpu0;
    meter.terminate();
    meter.waitForFinished(3000);
    if (!ok)
        return false;
    std::printf("read --interval 1 --count %d: %.0f ms elapsed, %.1f ms processor time, %.2f %% of one core "
                "(target < 1 %%)\n",
                count, ms, cpu, 100.0 * cpu / ms);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const bool ok = exportFigures(dir, 1) && exportFigures(dir, 2) && readFigures();
    return ok ? 0 : 1;
}
