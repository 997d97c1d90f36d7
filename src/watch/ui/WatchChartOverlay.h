#pragma once
// What watching adds to a chart: the limits that are on as horizontal lines
// dashed in their channel's colour, with the moment of each crossing marked
// and its name placed clear of the others (the real-time graph), and each
// channel's rate of rise as a dashed line on a second y axis at the right
// (the real-time and the data-logger graphs). The rate is worked out from
// the chart's own samples each time the chart is drawn, so it follows
// clearing, zooming and a new data set without being told. Where the chart
// breaks its line (a cell with a time and no value: a lost meter, a pause)
// the slope starts afresh.

#include "views/Chart.h"
#include "watch/AlarmWatch.h"

#include <QObject>
#include <QPointer>
#include <QVector>

#include <functional>

class QCPCurve;
class QCPAbstractItem;
class QCPItemText;


namespace kv {

class WatchChartOverlay : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxCrossings = 200;

    explicit WatchChartOverlay(Chart *chart);

    Chart *chart() const { return m_chart; }

    // The limits in the chart's unit; channels 1 or 2. The difference's
    // limits are drawn while the chart draws its T1-T2 line. Auto scale
    // keeps the limits drawn in sight.
    void setLimits(const AlarmSettings &limits, int channels);
    // A crossing, in the chart's unit.
    void markCrossing(const AlarmEvent &event);
    void clearCrossings();

    void setRateShown(bool shown);
    bool rateShown() const { return m_rateShown; }
    void setRateWindow(double seconds);
    // "C" or "F": the rate axis reads "°C/min" or "°F/min".
    void setUnit(const QString &unit);
    // Where the unit comes from when the chart's axis title does not say
    // (the data-logger graph: the unit of the set shown).
    void setUnitSource(std::function<QString()> source) { m_unitSource = std::move(source); }
    // The seconds between the chart's samples now (0 or none: not known),
    // asked at every drawing, as the interval may change while recording.
    // A sample more than two intervals after the one before starts the
    // slope afresh, and a window too short to hold three samples grows to
    // two intervals; the rate axis then says over how long.
    void setSampleIntervalSource(std::function<double()> source) { m_intervalSource = std::move(source); }
    // The window the slope is taken over now.
    double effectiveRateWindow() const;

    // What is drawn now (for tests and the accessible description).
    struct LimitLine
    {
        QString channel;
        bool high;
        double value;
    };
    QVector<LimitLine> limitLines() const { return m_limitLines; }
    int crossingCount() const { return m_crossings.size() / 2; }
    // The rate of rise drawn for subset s, one value per drawn sample (NaN
    // in gaps), at the chart's keys.
    QVector<double> rateValues(int s) const;
    QVector<double> rateKeys(int s) const;
    QString rateAxisLabel() const;

    // Works the rate out again and draws; called before every replot.
    void refreshRate();
    // The colour the chart draws the channel's line in now.
    QColor channelColor(AlarmChannel channel) const;
    // Crossing marks in rows and limit names side by side, so that none
    // covers another; called once the chart knows its size.
    void placeLabels();
    // The crossing names drawn now, where they are drawn (for tests).
    QVector<QCPItemText *> crossingLabels() const
    {
        QVector<QCPItemText *> out;
        for (const CrossingLabel &c : m_crossingLabels)
            out << c.label;
        return out;
    }
    QVector<QCPItemText *> limitLabels() const { return m_limitLabels; }

private:
    void removeItems(QList<QCPAbstractItem *> &items);
    double sampleInterval() const;
    QString rateUnitLabel() const;

    QPointer<Chart> m_chart;
    QList<QCPAbstractItem *> m_limitItems;
    QList<QCPAbstractItem *> m_crossings;
    struct CrossingLabel
    {
        QCPItemText *label;
        double key;
    };
    QVector<CrossingLabel> m_crossingLabels;
    QVector<QCPItemText *> m_limitLabels;
    QVector<LimitLine> m_limitLines;
    QVector<QPointer<QCPCurve>> m_curves;
    bool m_rateShown = false;
    double m_rateWindow = 30.0;
    QString m_unit = QStringLiteral("C");
    std::function<QString()> m_unitSource;
    std::function<double()> m_intervalSource;
    bool m_refreshing = false;
    AlarmSettings m_limits;
    int m_limitChannels = 0;
};

} // namespace kv
