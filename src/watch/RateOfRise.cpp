#include "watch/RateOfRise.h"

#include <algorithm>
#include <cmath>

namespace kv {

RateOfRise::RateOfRise(double windowSeconds)
    : m_window(windowSeconds > 0 ? windowSeconds : kDefaultWindowSeconds)
{
}

void RateOfRise::setWindowSeconds(double seconds)
{
    m_window = seconds > 0 ? seconds : kDefaultWindowSeconds;
    clear();
}

void RateOfRise::setSampleInterval(double seconds)
{
    m_interval = seconds > 0 && std::isfinite(seconds) ? seconds : 0.0;
    clear();
}

double RateOfRise::effectiveWindowSeconds() const
{
    return std::max(m_window, 2.0 * m_interval);
}

// Samples taken on a timer come a little early or late. A window grown to
// two intervals allows a quarter interval at its ends, so that it keeps its
// three samples when the last one is late; a window that holds many samples
// needs no such allowance.
double RateOfRise::slack() const
{
    return 2.0 * m_interval > m_window ? m_interval / 4.0 : 1e-9;
}

void RateOfRise::clear()
{
    m_haveLast = false;
    m_samples.clear();
    m_sx = m_sy = m_sxx = m_sxy = 0;
    m_haveOrigin = false;
    m_dropped = 0;
}

void RateOfRise::drop(double before)
{
    while (!m_samples.empty() && m_samples.front().x < before) {
        const Sample &s = m_samples.front();
        m_sx -= s.x;
        m_sy -= s.y;
        m_sxx -= s.x * s.x;
        m_sxy -= s.x * s.y;
        m_samples.pop_front();
        ++m_dropped;
    }
}

// Subtracting what leaves the window lets rounding errors pile up, and
// times far from the origin make the squares large; once as many samples
// have left as are in the window, the origin moves to the oldest sample and
// the sums are made afresh. That costs one pass per window's worth of
// samples: still constant per sample.
void RateOfRise::rebase()
{
    if (m_samples.empty()) {
        m_haveOrigin = false;
        m_sx = m_sy = m_sxx = m_sxy = 0;
        m_dropped = 0;
        return;
    }
    const double shift = m_samples.front().x;
    m_origin += shift;
    m_sx = m_sy = m_sxx = m_sxy = 0;
    for (Sample &s : m_samples) {
        s.x -= shift;
        m_sx += s.x;
        m_sy += s.y;
        m_sxx += s.x * s.x;
        m_sxy += s.x * s.y;
    }
    m_dropped = 0;
}

void RateOfRise::add(double seconds, double value)
{
    // A gap: more than two intervals without a sample, with the same
    // quarter interval allowed for a late one, so that a single reading
    // missed is no gap.
    if (m_interval > 0 && m_haveLast && seconds - m_last > 2.25 * m_interval)
        clear();
    m_last = seconds;
    m_haveLast = true;
    if (!m_haveOrigin) {
        m_origin = seconds;
        m_haveOrigin = true;
    }
    const double x = seconds - m_origin;
    // A sample exactly one window old still counts: 30 s at one a second is
    // 31 samples, both ends included.
    drop(x - effectiveWindowSeconds() - slack());
    if (m_dropped > 0 && m_dropped >= static_cast<int>(m_samples.size()))
        rebase();
    if (std::isnan(value))
        return;
    if (!m_haveOrigin) { // the window emptied and the origin went with it
        m_origin = seconds;
        m_haveOrigin = true;
    }
    const double xr = seconds - m_origin;
    m_samples.push_back({xr, value});
    m_sx += xr;
    m_sy += value;
    m_sxx += xr * xr;
    m_sxy += xr * value;
}

double RateOfRise::perMinute() const
{
    const double n = static_cast<double>(m_samples.size());
    if (n < 2 || m_samples.back().x - m_samples.front().x < effectiveWindowSeconds() / 2 - slack())
        return std::numeric_limits<double>::quiet_NaN();
    const double sxx = m_sxx - m_sx * m_sx / n;
    // Samples at one time (or nearly) give no slope.
    if (!(sxx > 1e-9 * n))
        return std::numeric_limits<double>::quiet_NaN();
    const double sxy = m_sxy - m_sx * m_sy / n;
    return sxy / sxx * 60.0;
}

QVector<double> rateOfRiseSeries(const QVector<double> &seconds, const QVector<double> &values, double windowSeconds,
                                 double sampleInterval)
{
    QVector<double> out;
    out.reserve(seconds.size());
    RateOfRise rate(windowSeconds);
    rate.setSampleInterval(sampleInterval);
    for (int i = 0; i < seconds.size() && i < values.size(); ++i) {
        if (std::isnan(seconds.at(i))) {
            rate.clear();
            out << std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        rate.add(seconds.at(i), values.at(i));
        out << (std::isnan(values.at(i)) ? std::numeric_limits<double>::quiet_NaN() : rate.perMinute());
    }
    return out;
}

} // namespace kv
