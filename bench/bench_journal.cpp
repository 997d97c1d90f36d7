// Figures for the recording journal:
//  - appending one row of a two-channel list to the journal on the calling
//    thread (formatting as a TXT save does, and the write to the system),
//    100 000 rows, median and worst case; once with the usual 10-second
//    sync and once with the sync thread working every 10 ms beside it;
//  - reopening a 1 000 000-row journal after a crash: the scan for whole
//    lines, reading it into list rows and filling a list's grid.
// The journals go to a folder beside the working directory, on the disk.
// Usage: bench_journal [rows] [reopen rows]

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "files/TextDataSet.h"
#include "journal/JournalFolder.h"
#include "journal/JournalSyncer.h"
#include "journal/RecordingJournal.h"
#include "views/GridModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>
#ifdef Q_OS_LINUX
#include <time.h>
#endif

using namespace kv;

namespace {

// Time this thread ran, so that the figures can tell the work's own cost
// from the time other processes had the processor.
double threadCpuUs()
{
#ifdef Q_OS_LINUX
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
#else
    return 0;
#endif
}

QStringList rowCells(int n, double t)
{
    return {QString::number(n), shortDateText(t), hhmmssText(t), fixedText(20 + (n % 100) / 10.0, 1),
            QStringLiteral("C"), fixedText(18 + (n % 70) / 10.0, 1), QStringLiteral("C"), QStringLiteral(" MAX")};
}

void appendFigures(const char *what, const QString &folder, int rows, std::chrono::milliseconds interval)
{
    GridModel grid;
    grid.setColCount(8);
    grid.setRowCount(rows + 1);
    const double start = toDateTimeDouble(QDate(2024, 5, 3), QTime(8, 0, 0));
    for (int r = 1; r <= rows; ++r)
        grid.setRow(r, rowCells(r, start + r / 86400.0));
    std::vector<double> us, cpu;
    us.reserve(rows);
    cpu.reserve(rows);
    long syncs = 0;
    {
        RecordingJournal journal(folder, interval);
        QElapsedTimer t;
        for (int r = 1; r <= rows; ++r) {
            const double c0 = threadCpuUs();
            t.start();
            journal.appendRow(grid, r, start + r / 86400.0);
            us.push_back(t.nsecsElapsed() / 1e3);
            cpu.push_back(threadCpuUs() - c0);
        }
        journal.flush();
        syncs = journal.syncer().syncCount();
        journal.finish();
    }
    std::vector<double> sorted = us;
    std::sort(sorted.begin(), sorted.end());
    const double first = us.front();
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-44s median %6.2f us  p99 %6.2f us  p99.99 %7.1f us  max %7.1f us  (first row, opening: %.1f us; "
                "%ld syncs)\n%-44s on the thread's own clock: median %6.2f us  max %7.1f us\n",
                what, sorted[sorted.size() / 2], sorted[sorted.size() * 99 / 100], sorted[sorted.size() * 9999 / 10000],
                sorted.back(), first, syncs, "", cpu[cpu.size() / 2], cpu.back());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int reopenRows = argc > 2 ? std::atoi(argv[2]) : 1000000;
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench_journal-XXXXXX"));

    appendFigures("append a row, 10 s sync", dir.filePath(QStringLiteral("a")), rows, std::chrono::seconds(10));
    appendFigures("append a row, sync every 10 ms beside it", dir.filePath(QStringLiteral("b")), rows,
                  std::chrono::milliseconds(10));

    // A journal of a million rows left by a crash.
    const QString folder = dir.filePath(QStringLiteral("c"));
    QDir().mkpath(folder);
    const QString path = JournalFolder::newJournalPath(folder, QDateTime(QDate(2024, 5, 3), QTime(8, 0, 0)));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray all;
        const double start = toDateTimeDouble(QDate(2024, 5, 3), QTime(8, 0, 0));
        for (int r = 1; r <= reopenRows; ++r) {
            QStringList c = rowCells(r, start + r / 86400.0);
            c.removeFirst();
            all += c.join(QLatin1Char('\t')).toUtf8() + "\t\r\n";
            if (all.size() > (1 << 22)) {
                f.write(all);
                all.clear();
            }
        }
        all += "5/3/2024\t23:0"; // the half line of a power cut
        f.write(all);
    }
    const qint64 bytes = QFileInfo(path).size();
    QFile marker(JournalFolder::markerPath(path));
    marker.open(QIODevice::WriteOnly);
    marker.write("999999999\n");
    marker.close();

    QElapsedTimer t;
    t.start();
    const auto found = JournalFolder::findUnfinished(folder);
    const double scanMs = t.nsecsElapsed() / 1e6;
    const TextListRows read = TextDataSet::readFile(path);
    const double readMs = t.nsecsElapsed() / 1e6;
    GridModel grid;
    grid.setColCount(8);
    grid.setRowCount(static_cast<int>(read.rows.size()) + 1);
    for (std::size_t i = 0; i < read.rows.size(); ++i)
        grid.setRow(static_cast<int>(i) + 1, read.rows[i]);
    const double fillMs = t.nsecsElapsed() / 1e6;
    std::printf("reopen a %d-row journal (%.1f MB): scan and cut %.1f ms, read %.1f ms, into a grid %.1f ms: "
                "total %.1f ms (%lld rows offered, %d read)\n",
                reopenRows, bytes / 1e6, scanMs, readMs - scanMs, fillMs - readMs, fillMs,
                found.empty() ? 0LL : static_cast<long long>(found[0].rows), grid.RowCount() - 1);
    return 0;
}
