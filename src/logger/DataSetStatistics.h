#pragma once
// What a data set says in numbers: per channel the count of valid readings,
// their mean and standard deviation, highest and lowest; and the set's first
// and last reading's date-time and the time between them. Overloads (and
// readings the image does not hold) count for nothing. Qt Core only, so the
// window and the command line show the same figures.

#include "logger/DataSet.h"

#include <QString>

#include <cstdint>

namespace kv {

struct ChannelStatistics
{
    int count = 0;       // valid readings
    double mean = 0.0;
    // The sample standard deviation (n - 1 in the divisor), as spreadsheets
    // give it; 0 for a single reading.
    double stdDev = 0.0;
    double max = 0.0;
    double min = 0.0;
    bool any() const { return count > 0; }
};

struct DataSetStatistics
{
    int channels = 1;
    ChannelStatistics channel[2];
    double start = 0.0;        // date-time of the first reading
    double end = 0.0;          // date-time of the last reading
    double durationSeconds = 0.0;
};

// The figures of set `index` of the collection; channels is 1 or 2 (the
// collection's bytes per sample decide it when 0).
DataSetStatistics dataSetStatistics(const DataSetCollection &collection, int index, int channels = 0);

// A running mean and variance that stays accurate over long series of
// nearly equal readings (Welford's update), where summing squares would
// lose every digit to cancellation.
class RunningStatistics
{
public:
    void add(double value)
    {
        ++m_count;
        const double delta = value - m_mean;
        m_mean += delta / m_count;
        m_m2 += delta * (value - m_mean);
        if (m_count == 1 || value > m_max)
            m_max = value;
        if (m_count == 1 || value < m_min)
            m_min = value;
    }
    ChannelStatistics result() const;

private:
    int m_count = 0;
    double m_mean = 0.0;
    double m_m2 = 0.0;
    double m_max = 0.0;
    double m_min = 0.0;
};

// The same figures for a caller that has gathered the valid readings of
// each channel (gathered[0], gathered[1]) while reading the set anyway.
DataSetStatistics dataSetStatistics(const DataSet &set, int channels, const RunningStatistics gathered[2]);

// Adds to gathered the valid readings of the reading whose first byte is at
// offset o: each channel whose two bytes lie at or before lastByte and that
// is not overloaded.
void gatherReading(const std::uint8_t *bytes, int o, int lastByte, int channels, RunningStatistics gathered[2]);

// A span of seconds as "hh:mm:ss", with whole days before it when there
// are any ("2 d 03:04:05").
QString durationText(double seconds);

} // namespace kv
