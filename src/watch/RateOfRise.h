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
    // How far apart the samples are meant to come, 0 when not known (the
    // default). A sample more than two intervals after the one before (and
    // a quarter interval for lateness) starts the slope afresh: a line
    // broken by a lost meter or a pause has no slope across its break. And the window is made long enough
    // to hold three samples: with a minute between samples a 30 s window
    // would hold one and show nothing. Starts again.
    void setSampleInterval(double seconds);
    double sampleInterval() const { return m_interval; }
    // The window the slope is taken over: the one set, or two intervals
    // when that is longer.
    double effectiveWindowSeconds() const;
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
    double slack() const;
    void rebase();

    double m_window;
    double m_interval = 0.0;
    double m_last = 0.0; // the time of the last add(), value or not
    bool m_haveLast = false;
    double m_origin = 0.0;
    bool m_haveOrigin = false;
    std::deque<Sample> m_samples;
    double m_sx = 0, m_sy = 0, m_sxx = 0, m_sxy = 0;
    int m_dropped = 0; // since the sums were last made afresh
};

// The rate of rise at every sample of a series (times in seconds, values
// NaN where a channel was overloaded): the slope over the window that ends
// at that sample. A NaN time is a break in the line: the slope starts
// afresh after it, and the break has no rate.
QVector<double> rateOfRiseSeries(const QVector<double> &seconds, const QVector<double> &values,
                                 double windowSeconds = RateOfRise::kDefaultWindowSeconds,
                                 double sampleInterval = 0.0);

} // namespace kv
