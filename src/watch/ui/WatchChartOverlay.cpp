#include "watch/ui/WatchChartOverlay.h"

#include "common/Temperature.h"
#include "views/Chart.h"
#include "views/ChartState.h"
#include "watch/RateOfRise.h"

#include <QApplication>
#include <QContextMenuEvent>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

AlarmChannel channelOf(const QString &name)
{
    if (name == alarmChannelName(AlarmChannel::T2))
        return AlarmChannel::T2;
    if (name == alarmChannelName(AlarmChannel::Difference))
        return AlarmChannel::Difference;
    return AlarmChannel::T1;
}

} // namespace

WatchChartOverlay::WatchChartOverlay(Chart *chart)
    : QObject(chart)
    , m_chart(chart)
{
    setObjectName(QStringLiteral("WatchChartOverlay"));
    connect(chart->plot(), &QCustomPlot::beforeReplot, this, &WatchChartOverlay::refreshRate);
    // Once the axes know their size: the labels are placed in pixels.
    connect(chart->plot(), &QCustomPlot::afterLayout, this, &WatchChartOverlay::placeLabels);
    connect(chart, &Chart::differenceShownChanged, this, [this] {
        if (m_limitChannels > 0)
            setLimits(m_limits, m_limitChannels);
    });
}

void WatchChartOverlay::removeItems(QList<QCPAbstractItem *> &items)
{
    QCustomPlot *plot = m_chart ? m_chart->plot() : nullptr;
    for (QCPAbstractItem *item : items)
        if (plot && plot->hasItem(item))
            plot->removeItem(item);
    items.clear();
}

void WatchChartOverlay::setLimits(const AlarmSettings &limits, int channels)
{
    if (!m_chart)
        return;
    removeItems(m_limitItems);
    m_limitLabels.clear();
    m_limitLines.clear();
    m_limits = limits;
    m_limitChannels = channels;
    QCustomPlot *plot = m_chart->plot();
    QVector<AlarmChannel> drawn;
    if (channels >= 1)
        drawn << AlarmChannel::T1;
    if (channels >= 2)
        drawn << AlarmChannel::T2;
    if (channels >= 2 && m_chart->differenceDrawn())
        drawn << AlarmChannel::Difference;
    QVector<double> inSight;
    for (const AlarmChannel channel : std::as_const(drawn)) {
        const ChannelLimits &l = limits[channel];
        for (bool high : {true, false}) {
            const AlarmLimit &limit = high ? l.high : l.low;
            if (!limit.on)
                continue;
            auto *line = new QCPItemStraightLine(plot);
            // Each channel's limits dashed in the colour of its line.
            const QColor color = channelColor(channel);
            line->setPen(QPen(color, 1, Qt::DashLine));
            line->point1->setTypeX(QCPItemPosition::ptAxisRectRatio);
            line->point1->setTypeY(QCPItemPosition::ptPlotCoords);
            line->point2->setTypeX(QCPItemPosition::ptAxisRectRatio);
            line->point2->setTypeY(QCPItemPosition::ptPlotCoords);
            line->point1->setCoords(0, limit.value);
            line->point2->setCoords(1, limit.value);
            line->setClipToAxisRect(true);
            auto *label = new QCPItemText(plot);
            label->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
            label->position->setTypeY(QCPItemPosition::ptPlotCoords);
            label->position->setCoords(0.005, limit.value);
            label->setPositionAlignment(Qt::AlignLeft | (high ? Qt::AlignBottom : Qt::AlignTop));
            label->setColor(color);
            label->setText(QStringLiteral("%1 %2 %3")
                               .arg(alarmChannelName(channel), high ? QStringLiteral("high") : QStringLiteral("low"),
                                    QString::number(limit.value, 'f', 1)));
            label->setClipToAxisRect(true);
            m_limitItems << line << label;
            m_limitLabels << label;
            m_limitLines << LimitLine{alarmChannelName(channel), high, limit.value};
            inSight << limit.value;
        }
    }
    m_chart->setKeepInSight(inSight);
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void WatchChartOverlay::markCrossing(const AlarmEvent &e)
{
    if (!m_chart || !e.isAlarm() || e.cause == AlarmEvent::Cause::LinkLost)
        return;
    QCustomPlot *plot = m_chart->plot();
    if (m_crossings.size() >= 2 * kMaxCrossings) {
        QList<QCPAbstractItem *> oldest{m_crossings.takeFirst(), m_crossings.takeFirst()};
        m_crossingLabels.removeFirst();
        removeItems(oldest);
    }
    const double key = Chart::keyOf(e.time);
    auto *line = new QCPItemStraightLine(plot);
    const QColor color = channelColor(channelOf(e.channel));
    line->setPen(QPen(color, 1, Qt::DotLine));
    line->point1->setTypeY(QCPItemPosition::ptAxisRectRatio);
    line->point2->setTypeY(QCPItemPosition::ptAxisRectRatio);
    line->point1->setCoords(key, 0);
    line->point2->setCoords(key, 1);
    line->setClipToAxisRect(true);
    auto *label = new QCPItemText(plot);
    label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    // The height is chosen when drawn, clear of the marks beside it.
    label->position->setCoords(key, 0.01);
    label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setColor(color);
    label->setText(e.cause == AlarmEvent::Cause::Overload ? e.channel + QStringLiteral(" OL")
                                                          : e.channel + (e.cause == AlarmEvent::Cause::Low
                                                                             ? QStringLiteral(" \u25BC")
                                                                             : QStringLiteral(" \u25B2")));
    label->setClipToAxisRect(true);
    m_crossings << line << label;
    m_crossingLabels << CrossingLabel{label, key};
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void WatchChartOverlay::clearCrossings()
{
    removeItems(m_crossings);
    m_crossingLabels.clear();
}

QColor WatchChartOverlay::channelColor(AlarmChannel channel) const
{
    if (channel == AlarmChannel::Difference || !m_chart)
        return Chart::differenceColor();
    // As the chart draws the channel's line, on its background.
    const ChartLook &look = m_chart->look();
    const int s = static_cast<int>(channel);
    const QColor c = s < look.subsetColors.size() ? look.subsetColors.at(s) : (s == 0 ? QColor(Qt::black) : QColor(Qt::red));
    return visibleLineColor(c, look.background);
}

void WatchChartOverlay::placeLabels()
{
    if (!m_chart)
        return;
    QCustomPlot *plot = m_chart->plot();
    const QRect rect = plot->axisRect()->rect();
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const int gap = 6;
    // The crossing marks along the top, in rows: a mark goes into the
    // first row where it clears the one before it; where no row has room
    // within the top third it is left out (its line stays).
    QVector<CrossingLabel> byKey = m_crossingLabels;
    std::stable_sort(byKey.begin(), byKey.end(),
                     [](const CrossingLabel &a, const CrossingLabel &b) { return a.key < b.key; });
    const int lineHeight = QFontMetrics(plot->font()).height() + 2;
    const int rows = std::max(1, rect.height() / 3 / lineHeight);
    QVector<double> rowEnd(rows, -1e300);
    QVector<QRectF> placed;
    for (const CrossingLabel &c : std::as_const(byKey)) {
        QCPItemText *label = c.label;
        // A crossing the graph scrolled past has no mark: left at the edge
        // it would name a moment no longer shown, and old ones would pile
        // up there. One newer than the last sample keeps its mark at the
        // right edge until the axis reaches it.
        if (c.key < plot->xAxis->range().lower) {
            label->setVisible(false);
            continue;
        }
        const QFontMetrics fm(label->font());
        const double half = fm.horizontalAdvance(label->text()) / 2.0 + gap / 2.0;
        // Kept whole inside the plot: a mark at its very edge names it
        // beside the line rather than half cut off.
        const double x = std::clamp(plot->xAxis->coordToPixel(c.key), rect.left() + half,
                                    std::max(rect.left() + half, rect.right() - half));
        int row = 0;
        while (row < rows && rowEnd[row] > x - half)
            ++row;
        label->setVisible(row < rows);
        if (row >= rows)
            continue;
        rowEnd[row] = x + half;
        const double top = 2 + row * lineHeight;
        label->position->setCoords(plot->xAxis->pixelToCoord(x), top / rect.height());
        placed << QRectF(x - half, rect.top() + top, 2 * half, fm.height());
    }
    // The limits' names at the left, each moved right past any name it
    // would cover (two limits at or near the same value, a crossing's).
    for (QCPItemText *label : std::as_const(m_limitLabels)) {
        const QFontMetrics fm(label->font());
        const double y = plot->yAxis->coordToPixel(label->position->coords().y());
        const bool above = label->positionAlignment() & Qt::AlignBottom;
        QRectF box(rect.left() + 0.005 * rect.width(), above ? y - fm.height() : y,
                   fm.horizontalAdvance(label->text()) + gap, fm.height());
        for (bool moved = true; moved;) {
            moved = false;
            for (const QRectF &p : std::as_const(placed)) {
                if (p.intersects(box)) {
                    box.moveLeft(p.right() + gap);
                    moved = true;
                }
            }
        }
        placed << box;
        label->position->setCoords((box.left() - rect.left()) / rect.width(), label->position->coords().y());
    }
}

void WatchChartOverlay::setRateShown(bool shown)
{
    if (m_rateShown == shown)
        return;
    m_rateShown = shown;
    if (m_chart)
        m_chart->plot()->replot();
}

void WatchChartOverlay::setRateWindow(double seconds)
{
    if (seconds <= 0 || seconds == m_rateWindow)
        return;
    m_rateWindow = seconds;
    if (m_chart && m_rateShown)
        m_chart->plot()->replot();
}

void WatchChartOverlay::setUnit(const QString &unit)
{
    if (unit.isEmpty() || unit == m_unit)
        return;
    m_unit = unit;
    if (m_chart && m_rateShown)
        m_chart->plot()->replot(QCustomPlot::rpQueuedReplot);
}

double WatchChartOverlay::sampleInterval() const
{
    const double seconds = m_intervalSource ? m_intervalSource() : 0.0;
    return seconds > 0 && std::isfinite(seconds) ? seconds : 0.0;
}

double WatchChartOverlay::effectiveRateWindow() const
{
    RateOfRise rate(m_rateWindow);
    rate.setSampleInterval(sampleInterval());
    return rate.effectiveWindowSeconds();
}

QString WatchChartOverlay::rateUnitLabel() const
{
    return QStringLiteral("\u00B0%1/min").arg(m_unit);
}

QString WatchChartOverlay::rateAxisLabel() const
{
    const double window = effectiveRateWindow();
    if (window <= m_rateWindow)
        return rateUnitLabel();
    // The samples come too far apart for the window chosen: the slope is
    // taken over a longer time, and a reader comparing it with another
    // graph's must know.
    const qint64 seconds = qRound64(window);
    const QString over = seconds >= 120 && seconds % 60 == 0 ? QStringLiteral("%1 min").arg(seconds / 60)
                                                              : QStringLiteral("%1 s").arg(seconds);
    return QStringLiteral("%1 (over %2)").arg(rateUnitLabel(), over);
}

void WatchChartOverlay::refreshRate()
{
    if (!m_chart || m_refreshing)
        return;
    m_refreshing = true;
    QCustomPlot *plot = m_chart->plot();
    QCPAxis *axis = plot->yAxis2;
    if (!m_rateShown) {
        for (const QPointer<QCPCurve> &c : std::as_const(m_curves))
            if (c)
                plot->removePlottable(c);
        m_curves.clear();
        axis->setVisible(false);
        m_refreshing = false;
        return;
    }
    const ChartData &d = m_chart->data();
    const int n = std::min(d.subsets(), 2);
    while (m_curves.size() > n) {
        if (QCPCurve *c = m_curves.takeLast())
            plot->removePlottable(c);
    }
    const ChartLook &look = m_chart->look();
    // The rate is in the unit the chart's values are in.
    if (const QString unit = temperatureAxisUnit(look.yAxisLabel); !unit.isEmpty())
        m_unit = unit;
    else if (const QString source = m_unitSource ? m_unitSource() : QString();
             source == QLatin1String("C") || source == QLatin1String("F"))
        m_unit = source;
    const float nullY = m_chart->nullY();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double interval = sampleInterval();
    double lo = 0.0, hi = 0.0;
    for (int s = 0; s < n; ++s) {
        if (s >= m_curves.size() || !m_curves[s]) {
            auto *curve = new QCPCurve(plot->xAxis, axis);
            curve->setObjectName(QStringLiteral("Rate of rise %1").arg(s + 1));
            if (s < m_curves.size())
                m_curves[s] = curve;
            else
                m_curves << curve;
        }
        QCPCurve *curve = m_curves[s];
        const QColor color = s < look.subsetColors.size() ? look.subsetColors.at(s) : (s == 0 ? Qt::red : Qt::blue);
        QPen pen(color, 1, Qt::DashLine);
        curve->setPen(pen);
        const QString label = s < look.subsetLabels.size() ? look.subsetLabels.at(s) : QStringLiteral("T%1").arg(s + 1);
        curve->setName(QStringLiteral("%1 %2").arg(label, rateUnitLabel()));
        // The chart's samples in time order; unset cells are left out, and
        // a cell with a time and no value (not the overload mark) is where
        // the chart broke its line: a NaN time tells the slope to start
        // again there.
        const std::vector<double> &xs = d.xs(s);
        const std::vector<float> &ys = d.ys(s);
        QVector<double> seconds, values, keys;
        seconds.reserve(d.points());
        values.reserve(d.points());
        for (int p = 0; p < d.points(); ++p) {
            if (xs[p] == 0.0)
                continue;
            const bool overload = ys[p] == nullY;
            seconds << (!overload && !std::isfinite(ys[p]) ? nan : xs[p] * 86400.0);
            values << (overload ? nan : double(ys[p]));
            keys << Chart::keyOf(xs[p]);
        }
        const QVector<double> rates = rateOfRiseSeries(seconds, values, m_rateWindow, interval);
        QVector<QCPCurveData> cells;
        cells.reserve(rates.size());
        for (int i = 0; i < rates.size(); ++i) {
            cells.append(QCPCurveData(i, keys[i], rates[i]));
            if (!std::isnan(rates[i])) {
                lo = std::min(lo, rates[i]);
                hi = std::max(hi, rates[i]);
            }
        }
        curve->data()->set(cells, true);
    }
    axis->setVisible(true);
    axis->setLabel(rateAxisLabel());
    axis->setTickLabels(true);
    const double pad = std::max(0.5, (hi - lo) * 0.1);
    axis->setRange(lo - pad, hi + pad);
    m_refreshing = false;
}

QVector<double> WatchChartOverlay::rateValues(int s) const
{
    QVector<double> out;
    if (s < 0 || s >= m_curves.size() || !m_curves[s])
        return out;
    for (const QCPCurveData &c : *m_curves[s]->data())
        out << c.value;
    return out;
}

QVector<double> WatchChartOverlay::rateKeys(int s) const
{
    QVector<double> out;
    if (s < 0 || s >= m_curves.size() || !m_curves[s])
        return out;
    for (const QCPCurveData &c : *m_curves[s]->data())
        out << c.key;
    return out;
}

} // namespace kv
