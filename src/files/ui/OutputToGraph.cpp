#include "files/ui/OutputToGraph.h"

#include "common/Prompt.h"
#include "common/Temperature.h"
#include "files/ListGraphData.h"
#include "files/ui/ProgressSteps.h"
#include "views/Chart.h"
#include "views/ProgressDialog.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>

namespace kv {

void giveRoom(QMdiSubWindow *frame, const QSize &size)
{
    QMdiArea *area = frame->mdiArea();
    if (!area) {
        frame->resize(size);
        return;
    }
    const QSize view = area->viewport()->size();
    frame->resize(size.boundedTo(view));
    // Wherever the area placed it, the whole window stays in sight.
    frame->move(std::max(0, std::min(frame->x(), view.width() - frame->width())),
                std::max(0, std::min(frame->y(), view.height() - frame->height())));
}

OutputToGraph::OutputToGraph(Prompt &prompt, const FileCommandContext &context, QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_context(context)
{
}

void OutputToGraph::btnToGraphClick()
{
    QWidget *active = m_context.activeChild ? m_context.activeChild() : nullptr;
    if (auto *list = qobject_cast<TfrmList *>(active))
        outputList(*list);
}

TfrmGraph *OutputToGraph::outputList(TfrmList &list)
{
    // Events run between rows; a second start would share the one dialog.
    if (list.isRealTime() || m_running)
        return nullptr;
    m_running = true;
    const auto notRunning = qScopeGuard([this] { m_running = false; });

    const QString caption = list.windowTitle();
    const QPointer<TfrmList> alive(&list);
    const int rows = std::max(0, list.grid()->RowCount() - 1);
    ListGraphData data;
    {
        ProgressDialog progress(QStringLiteral("Graphing Progress"), QStringLiteral("graphing....."),
                                m_context.dialogParent);
        progress.setObjectName(QStringLiteral("TfrmPrintProgress"));
        progress.start(rows);
        progress.show();
        const TextProgress step = progressSteps(progress, rows);
        data = convertListToGraph(*list.grid(), [&](int row, int total) {
            // The list is read row by row; should it go, the rows so far make the graph.
            return alive && step(row, total);
        });
    }
    if (data.badRow) {
        // A graph with a row left out or misdated would misstate the list.
        m_prompt.error(QStringLiteral("No graph is made of %1: row %2 %3.").arg(caption).arg(data.badRow).arg(data.problem));
        return nullptr;
    }

    auto *graph = new TfrmGraph(m_context.graphTemplate, m_prompt);
    graph->setWindowTitle(caption);
    Chart &chart = *graph->PESGraph1;
    const double start = data.hasXRange() ? data.start : 0.0;
    const double minScale = m_context.minScale ? m_context.minScale() : -200.0;
    const double maxScale = m_context.maxScale ? m_context.maxScale() : 1370.0;
    if (!SetupGraph(chart, data.subsets, data.points, start, data.end, minScale, maxScale, m_context.graphTemplate,
                    m_prompt)) {
        delete graph;
        return nullptr;
    }
    for (int s = 0; s < data.subsets; ++s) {
        const std::vector<double> &x = data.x[s];
        const std::vector<float> &y = data.y[s];
        for (int p = 0; p < data.points; ++p) {
            if (x[p] != 0.0)
                chart.setXData(s, p, x[p]);
            if (y[p] != 0.0f)
                chart.setYData(s, p, y[p]);
        }
    }
    chart.setManualY(data.yMin, data.yMax);
    // The unit its values are in, shown and saved with the graph.
    chart.look().yAxisLabel = temperatureAxisLabel(data.unit);
    chart.resetImage();
    if (alive) // the list may have gone while it was read
        chart.setNotes(alive->notes());

    if (QMdiSubWindow *frame = m_context.addChild ? m_context.addChild(graph) : nullptr) {
        frame->showNormal();
        giveRoom(frame, QSize(680, 440));
        if (QMdiArea *area = frame->mdiArea())
            area->setActiveSubWindow(frame);
    } else {
        graph->show();
    }
    return graph;
}

} // namespace kv
