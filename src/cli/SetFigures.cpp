#include "cli/SetFigures.h"

#include "cli/CollectionSets.h"
#include "common/LocaleText.h"

#include <QStringList>

namespace kv {

QString statisticsFields(const DataSetStatistics &s)
{
    QStringList f{shortDateText(s.end), longTimeText(s.end), durationText(s.durationSeconds)};
    for (int ch = 0; ch < s.channels; ++ch) {
        const ChannelStatistics &c = s.channel[ch];
        if (!c.any()) {
            f << QString() << QString() << QString() << QString();
            continue;
        }
        f << fixedText(c.mean, 2) << fixedText(c.stdDev, 2) << fixedText(c.max, 1) << fixedText(c.min, 1);
    }
    return f.join(QLatin1Char('\t'));
}

QString statisticsJson(const DataSetStatistics &s)
{
    QString out = QStringLiteral("\"end\":\"%1\",\"duration\":%2").arg(isoText(s.end)).arg(s.durationSeconds, 0, 'f', 0);
    for (int ch = 0; ch < s.channels; ++ch) {
        const ChannelStatistics &c = s.channel[ch];
        out += QStringLiteral(",\"t%1\":").arg(ch + 1);
        if (!c.any()) {
            out += QStringLiteral("null");
            continue;
        }
        out += QStringLiteral("{\"readings\":%1,\"mean\":%2,\"sd\":%3,\"max\":%4,\"min\":%5}")
                   .arg(c.count)
                   .arg(c.mean, 0, 'f', 2)
                   .arg(c.stdDev, 0, 'f', 2)
                   .arg(c.max, 0, 'f', 1)
                   .arg(c.min, 0, 'f', 1);
    }
    return out;
}

QString statisticsHeader(int channels)
{
    QStringList names{QStringLiteral("set"),      QStringLiteral("date"),     QStringLiteral("time"),
                      QStringLiteral("interval"), QStringLiteral("count"),    QStringLiteral("unit"),
                      QStringLiteral("end_date"), QStringLiteral("end_time"), QStringLiteral("duration")};
    for (int ch = 1; ch <= channels; ++ch)
        for (const char *figure : {"mean", "sd", "max", "min"})
            names << QStringLiteral("t%1_%2").arg(ch).arg(QLatin1String(figure));
    return names.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

QString setListLine(const CollectionSets &sets, int i, const QStringList &row, bool json, bool withStats)
{
    const DataSet &set = sets.collection->sets.at(i);
    const DataSetStatistics figures =
        withStats ? dataSetStatistics(*sets.collection, i, sets.channels()) : DataSetStatistics();
    if (!json) {
        QString line = row.join(QLatin1Char('\t')) + QLatin1Char('\t') + QString(set.unit);
        if (withStats)
            line += QLatin1Char('\t') + statisticsFields(figures);
        return line + QLatin1Char('\n');
    }
    QString line = QStringLiteral("{\"set\":%1,\"start\":\"%2\",\"date\":\"%3\",\"time\":\"%4\",\"interval\":%5,"
                                  "\"count\":%6,\"unit\":\"%7\"")
                       .arg(i + 1)
                       .arg(isoText(set.start), row.value(1), row.value(2))
                       .arg(set.intervalSeconds)
                       .arg(set.sampleCount)
                       .arg(set.unit);
    if (withStats)
        line += QLatin1Char(',') + statisticsJson(figures);
    return line + QStringLiteral("}\n");
}

} // namespace kv
