#pragma once
// Feeding live samples into the real-time graph.

#include "common/Temperature.h"

#include <QString>

namespace kv {

class Chart;

struct RealTimeState
{
    int realTimePointCount = 0; // the next free point; 0 only after a clear
    double realTimeSpan = 0.0;  // days of 100 samples, set when the graph opens
};

constexpr int kRealTimePoints = 5000;

// One sample: x is the tick's date-time. At 4999 points the 100 oldest are
// dropped and the time axis starts at the oldest time left in any subset
// (or at x when no kept point has one); an overloaded channel gets x and the
// overload mark (not drawn, saved as "OL"); the time axis grows 100 samples at a time until it shows x
// (after a long pause, at once and not one step per sample).
// Errors of the chart (a subset the graph does not have) lose that part of
// the sample only.
void AddRealTimePoint(Chart &chart, RealTimeState &state, int model, bool t1Overload, bool t2Overload, float t1,
                      double x, float t2);

// Marks a stretch without readings: one cell at x with no value in any
// subset, so the line is broken there instead of joining the readings on
// either side. It takes a point like a sample does.
void AddRealTimeGap(Chart &chart, RealTimeState &state, double x);

// Empties the graph for a fresh recording starting now and shows its time
// axis at once, forgetting any zoom.
void clearRealTimeGraph(Chart &chart, RealTimeState &state, int channels, double now);

} // namespace kv
