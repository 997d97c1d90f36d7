#include "views/RealTimeGraph.h"

#include "views/Chart.h"

namespace kv {

void AddRealTimePoint(Chart &chart, RealTimeState &state, int model, bool t1Overload, bool t2Overload, float t1,
                      double x, float t2)
{
    if (state.realTimePointCount >= kRealTimePoints - 1) {
        chart.appendBlock(100);
        state.realTimePointCount -= 100;
        try {
            chart.setManualMinX(chart.xData(0, 0));
        } catch (const ChartError &) {
        }
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
    chart.resetImage();
}

} // namespace kv
