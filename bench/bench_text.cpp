// Figures for the text data sets, 100 000 rows each:
//  - writing a two-channel list's grid as a TXT file;
//  - reading that file back into list rows (and, apart, putting them into
//    a list's grid);
//  - writing a two-subset graph of 100 000 points as a TXT file;
//  - converting the read list into chart cells (Output Data to Graph without
//    the drawing).
// Usage: bench_text [rows]   (default 100000)

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "files/ListGraphData.h"
#include "files/TextDataSet.h"
#include "views/GridModel.h"

#include "Figures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void measure(const char *what, int runs, const std::function<void()> &job)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        job();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    kv::bench::printTimings(what, ms, "ms");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    const QString listPath = dir.filePath(QStringLiteral("list.txt"));
    const QString graphPath = dir.filePath(QStringLiteral("graph.txt"));

    // A two-channel list as a day of recording fills it, one sample a second.
    const double t0 = kv::toDateTimeDouble(QDate(2007, 12, 5), QTime(8, 0, 0));
    const double second = 1.0 / kv::kSecondsPerDay;
    kv::GridModel list;
    list.setColCount(8);
    std::vector<double> x(rows);
    std::vector<float> y0(rows), y1(rows);
    for (int i = 0; i < rows; ++i) {
        x[i] = t0 + i * second;
        y0[i] = i % 997 == 0 ? 9999.0f : 20.0f + (i % 50) * 0.1f;
        y1[i] = 18.0f + (i % 30) * 0.1f;
        list.appendRow({QString::number(i + 1), QStringLiteral("12/5/07"),
                        kv::hhmmssText(x[i]), kv::TextDataSet::valueText(y0[i], kv::TextDataSet::Tab),
                        QStringLiteral("C"), kv::TextDataSet::valueText(y1[i], kv::TextDataSet::Tab),
                        QStringLiteral("C"), i % 7 ? QString() : QStringLiteral(" MAX")});
    }
    std::printf("%d rows, locale %s\n", rows, qPrintable(QLocale().name()));

    measure("write a two-channel list grid (TXT)", 5, [&] {
        if (!kv::TextDataSet::writeGridFile(listPath, list, 1, rows).ok)
            std::abort();
    });
    std::printf("%-52s %lld bytes\n", "  file size", static_cast<long long>(QFileInfo(listPath).size()));

    kv::TextListRows read;
    measure("read it back into list rows", 5, [&] {
        read = kv::TextDataSet::readFile(listPath);
        if (static_cast<int>(read.rows.size()) != rows)
            std::abort();
    });
    kv::GridModel back;
    measure("  (apart) put the rows into a list grid", 3, [&] {
        back.setRowCount(1);
        back.setColCount(read.columns);
        back.appendRows(read.rows);
    });

    kv::GraphCells cells;
    cells.subsets = 2;
    cells.points = rows;
    cells.x = x.data();
    cells.y0 = y0.data();
    cells.y1 = y1.data();
    measure("write a two-subset graph (TXT)", 5, [&] {
        if (kv::TextDataSet::writeGraphFile(graphPath, cells, 1, rows, QStringLiteral("C")).lines != rows)
            std::abort();
    });

    measure("convert the read list into chart cells", 5, [&] {
        const kv::ListGraphData g = kv::convertListToGraph(back);
        if (g.points != rows || g.subsets != 2)
            std::abort();
    });
    int calls = 0;
    measure("  the same, told of every row", 3, [&] {
        kv::convertListToGraph(back, [&](int, int) { return ++calls > 0; });
    });
    return 0;
}
