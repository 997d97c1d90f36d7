#pragma once
// Values worked out from a chart's cells: the T1-T2 difference of a
// two-channel chart, and the span of readings a value axis fitted to what
// is in view must show.

#include "views/ChartState.h"

#include <QVector>

namespace kv {

struct ValueSpan
{
    double min = 0.0;
    double max = 0.0;
    bool valid = false;
    void add(double v)
    {
        if (!valid) {
            min = max = v;
            valid = true;
        } else if (v < min) {
            min = v;
        } else if (v > max) {
            max = v;
        }
    }
};

// T1 minus T2 at point p: only where both channels have a reading taken at
// the same time (not unset, not the null value, not a break in the line).
bool differenceAt(const ChartData &d, int p, float nullY, double &value);

// The lowest and highest reading with a time from fromX to toX (date-time
// doubles), of every subset; with difference, the T1-T2 values too.
ValueSpan readingSpan(const ChartData &d, float nullY, double fromX, double toX, bool difference);

// The readings' span with the values that must stay in sight taken in,
// widened on each side by margin times its width (a span of no width by
// margin times its magnitude, at least one degree). Nothing to fit without
// a reading.
ValueSpan fittedSpan(ValueSpan readings, const QVector<double> &keepInSight, double margin = 0.05);

} // namespace kv
