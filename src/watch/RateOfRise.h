#pragma once
// The rate of rise: how fast a temperature changes, in degrees per minute,
// as the least-squares slope of the samples of the last few seconds. Each
// sample costs the same whatever the window: running sums are updated as
// samples come and go.

#include <QVector>

#include <deque>
#include <limits>

namespace kv {

class RateOfRise
{
public:
    static constexpr double kDefaultWindowSeconds = 30.0;

    explicit RateOfRise(double windowSeconds = kDefaultWindowSeconds);

    double windowSeconds() const { return m_window; }
    // Starts again with another window.
    void setWindowSeconds(double seconds);
    void clear();

    // A sample at seconds (any origin, never going back) of value degrees.
    // A NaN value (an overload) is left out; the window still moves on.
    void add(double seconds, double value);
    // Degrees per minute over the samples of the window; NaN until the
    // samples in it span at least half the window (two readings a second
    // apart would make a tenth of a degree look like 6 degrees a minute).
    double perMinute() const;
    int count() const { return static_cast<int>(m_samples.size()); }

private:
    struct Sample
    {
        double x; // seconds from m_origin
        double y;
    };
    void drop(double before);
    void rebase();

    double m_window;
    double m_origin = 0.0;
    bool m_haveOrigin = false;
    std::deque<Sample> m_samples;
    double m_sx = 0, m_sy = 0, m_sxx = 0, m_sxy = 0;
    int m_dropped = 0; // since the sums were last made afresh
};

// The rate of rise at every sample of a series (times in seconds, values
// with NaN gaps): the slope over the window that ends at that sample.
QVector<double> rateOfRiseSeries(const QVector<double> &seconds, const QVector<double> &values,
                                 double windowSeconds = RateOfRise::kDefaultWindowSeconds);

} // namespace kv
