#include "logger/DataSetStatistics.h"

#include "common/DateTime.h"
#include "logger/SampleDecoding.h"

#include <algorithm>
#include <cmath>

namespace kv {

ChannelStatistics RunningStatistics::result() const
{
    ChannelStatistics s;
    s.count = m_count;
    if (m_count == 0)
        return s;
    s.mean = m_mean;
    s.stdDev = m_count > 1 ? std::sqrt(std::max(0.0, m_m2 / (m_count - 1))) : 0.0;
    s.max = m_max;
    s.min = m_min;
    return s;
}

DataSetStatistics dataSetStatistics(const DataSet &set, int channels, const RunningStatistics gathered[2])
{
    DataSetStatistics r;
    r.channels = channels == 2 ? 2 : 1;
    const int n = std::max(0, set.sampleCount);
    r.start = set.start;
    r.durationSeconds = n > 1 ? double(n - 1) * set.intervalSeconds : 0.0;
    r.end = set.start + r.durationSeconds / kSecondsPerDay;
    for (int ch = 0; ch < r.channels; ++ch)
        r.channel[ch] = gathered[ch].result();
    return r;
}

DataSetStatistics dataSetStatistics(const DataSetCollection &c, int index, int channels)
{
    if (index < 0 || index >= c.sets.size())
        return DataSetStatistics();
    const DataSet &set = c.sets.at(index);
    const int b = c.bytesPerSample;
    channels = channels == 1 || channels == 2 ? channels : (b == 4 ? 2 : 1);
    const int n = std::max(0, set.sampleCount);

    RunningStatistics acc[2];
    const int first = set.recordOffset + kRecordSamples;
    // The last byte a reading may use: before the record's end marker, and
    // inside the image.
    const int lastByte = std::min<int>(set.recordEnd - 2, int(c.image.size()) - 1);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(c.image.constData());
    const int stride = std::max(2, b);
    for (int q = 0; q < n; ++q)
        gatherReading(bytes, first + q * stride, lastByte, channels, acc);
    return dataSetStatistics(set, channels, acc);
}

void gatherReading(const std::uint8_t *bytes, int o, int lastByte, int channels, RunningStatistics gathered[2])
{
    for (int ch = 0; ch < channels; ++ch) {
        const int at = o + 2 * ch;
        if (at < 0 || at + 1 > lastByte)
            continue;
        const Sample s = DecodeSample(bytes[at], bytes[at + 1]);
        if (!s.overload)
            gathered[ch].add(double(s.value));
    }
}

QString durationText(double seconds)
{
    const qint64 total = std::max<qint64>(0, std::llround(seconds));
    const qint64 days = total / 86400;
    const qint64 rest = total % 86400;
    const QString hms = QStringLiteral("%1:%2:%3")
                            .arg(rest / 3600, 2, 10, QLatin1Char('0'))
                            .arg(rest / 60 % 60, 2, 10, QLatin1Char('0'))
                            .arg(rest % 60, 2, 10, QLatin1Char('0'));
    return days > 0 ? QStringLiteral("%1 d %2").arg(days).arg(hms) : hms;
}

} // namespace kv
