#include "views/ChartValues.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv {

namespace {
bool isReading(float y, float nullY)
{
    return y != nullY && std::isfinite(y);
}
} // namespace

bool differenceAt(const ChartData &d, int p, float nullY, double &value)
{
    if (d.subsets() < 2 || p < 0 || p >= d.points())
        return false;
    const double x = d.xs(0)[p];
    if (x == 0.0 || d.xs(1)[p] != x)
        return false;
    const float a = d.ys(0)[p], b = d.ys(1)[p];
    if (!isReading(a, nullY) || !isReading(b, nullY))
        return false;
    value = double(a) - double(b);
    return true;
}

ValueSpan readingSpan(const ChartData &d, float nullY, double fromX, double toX, bool difference)
{
    ValueSpan span;
    const int n = d.points();
    for (int s = 0; s < d.subsets(); ++s) {
        const double *xs = d.xs(s).data();
        const float *ys = d.ys(s).data();
        // Plain minimum and maximum over the cells in view: no branch on
        // the first reading inside the loop.
        float lo = std::numeric_limits<float>::infinity(), hi = -lo;
        for (int p = 0; p < n; ++p) {
            const double x = xs[p];
            const float y = ys[p];
            if (x == 0.0 || x < fromX || x > toX || !isReading(y, nullY))
                continue;
            lo = std::min(lo, y);
            hi = std::max(hi, y);
        }
        if (lo <= hi) {
            span.add(lo);
            span.add(hi);
        }
    }
    if (difference) {
        for (int p = 0; p < n; ++p) {
            double v;
            const double x = d.xs(0)[p];
            if (x >= fromX && x <= toX && differenceAt(d, p, nullY, v))
                span.add(v);
        }
    }
    return span;
}

ValueSpan fittedSpan(ValueSpan readings, const QVector<double> &keepInSight, double margin)
{
    if (!readings.valid)
        return readings;
    for (double v : keepInSight)
        if (std::isfinite(v))
            readings.add(v);
    const double width = readings.max - readings.min;
    const double pad = width > 0.0 ? width * margin
                                   : std::max(1.0, std::max(std::fabs(readings.min), std::fabs(readings.max)) * margin);
    readings.min -= pad;
    readings.max += pad;
    return readings;
}

} // namespace kv
