#pragma once
// A data set's readings as the data-logger window shows them, from one pass
// over the memory image: the chart's cells of each channel (the reading's
// time and value, the chart's null value for an overload), the highest and
// lowest valid readings and the set's figures. The last set read is kept,
// so showing the same set again reads nothing.

#include "logger/DataSet.h"
#include "logger/DataSetStatistics.h"
#include "logger/ui/DataSetExtremes.h"

#include <QByteArray>

#include <functional>
#include <vector>

namespace kv {

// Whether two data sets are the same record of a memory image.
inline bool sameRecord(const DataSet &a, const DataSet &b)
{
    return a.start == b.start && a.intervalSeconds == b.intervalSeconds && a.sampleCount == b.sampleCount
        && a.unit == b.unit && a.recordOffset == b.recordOffset && a.recordEnd == b.recordEnd;
}

struct SetReadings
{
    int channels = 1;
    std::vector<double> x; // the time of each reading, the same for both channels
    std::vector<float> y[2];
    ChannelExtremes extremes[2];
    DataSetStatistics statistics;
};

class SetReader
{
public:
    // Readings between two calls of progress (with the readings done).
    static constexpr int kProgressStep = 4096;

    // The readings of set `index` (which must exist) of the collection as
    // one or two channels, overloads given the value `overload`. progress is
    // not called when the kept readings are still those of the set.
    const SetReadings &read(const DataSetCollection &c, int index, int channels, float overload,
                            const std::function<void(int)> &progress = {});

private:
    bool keeps(const DataSetCollection &c, const DataSet &set, int channels, float overload) const;

    // What the kept readings were read from: the set, its reading bytes
    // (compared, since a collection may be edited or replaced in place).
    bool m_kept = false;
    DataSet m_set;
    int m_bytesPerSample = 0;
    float m_overload = 0.0f;
    QByteArray m_bytes;
    SetReadings m_readings;
};

} // namespace kv
