#include "logger/SampleRows.h"

#include "common/Bcd.h"
#include "common/DateTime.h"
#include "common/LocaleText.h"

namespace kv {

std::optional<Sample> sampleAt(const DataSetCollection &c, const DataSet &set, int sample, int channel)
{
    const int o = set.recordOffset + kRecordSamples + sample * c.bytesPerSample + channel * 2;
    if (sample < 0 || o < 0 || o + 1 >= c.image.size() || o + 1 >= set.recordEnd - 1)
        return std::nullopt;
    return DecodeSample(byteAt(c.image, o), byteAt(c.image, o + 1));
}

QStringList SampleRows::titles(int channels)
{
    QStringList t{QStringLiteral("NO"), QStringLiteral("DATE"), QStringLiteral("TIME"), QStringLiteral("T1"),
                  QStringLiteral("UNIT")};
    if (channels == 2)
        t << QStringLiteral("T2") << QStringLiteral("UNIT");
    while (t.size() < kColumns)
        t << QString();
    return t;
}

SampleRows::SampleRows(const DataSetCollection &collection, int index, int channels)
    : m_c(collection)
    , m_set(collection.sets.at(index))
    , m_channels(channels == 1 ? 1 : 2)
    , m_timeFormat(longTimeFormat())
{
}

double SampleRows::rowTime(int row) const
{
    if (row < 1 || row > m_set.sampleCount)
        return 0.0;
    return m_set.start + (row - 1) * (m_set.intervalSeconds / kSecondsPerDay);
}

QString SampleRows::cell(int col, int row) const
{
    if (col < 0 || col >= kColumns || row < 0)
        return QString();
    if (row == 0)
        return titles(m_channels).at(col);
    if (row > m_set.sampleCount || col >= (m_channels == 2 ? 7 : 5))
        return QString();
    const double t = rowTime(row);
    switch (col) {
    case 0: return QString::number(row);
    case 1: {
        const QDate day = datePart(t);
        if (day != m_day) {
            m_day = day;
            m_dayText = shortDateText(t);
        }
        return m_dayText;
    }
    case 2: return m_locale.toString(timePart(t), m_timeFormat);
    case 4:
    case 6: return QString(m_set.unit);
    default: break;
    }
    // Column 3 is the first channel, column 5 the second.
    const std::optional<Sample> s = sampleAt(m_c, m_set, row - 1, col == 5 ? 1 : 0);
    return s ? sampleText(*s) : QString();
}

} // namespace kv
