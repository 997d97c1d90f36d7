#include "views/RealTimeGraph.h"

#include "views/Chart.h"

#include <limits>

namespace kv {

namespace {
// The time of the oldest of the first `count` points that took one in any
// subset; 0 when none did.
double oldestTime(const Chart &chart, int count)
{
    const ChartData &d = chart.data();
    const int n = qMin(count, d.points());
    for (int p = 0; p < n; ++p)
        for (int s = 0; s < d.subsets(); ++s)
            if (d.xs(s)[p] != 0.0)
                return d.xs(s)[p];
    return 0.0;
}

// The index the next cell goes to; at 4999 points held the 100 oldest are
// dropped first.
int nextPoint(Chart &chart, RealTimeState &state, double x)
{
    if (state.realTimePointCount >= kRealTimePoints - 1) {
        chart.appendBlock(100);
        state.realTimePointCount -= 100;
        // The time axis starts at the oldest sample left; with none left
        // (the graph was reopened with the count standing high) at this one.
        const double oldest = oldestTime(chart, state.realTimePointCount);
        chart.setManualMinX(oldest != 0.0 ? oldest : x);
    }
    return state.realTimePointCount;
}

void growTimeAxis(Chart &chart, const RealTimeState &state, double x)
{
    if (state.realTimeSpan <= 0.0) {
        if (x >= chart.manualMaxX())
            chart.setManualMaxX(x);
        return;
    }
    while (x >= chart.manualMaxX())
        chart.setManualMaxX(chart.manualMaxX() + state.realTimeSpan);
}
} // namespace

void AddRealTimePoint(Chart &chart, RealTimeState &state, int model, bool t1Overload, bool t2Overload, float t1,
                      double x, float t2)
{
    const int n = nextPoint(chart, state, x);
    // An overloaded channel keeps its time and gets the overload mark, which
    // is not drawn and is saved as "OL"; a cell left without a time would end
    // a save of the graph there and lose every reading after it.
    try {
        chart.setXData(0, n, x);
        chart.setYData(0, n, t1Overload ? chart.nullY() : t1);
    } catch (const ChartError &) {
    }
    try {
        if (model == 482) {
            chart.setXData(1, n, x);
            chart.setYData(1, n, t2Overload ? chart.nullY() : t2);
        }
    } catch (const ChartError &) {
    }
    state.realTimePointCount += 1;
    growTimeAxis(chart, state, x);
    chart.resetImage();
}

void AddRealTimeGap(Chart &chart, RealTimeState &state, double x)
{
    const int n = nextPoint(chart, state, x);
    const float none = std::numeric_limits<float>::quiet_NaN();
    for (int s = 0; s < chart.subsets(); ++s) {
        chart.setXData(s, n, x);
        chart.setYData(s, n, none);
    }
    state.realTimePointCount += 1;
    growTimeAxis(chart, state, x);
}

void clearRealTimeGraph(Chart &chart, RealTimeState &state, int channels, double now)
{
    state.realTimePointCount = 0;
    for (int i = 0; i < channels; ++i) {
        try {
            chart.emptySubset(i);
        } catch (const ChartError &) {
        }
    }
    chart.setManualMinX(now);
    chart.setManualMaxX(now + state.realTimeSpan);
    // A zoom into the old recording means nothing for the new one.
    chart.reinitAndReset();
}

} // namespace kv
