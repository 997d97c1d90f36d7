// Figures for the recording journal:
//  - appending one row of a two-channel list to the journal on the calling
//    thread (formatting as a TXT save does, and the hand-over to the
//    journal's thread), 100 000 rows, one every 100 us, far faster than a
//    meter gives them, median and worst case; once with the usual 10-second
//    sync and once with the thread syncing every 10 ms;
//  - reopening a 1 000 000-row journal after a crash: the scan for whole
//    lines, reading it into list rows, and a list window holding them up
//    to its first paint.
// The journals go to a folder beside the working directory, on the disk.
// Usage: bench_journal [rows] [reopen rows]

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "files/TextDataSet.h"
#include "journal/JournalFolder.h"
#include "journal/JournalSyncer.h"
#include "journal/RecordingJournal.h"
#include "views/GridModel.h"
#include "views/TfrmList.h"

#include <QApplication>
#include <QTableView>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
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

// Tells when a widget first paints.
struct FirstPaint : QObject
{
    bool seen = false;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            seen = true;
        return false;
    }
};

struct Timings
{
    std::vector<double> wall, cpu; // microseconds per row
};

// Runs one(r) for rows 1..rows, one every 100 us at most, timing each call.
template <typename F>
Timings paced(int rows, F one)
{
    Timings t;
    t.wall.reserve(rows);
    t.cpu.reserve(rows);
    QElapsedTimer clock;
    // Idle between rows, as the window's thread is between two samples.
    const auto begin = std::chrono::steady_clock::now();
    for (int r = 1; r <= rows; ++r) {
        std::this_thread::sleep_until(begin + std::chrono::microseconds(100) * r);
        const double c0 = threadCpuUs();
        clock.start();
        one(r);
        t.wall.push_back(clock.nsecsElapsed() / 1e3);
        t.cpu.push_back(threadCpuUs() - c0);
    }
    return t;
}

void print(const char *what, Timings t, const QString &extra)
{
    const double first = t.wall.front();
    std::sort(t.wall.begin(), t.wall.end());
    std::sort(t.cpu.begin(), t.cpu.end());
    const auto over = std::count_if(t.wall.begin(), t.wall.end(), [](double us) { return us > 1000; });
    const std::size_t n = t.wall.size();
    std::printf("%-44s median %6.2f us  p99 %6.2f us  p99.99 %7.1f us  max %7.1f us  over 1 ms: %ld  (first row: "
                "%.1f us%s)\n%-44s on the thread's own clock: median %6.2f us  max %7.1f us\n",
                what, t.wall[n / 2], t.wall[n * 99 / 100], t.wall[n * 9999 / 10000], t.wall.back(),
                static_cast<long>(over), first, qPrintable(extra), "", t.cpu[n / 2], t.cpu.back());
}

void fillGrid(GridModel &grid, int rows, double start)
{
    grid.setColCount(8);
    grid.setRowCount(rows + 1);
    for (int r = 1; r <= rows; ++r)
        grid.setRow(r, rowCells(r, start + r / 86400.0));
}

void appendFigures(const char *what, const QString &folder, int rows, std::chrono::milliseconds interval)
{
    const double start = toDateTimeDouble(QDate(2024, 5, 3), QTime(8, 0, 0));
    GridModel grid;
    fillGrid(grid, rows, start);
    // The journal is made with the main window, long before Run.
    RecordingJournal journal(folder, interval);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Timings t = paced(rows, [&](int r) { journal.appendRow(grid, r, start + r / 86400.0); });
    journal.flush();
    const long syncs = journal.syncer().syncCount();
    journal.finish();
    print(what, t, QStringLiteral(", opening the journal; %1 syncs").arg(syncs));
}

// The same loop formatting the rows and keeping them nowhere: what the
// machine's own hiccups (other processes, the hypervisor) add to any call.
void formattingFigures(int rows)
{
    const double start = toDateTimeDouble(QDate(2024, 5, 3), QTime(8, 0, 0));
    GridModel grid;
    fillGrid(grid, rows, start);
    QByteArray line;
    const Timings t = paced(rows, [&](int r) { line = TextDataSet::tableRowBytes(grid, r, TextDataSet::Tab); });
    print("format a row only, for comparison", t, QString());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int reopenRows = argc > 2 ? std::atoi(argv[2]) : 1000000;
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench_journal-XXXXXX"));

    formattingFigures(rows);
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
    TextListRows read = TextDataSet::readFile(path);
    const double readMs = t.nsecsElapsed() / 1e6;
    // As the recovery opens it: a list window of the meter whose columns
    // the file has, shown, up to its first paint.
    auto *list = new TfrmList([&read] { return read.model(); });
    list->setWindowTitle(path);
    GridModel &grid = *list->grid();
    grid.setRowCount(1);
    grid.appendRows(std::move(read.rows));
    FirstPaint painted;
    list->Grid1->viewport()->installEventFilter(&painted);
    list->show();
    while (!painted.seen)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double fillMs = t.nsecsElapsed() / 1e6;
    std::printf("reopen a %d-row journal (%.1f MB): scan and cut %.1f ms, read %.1f ms, into a list window up to its "
                "first paint %.1f ms: "
                "total %.1f ms (%lld rows offered, %d read)\n",
                reopenRows, bytes / 1e6, scanMs, readMs - scanMs, fillMs - readMs, fillMs,
                found.empty() ? 0LL : static_cast<long long>(found[0].rows), grid.RowCount() - 1);
    delete list;
    return 0;
}
