// Output Data to Graph of a two-channel list read from a file, 100 000 rows
// by default: from the button up to the new graph window's first paint
// (conversion under the progress window, set-up, cells, redraw), and the
// conversion alone for comparison.
// Usage: bench_to_graph [rows]

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "files/ListGraphData.h"
#include "files/ui/OutputToGraph.h"
#include "views/Chart.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "support/ScriptedPrompt.h"

#include "Figures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>

#include <qcustomplot.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Counts the paints of any chart plot.
struct PlotPaints : QObject
{
    int paints = 0;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && qobject_cast<QCustomPlot *>(o))
            ++paints;
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir dir;

    // A list as a day of recording read back from its file gives it.
    kv::TfrmList list([] { return 482; });
    list.setWindowTitle(dir.filePath(QStringLiteral("day.txt")));
    const double t0 = kv::toDateTimeDouble(QDate(2007, 12, 5), QTime(8, 0, 0));
    kv::GridModel &grid = *list.grid();
    grid.setRowCount(1);
    for (int i = 0; i < rows; ++i) {
        const double x = t0 + i / kv::kSecondsPerDay;
        grid.appendRow({QString::number(i + 1), kv::shortDateText(x), kv::hhmmssText(x),
                        i % 997 == 0 ? QStringLiteral("OL") : kv::fixedText(20.0 + (i % 50) * 0.1, 1),
                        QStringLiteral("C"), kv::fixedText(18.0 + (i % 30) * 0.1, 1), QStringLiteral("C"),
                        QString()});
    }
    list.show();
    QApplication::processEvents();
    std::printf("%d rows, locale %s\n", rows, qPrintable(QLocale().name()));

    kv::test::ScriptedPrompt prompt;
    kv::FileCommandContext context;
    context.activeChild = [&list] { return &list; };
    context.minScale = [] { return -10.0; };
    context.maxScale = [] { return 50.0; };
    context.graphTemplate = kv::GraphTemplate::locate(dir.filePath(QStringLiteral("KV481")));
    kv::OutputToGraph command(prompt, context);
    PlotPaints paints;
    app.installEventFilter(&paints);

    std::vector<double> toPaint, convertOnly;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        const int before = paints.paints;
        kv::TfrmGraph *graph = command.outputList(list);
        if (!graph) {
            std::printf("no graph was made\n");
            return 1;
        }
        graph->resize(900, 500);
        while (paints.paints == before && t.elapsed() < 10000)
            QApplication::processEvents();
        toPaint.push_back(t.nsecsElapsed() / 1e6);
        if (graph->PESGraph1->points() != rows)
            std::printf("the graph has %d points\n", graph->PESGraph1->points());
        delete graph;
        QApplication::processEvents();

        t.start();
        const kv::ListGraphData d = kv::convertListToGraph(grid);
        convertOnly.push_back(t.nsecsElapsed() / 1e6);
        if (d.points != rows)
            std::abort();
    }
    kv::bench::printTimings("output to graph, up to the first paint", toPaint, "ms");
    kv::bench::printTimings("  of which converting the list", convertOnly, "ms");
    return 0;
}
