#include "views/RealTimeGraph.h"

#include "views/Chart.h"

namespace kv {

namespace {
// The time of the oldest of the first `count` points that took one in any
// subset; 0 when none did. An overloaded channel leaves its cell without a
// time, so subset 0 alone cannot be trusted.
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
} // namespace

void AddRealTimePoint(Chart &chart, RealTimeState &state, int model, bool t1Overload, bool t2Overload, float t1,
                      double x, float t2)
{
    if (state.realTimePointCount >= kRealTimePoints - 1) {
        chart.appendBlock(100);
        state.realTimePointCount -= 100;
        // The time axis starts at the oldest sample left; with none left
        // (the graph was reopened with the count standing high) at this one.
        const double oldest = oldestTime(chart, state.realTimePointCount);
        chart.setManualMinX(oldest != 0.0 ? oldest : x);
    }
    const int n = state.realTimePointCount;
    try {
        if (!t1Overload) {
            chart.setXData(0, n, x);
            chart.setYData(0, n, t1);
        }
    } catch (const ChartError &) {
    }
    try {
        if (model == 482 && !t2Overload) {
            chart.setXData(1, n, x);
            chart.setYData(1, n, t2);
        }
    } catch (const ChartError &) {
    }
    state.realTimePointCount += 1;
    if (x >= chart.manualMaxX())
        chart.setManualMaxX(chart.manualMaxX() + state.realTimeSpan);
    chart.resetImage();
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
