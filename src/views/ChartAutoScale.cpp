// What a chart offers in its own context menu: auto scale of the value
// axis, and the T1-T2 difference drawn as a line of its own.

#include "views/Chart.h"
#include "views/ChartValues.h"

#include <QAction>
#include <QTimer>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace kv {

void Chart::buildOwnActions()
{
    m_autoScaleAction = new QAction(QStringLiteral("&Auto Scale"), this);
    m_autoScaleAction->setObjectName(QStringLiteral("AutoScaleContext"));
    m_autoScaleAction->setCheckable(true);
    m_autoScaleAction->setToolTip(QStringLiteral("Fit the temperature axis to the readings in view (Ctrl+Shift+A)"));
    connect(m_autoScaleAction, &QAction::toggled, this, &Chart::setAutoScale);
    m_differenceAction = new QAction(QLatin1Char('&') + differenceLabel(), this);
    m_differenceAction->setObjectName(QStringLiteral("DifferenceContext"));
    m_differenceAction->setCheckable(true);
    m_differenceAction->setToolTip(QStringLiteral("Draw T1 minus T2 as a line of its own"));
    m_differenceAction->setVisible(false);
    connect(m_differenceAction, &QAction::toggled, this, &Chart::setDifferenceShown);
    addAction(m_autoScaleAction);
    addAction(m_differenceAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    m_refitTimer = new QTimer(this);
    m_refitTimer->setSingleShot(true);
    connect(m_refitTimer, &QTimer::timeout, this, [this] {
        if (!m_autoScale || m_zoomed)
            return;
        fitValueAxis();
        fitComparison();
        m_plot->replot(QCustomPlot::rpQueuedRefresh);
    });
}

void Chart::setAutoScale(bool on)
{
    // A choice made by hand (or by Undo Zoom) ends what a zoom left pending.
    m_autoScaleBeforeZoom = false;
    if (on == m_autoScale)
        return;
    m_autoScale = on;
    {
        const QSignalBlocker quiet(m_autoScaleAction);
        m_autoScaleAction->setChecked(on);
    }
    if (!m_zoomed) {
        m_fitted = false;
        applyScales();
        refit(true);
        fitComparison();
        m_plot->replot(QCustomPlot::rpQueuedRefresh);
    }
    Q_EMIT autoScaleChanged(on);
}

void Chart::setKeepInSight(const QVector<double> &values)
{
    if (values == m_keepInSight)
        return;
    m_keepInSight = values;
    if (m_autoScale && !m_zoomed) {
        fitValueAxis();
        m_plot->replot(QCustomPlot::rpQueuedRefresh);
    }
}

void Chart::fitValueAxis()
{
    if (!m_autoScale || m_zoomed)
        return;
    m_lastFit.start();
    const ValueSpan span = fittedSpan(
        readingSpan(m_c.data, m_c.nullY, shownMinX(), shownMaxX(), differenceDrawn()), m_keepInSight, kFitMargin);
    m_fitted = span.valid;
    if (span.valid) {
        m_fittedMin = span.min;
        m_fittedMax = span.max;
        m_plot->yAxis->setRange(span.min, span.max);
    } else {
        // Nothing in view to fit: the manual scale.
        applyScales();
    }
}

void Chart::refit(bool now)
{
    if (!m_autoScale || m_zoomed)
        return;
    if (now || !m_lastFit.isValid() || m_lastFit.elapsed() >= kRefitMs) {
        m_refitTimer->stop();
        fitValueAxis();
    } else if (!m_refitTimer->isActive()) {
        m_refitTimer->start(int(kRefitMs - m_lastFit.elapsed()));
    }
}

void Chart::setDifferenceShown(bool shown)
{
    if (shown == m_differenceShown)
        return;
    m_differenceShown = shown;
    {
        const QSignalBlocker quiet(m_differenceAction);
        m_differenceAction->setChecked(shown);
    }
    resetImage();
    refit(true);
    Q_EMIT differenceShownChanged(shown);
}

void Chart::applyDifference()
{
    if (m_differenceGraph)
        m_plot->removePlottable(static_cast<QCPAbstractPlottable *>(m_differenceGraph.data()));
    if (!differenceDrawn())
        return;
    QCPGraph *g = m_plot->addGraph();
    m_differenceGraph = g;
    g->setName(differenceLabel());
    QPen pen(visibleLineColor(differenceColor(), m_c.look.background), 1);
    pen.setCosmetic(true);
    g->setPen(pen);
    g->setAdaptiveSampling(true);
    const ChartData &d = m_c.data;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QVector<QCPGraphData> cells;
    cells.reserve(d.points());
    bool sorted = true;
    for (int p = 0; p < d.points(); ++p) {
        const double x = d.xs(0)[p];
        if (x == 0.0)
            continue;
        double v;
        const double key = keyOf(x);
        if (!cells.isEmpty() && key < cells.last().key)
            sorted = false;
        cells.append(QCPGraphData(key, differenceAt(d, p, m_c.nullY, v) ? v : nan));
    }
    g->data()->set(cells, sorted);
}

QByteArray Chart::saveState() const
{
    if (!differenceDrawn())
        return saveChartState(m_c);
    // The line as a third subset: its value where both channels read, the
    // null value where either was overloaded, a break where either broke.
    ChartContents c = m_c;
    const ChartData &d = m_c.data;
    c.data.setSubsets(3);
    for (int p = 0; p < d.points(); ++p) {
        const double x = d.xs(0)[p];
        if (x == 0.0)
            continue;
        double v;
        float y = std::numeric_limits<float>::quiet_NaN();
        if (differenceAt(d, p, m_c.nullY, v))
            y = float(v);
        else if (d.ys(0)[p] == m_c.nullY || (d.xs(1)[p] == x && d.ys(1)[p] == m_c.nullY))
            y = m_c.nullY;
        c.data.setX(2, p, x);
        c.data.setY(2, p, y);
    }
    ChartLook &l = c.look;
    while (l.subsetLabels.size() < 3)
        l.subsetLabels << QStringLiteral("T%1").arg(l.subsetLabels.size() + 1);
    while (l.subsetColors.size() < 3)
        l.subsetColors << QColor(l.subsetColors.isEmpty() ? Qt::black : Qt::red);
    while (l.subsetLineTypes.size() < 3)
        l.subsetLineTypes << 0;
    l.subsetLabels[2] = differenceLabel();
    l.subsetColors[2] = differenceColor();
    l.subsetLineTypes[2] = 0;
    return saveChartState(c);
}

} // namespace kv
