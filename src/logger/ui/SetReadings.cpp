#include "logger/ui/SetReadings.h"

#include "common/DateTime.h"
#include "logger/SampleDecoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kv {

namespace {

// The bytes the readings of a set may take: from its first reading to the
// last byte before the record's end marker, inside the image.
QByteArray readingBytes(const DataSetCollection &c, const DataSet &set)
{
    const int first = std::max(0, set.recordOffset + kRecordSamples);
    const int lastByte = std::min<int>(set.recordEnd - 2, int(c.image.size()) - 1);
    return lastByte >= first ? c.image.mid(first, lastByte - first + 1) : QByteArray();
}

} // namespace

bool SetReader::keeps(const DataSetCollection &c, const DataSet &set, int channels, float overload) const
{
    if (!m_kept || m_readings.channels != channels || m_bytesPerSample != c.bytesPerSample
        || std::memcmp(&m_overload, &overload, sizeof overload) != 0 || !sameRecord(m_set, set))
        return false;
    const int first = std::max(0, set.recordOffset + kRecordSamples);
    const int lastByte = std::min<int>(set.recordEnd - 2, int(c.image.size()) - 1);
    const int size = lastByte >= first ? lastByte - first + 1 : 0;
    return size == m_bytes.size()
        && (size == 0 || std::memcmp(c.image.constData() + first, m_bytes.constData(), size) == 0);
}

const SetReadings &SetReader::read(const DataSetCollection &c, int index, int channels, float overload,
                                   const std::function<void(int)> &progress)
{
    const DataSet &set = c.sets.at(index);
    channels = channels == 2 ? 2 : 1;
    if (keeps(c, set, channels, overload))
        return m_readings;

    m_kept = false;
    SetReadings &r = m_readings;
    r.channels = channels;
    r.extremes[0] = ChannelExtremes();
    r.extremes[1] = ChannelExtremes();
    const int n = std::max(0, set.sampleCount);
    const int b = c.bytesPerSample;
    const double step = set.intervalSeconds / kSecondsPerDay;
    r.x.clear();
    r.x.reserve(n);
    for (int ch = 0; ch < 2; ++ch) {
        r.y[ch].clear();
        if (ch < channels)
            r.y[ch].reserve(n);
    }

    RunningStatistics gathered[2];
    const int first = set.recordOffset + kRecordSamples;
    const int lastByte = std::min<int>(set.recordEnd - 2, int(c.image.size()) - 1);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(c.image.constData());
    for (int q = 0; q < n; ++q) {
        const int o = first + q * b;
        if (o + b - 1 > lastByte) {
            // The image ends inside this reading: it is not drawn, but a
            // channel whose bytes are all there still counts in the figures.
            for (int ch = 0; ch < channels; ++ch) {
                const int at = o + 2 * ch;
                if (at < 0 || at + 1 > lastByte)
                    continue;
                const Sample s = DecodeSample(bytes[at], bytes[at + 1]);
                if (!s.overload)
                    gathered[ch].add(double(s.value));
            }
            break;
        }
        if (progress && q % kProgressStep == 0)
            progress(q);
        const double t = set.start + q * step;
        for (int ch = 0; ch < channels; ++ch) {
            const Sample s = DecodeSample(bytes[o + 2 * ch], bytes[o + 2 * ch + 1]);
            if (!s.overload) {
                r.extremes[ch].add(s.value, t);
                gathered[ch].add(double(s.value));
            }
            r.y[ch].push_back(s.overload ? overload : s.value);
        }
        r.x.push_back(t);
    }
    r.statistics = dataSetStatistics(set, channels, gathered);

    m_set = set;
    m_bytesPerSample = b;
    m_overload = overload;
    m_bytes = readingBytes(c, set);
    m_kept = true;
    return r;
}

} // namespace kv
