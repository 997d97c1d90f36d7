#include "views/TfrmWholeRun.h"

#include "common/DateTime.h"
#include "common/FileNames.h"
#include "common/Temperature.h"
#include "link/MeterLink.h"
#include "session/LiveRun.h"
#include "views/Chart.h"

#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace kv {

TfrmWholeRun::TfrmWholeRun(LiveRun &run, double minScale, double maxScale, const GraphTemplate &tmpl, Prompt &prompt,
                           QWidget *parent)
    : TfrmGraph(tmpl, prompt, parent)
    , m_run(run)
    , m_tmpl(tmpl)
    , m_prompt(prompt)
    , m_minScale(minScale)
    , m_maxScale(maxScale)
{
    setWindowTitle(caption());
    resize(720, 420);
    setUp();
    connect(&run, &LiveRun::sampleTaken, this, &TfrmWholeRun::onSample);
    connect(&run, &LiveRun::runCleared, this, [this] {
        setUp();
        refresh();
    });
    // A zoom, Undo Zoom or a new range: the span shown is worked out anew.
    connect(PESGraph1->plot()->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            &TfrmWholeRun::scheduleRefresh);
    PESGraph1->installEventFilter(this);
    // A column's stroke is one pixel wide: smoothing its edges costs many
    // times the drawing and shows nothing.
    PESGraph1->plot()->setNotAntialiasedElements(QCP::aePlottables);
    // The run's notes on its time line.
    PESGraph1->setNotes(run.notes());
    connect(&run, &LiveRun::notesChanged, this, [this] { PESGraph1->setNotes(m_run.notes()); });
    refresh();
}

QString TfrmWholeRun::suggestedFileName() const
{
    return m_run.rows().isEmpty() ? QString() : recordingFileName(m_run.rows().startTime());
}

void TfrmWholeRun::setUp()
{
    const RunRows &rows = m_run.rows();
    const int subsets = rows.isEmpty() ? (m_run.link().model() == 481 ? 1 : 2) : rows.channels();
    m_from = m_to = 0;
    fitSpan();
    // The scale the graph shows now (a Range may have changed it) stays.
    if (PESGraph1->subsets() == subsets && PESGraph1->contents().scale.manualY) {
        m_minScale = PESGraph1->manualMinY();
        m_maxScale = PESGraph1->manualMaxY();
    }
    SetupGraph(*PESGraph1, subsets, 0, m_from, m_to, m_minScale, m_maxScale, m_tmpl, m_prompt);
    // Straight lines: a smooth curve through each column's extremes would
    // show readings nobody took, and costs many times the drawing.
    if (PESGraph1->look().plotting == PlottingMethod::Spline)
        PESGraph1->look().plotting = PlottingMethod::Line;
    m_unit.clear();
}

bool TfrmWholeRun::fitSpan()
{
    const RunRows &rows = m_run.rows();
    double start = rows.startTime();
    if (rows.isEmpty())
        start = m_run.latest().dateTime != 0.0 ? m_run.latest().dateTime : toDateTimeDouble(QDateTime::currentDateTime());
    const double least = 100.0 * m_run.samplingRate() / kSecondsPerDay;
    const double last = rows.isEmpty() ? start : rows.lastTime();
    if (start == m_from && last < m_to)
        return false;
    m_from = start;
    // Room for a quarter more: the axis grows in steps, not with each sample.
    m_to = start + std::max(least, (last - start) * 1.25);
    return true;
}

void TfrmWholeRun::onSample()
{
    const bool zoomed = PESGraph1->isZoomed();
    if (!zoomed && fitSpan()) {
        PESGraph1->setManualX(m_from, m_to);
        refresh();
        return;
    }
    // Most samples of a long run fall within what their column shows:
    // nothing to draw then.
    if (bool changed = true; m_envelope.addNewest(m_run.rows(), &changed)) {
        if (changed)
            draw(true);
        return;
    }
    const double t = m_run.rows().lastTime();
    if (!zoomed || (t >= m_envelope.from() && t < m_envelope.to()))
        refresh();
}

int TfrmWholeRun::pixelColumns() const
{
    const int width = PESGraph1->plot()->axisRect()->width();
    return width > 50 ? width : 600;
}

void TfrmWholeRun::scheduleRefresh()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_refreshPending)
            return;
        const bool zoomed = PESGraph1->isZoomed();
        const double from = zoomed ? PESGraph1->shownMinX() : m_from;
        const double to = zoomed ? PESGraph1->shownMaxX() : m_to;
        const double near = 1e-9; // a tenth of a millisecond
        if (std::fabs(from - m_envelope.from()) < near && std::fabs(to - m_envelope.to()) < near
            && pixelColumns() == m_envelope.columns()) {
            m_refreshPending = false;
            return;
        }
        refresh();
    });
}

void TfrmWholeRun::refresh()
{
    m_refreshPending = false;
    const bool zoomed = PESGraph1->isZoomed();
    const double from = zoomed ? PESGraph1->shownMinX() : m_from;
    const double to = zoomed ? PESGraph1->shownMaxX() : m_to;
    m_envelope.compute(m_run.rows(), from, to, pixelColumns());
    draw();
}

void TfrmWholeRun::draw(bool cellsOnly)
{
    Chart &chart = *PESGraph1;
    const int subsets = std::min(chart.subsets(), m_envelope.channels());
    RunEnvelope::Cells cells[2];
    int points = 0;
    for (int s = 0; s < subsets; ++s) {
        cells[s] = m_envelope.cells(s);
        points = std::max(points, static_cast<int>(cells[s].x.size()));
    }
    chart.setPoints(points);
    for (int s = 0; s < chart.subsets(); ++s) {
        // Cells past a channel's own stay unset (x 0), which draws nothing.
        for (int p = 0; p < points; ++p) {
            const bool has = s < subsets && p < static_cast<int>(cells[s].x.size());
            chart.setXData(s, p, has ? cells[s].x[p] : 0.0);
            chart.setYData(s, p, has ? cells[s].y[p] : 0.0f);
        }
    }
    // The run's unit, that of its first sample, names the axis.
    const QString unit = m_run.rows().unit();
    if (unit != m_unit) {
        m_unit = unit;
        chart.look().yAxisLabel = temperatureAxisLabel(unit);
        cellsOnly = false;
    }
    // A new sample within the span shown: axes, titles and legend stay as
    // they are, only the lines are drawn again.
    if (cellsOnly) {
        chart.resetCells();
        return;
    }
    if (!chart.isZoomed())
        chart.setManualX(m_from, m_to);
    chart.resetImage();
}

bool TfrmWholeRun::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PESGraph1 && event->type() == QEvent::Resize)
        scheduleRefresh();
    return TfrmGraph::eventFilter(watched, event);
}

} // namespace kv
