// Another run behind the chart's own lines: light colours, its name in the
// legend, its times moved to line up with the chart's.

#include "views/Chart.h"

#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace kv {

namespace {

// A subset's colour, washed towards the plot area's so the run stays
// behind the chart's own lines.
QColor lightColor(const QColor &c, const QColor &area)
{
    constexpr double keep = 0.4;
    return QColor::fromRgbF(float(c.redF() * keep + area.redF() * (1 - keep)),
                            float(c.greenF() * keep + area.greenF() * (1 - keep)),
                            float(c.blueF() * keep + area.blueF() * (1 - keep)));
}

const char kLayer[] = "comparison";

} // namespace

void Chart::setComparison(Comparison comparison)
{
    comparison.subsets = comparison.subsets == 2 ? 2 : 1;
    m_comparison = std::move(comparison);
    resetImage();
}

void Chart::removeComparison()
{
    m_comparison = Comparison();
    resetImage();
}

double Chart::firstX() const
{
    const ChartData &d = m_c.data;
    double first = 0.0;
    for (int s = 0; s < d.subsets(); ++s)
        for (double x : d.xs(s))
            if (x != 0.0 && (first == 0.0 || x < first))
                first = x;
    return first;
}

void Chart::applyComparison()
{
    for (QCPAbstractPlottable *g : std::as_const(m_comparisonGraphs))
        m_plot->removePlottable(g);
    m_comparisonGraphs.clear();
    if (m_comparison.isEmpty())
        return;
    // Its own layer under the chart's lines.
    if (!m_plot->layer(QLatin1String(kLayer)))
        m_plot->addLayer(QLatin1String(kLayer), m_plot->layer(QStringLiteral("main")), QCustomPlot::limBelow);
    const ChartLook &l = m_c.look;
    const QColor area = plotAreaColor(l.background);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Comparison &c = m_comparison;
    for (int s = 0; s < c.subsets; ++s) {
        QCPGraph *g = m_plot->addGraph();
        g->setLayer(QLatin1String(kLayer));
        const QColor own = s < l.subsetColors.size() ? l.subsetColors.at(s) : (s == 0 ? QColor(Qt::black) : QColor(Qt::red));
        QPen pen(lightColor(visibleLineColor(own, l.background), area), 2);
        pen.setCosmetic(true);
        g->setPen(pen);
        g->setAdaptiveSampling(true);
        const QString label = s < l.subsetLabels.size() ? l.subsetLabels.at(s) : QStringLiteral("T%1").arg(s + 1);
        g->setName(c.name + QLatin1Char(' ') + label);
        QVector<QCPGraphData> cells;
        const std::vector<float> &ys = c.y[s];
        cells.reserve(int(c.x.size()));
        for (size_t p = 0; p < c.x.size() && p < ys.size(); ++p) {
            if (c.x[p] == 0.0)
                continue;
            const float y = ys[p];
            cells.append(QCPGraphData(keyOf(c.x[p] + c.offset),
                                      (y == m_c.nullY || !std::isfinite(y)) ? nan : double(y)));
        }
        g->data()->set(cells);
        m_comparisonGraphs << g;
    }
    fitComparison();
}

void Chart::fitComparison()
{
    if (m_zoomed || m_comparisonGraphs.isEmpty())
        return;
    QCPRange shown = m_plot->yAxis->range();
    const QCPRange keys = m_plot->xAxis->range();
    bool widened = false;
    for (QCPAbstractPlottable *p : std::as_const(m_comparisonGraphs)) {
        auto *g = qobject_cast<QCPGraph *>(p);
        bool found = false;
        const QCPRange values = g ? g->getValueRange(found, QCP::sdBoth, keys) : QCPRange();
        if (!found)
            continue;
        // Moved out by a tenth of its magnitude, as a data set's range is.
        if (values.lower < shown.lower) {
            shown.lower = values.lower - std::fabs(values.lower) * 0.1;
            widened = true;
        }
        if (values.upper > shown.upper) {
            shown.upper = values.upper + std::fabs(values.upper) * 0.1;
            widened = true;
        }
    }
    if (widened)
        m_plot->yAxis->setRange(shown);
}

} // namespace kv
