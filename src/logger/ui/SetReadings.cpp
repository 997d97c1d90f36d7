#include "logger/ui/SetReadings.h"

#include "common/DateTime.h"
#include "logger/SampleDecoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

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
    r.y[0].clear();
    r.y[1].clear();

    RunningStatistics gathered[2];
    const int first = set.recordOffset + kRecordSamples;
    const int lastByte = std::min<int>(set.recordEnd - 2, int(c.image.size()) - 1);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(c.image.constData());
    // The readings whose bytes are all in the image, read without a check
    // each; the image may end inside the next one.
    const int whole = first < 0 || b <= 0 ? 0 : std::clamp((lastByte - first + 1) / b, 0, n);
    r.x.resize(whole);
    for (int ch = 0; ch < channels; ++ch)
        r.y[ch].resize(whole);
    const auto readAll = [&](auto channelCount) {
        constexpr int kChannels = decltype(channelCount)::value;
        // Kept in locals: stores into the cells could otherwise be the
        // extremes' or the figures' for all the compiler knows.
        ChannelExtremes extremes[kChannels];
        RunningStatistics figures[kChannels];
        float *ys[kChannels];
        for (int ch = 0; ch < kChannels; ++ch)
            ys[ch] = r.y[ch].data();
        double *xs = r.x.data();
        for (int from = 0; from < whole; from += kProgressStep) {
            if (progress)
                progress(from);
            const int to = std::min(whole, from + kProgressStep);
            for (int q = from; q < to; ++q) {
                const std::uint8_t *at = bytes + first + q * b;
                const double t = set.start + q * step;
                for (int ch = 0; ch < kChannels; ++ch) {
                    const Sample s = DecodeSample(at[2 * ch], at[2 * ch + 1]);
                    if (!s.overload) {
                        extremes[ch].add(s.value, t);
                        figures[ch].add(double(s.value));
                    }
                    ys[ch][q] = s.overload ? overload : s.value;
                }
                xs[q] = t;
            }
        }
        for (int ch = 0; ch < kChannels; ++ch) {
            r.extremes[ch] = extremes[ch];
            gathered[ch] = figures[ch];
        }
    };
    if (channels == 2)
        readAll(std::integral_constant<int, 2>());
    else
        readAll(std::integral_constant<int, 1>());
    // The image ends inside this reading: it is not drawn, but a channel
    // whose bytes are all there still counts in the figures.
    if (whole < n)
        gatherReading(bytes, first + whole * b, lastByte, channels, gathered);
    r.statistics = dataSetStatistics(set, channels, gathered);

    m_set = set;
    m_bytesPerSample = b;
    m_overload = overload;
    m_bytes = readingBytes(c, set);
    m_kept = true;
    return r;
}

} // namespace kv
