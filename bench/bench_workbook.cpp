// Figures for the Excel workbook:
//  - the fullest logger memory (one channel, every byte a sample) as the
//    whole collection's workbook;
//  - 100 000 two-channel list rows, from the rows themselves and from a
//    list window's grid (its texts read back), with the file's size and
//    the memory the process took at its peak.
// Usage: bench_workbook [rows]   (default 100000)

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "files/TextDataSet.h"
#include "files/Workbook.h"
#include "files/WorkbookSources.h"
#include "logger/DataSetDecoder.h"
#include "logger/DateTimeCorrection.h"
#include "views/GridModel.h"

#include "LoggerMemory.h"
#include "Figures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall-clock and processor time: on a busy machine the second tells what
// the work itself costs.
void measure(const char *what, int runs, const std::function<void()> &job)
{
    std::vector<double> ms, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        job();
        ms.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - c0);
    }
    kv::bench::printTimings(what, ms, "ms");
    kv::bench::printTimings("  processor time", cpu, "ms");
}

void size(const QString &path)
{
    std::printf("%-58s %9.2f MB\n", "  file size", QFileInfo(path).size() / 1e6);
}

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.xlsx"));

    // The fullest memory: one one-channel set in every byte after the
    // header, decoded as a download is.
    emu::DataSetDesc longest;
    longest.year = 2026;
    longest.month = 12;
    longest.day = 9;
    for (int i = 0; i < (emu::kMemorySize - 256 - 16) / 2; ++i)
        longest.channel1.push_back(i % 4001 == 0 ? NAN : 20.0 + (i % 500) * 0.1);
    const emu::Bytes memory = emu::collectionFileBytes(emu::buildMemory(1, {longest}), 1);
    const auto keep = [](const kv::StartDateTime &t) { return kv::DateTimeCorrection::corrected(t); };
    kv::DecodeResult decoded =
        kv::decodeImage(QByteArray(reinterpret_cast<const char *>(memory.data()), int(memory.size())), keep);
    if (!decoded.collection)
        std::abort();
    int samples = 0;
    for (const kv::DataSet &set : decoded.collection->sets)
        samples += set.sampleCount;
    std::printf("fullest memory: %d sets, %d samples\n", int(decoded.collection->sets.size()), samples);
    measure("fullest memory to .xlsx (Sets sheet, a sheet and chart per set)", 7, [&] {
        if (!kv::WorkbookFile::write(path, kv::WorkbookSources::collection(*decoded.collection, "bench")).ok)
            std::abort();
    });
    size(path);

    // A two-channel list, one sample a second, overloads and function words.
    const double t0 = kv::toDateTimeDouble(QDate(2007, 12, 5), QTime(8, 0, 0));
    kv::WorkbookSheet sheet;
    sheet.channels = 2;
    sheet.unit = QStringLiteral("C");
    sheet.function = true;
    kv::GridModel list;
    list.setColCount(8);
    list.setRow(0, {"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"});
    for (int i = 0; i < rows; ++i) {
        kv::WorkbookRow r;
        r.dateTime = t0 + i / kv::kSecondsPerDay;
        r.value[0] = 20.0 + (i % 50) * 0.1;
        r.overload[0] = i % 997 == 0;
        r.value[1] = 18.0 + (i % 30) * 0.1;
        r.function = i % 7 ? QString() : QStringLiteral("MAX");
        list.appendRow({QString::number(i + 1), kv::shortDateText(r.dateTime), kv::hhmmssText(r.dateTime),
                        r.overload[0] ? QStringLiteral("OL") : kv::fixedText(r.value[0], 1), QStringLiteral("C"),
                        kv::fixedText(r.value[1], 1), QStringLiteral("C"), r.function});
        sheet.rows.push_back(r);
    }
    const long before = peakKb();
    std::printf("%d two-channel list rows\n", rows);
    measure("rows to .xlsx", 5, [&] {
        if (!kv::WorkbookFile::writeRows(path, QStringLiteral("bench"), sheet).ok)
            std::abort();
    });
    size(path);
    std::printf("%-58s %9.2f MB\n", "  peak memory added while writing", (peakKb() - before) / 1024.0);
    measure("a list window's grid to .xlsx (its texts read back)", 5, [&] {
        kv::WorkbookSheetResult s = kv::WorkbookSources::listSheet(list, 1, rows);
        if (s.badRow || !kv::WorkbookFile::writeRows(path, QStringLiteral("bench"), std::move(s.sheet)).ok)
            std::abort();
    });
    return 0;
}
