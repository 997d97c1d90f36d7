#include "cli/WatchRecord.h"

#include "cli/CollectionSets.h"
#include "common/DateTime.h"

#include <QStringList>

#include <cmath>

namespace kv {

namespace {

QString number(double v, int decimals = 1)
{
    return std::isnan(v) ? QString() : QString::number(v, 'f', decimals);
}

QString jsonNumber(double v, int decimals = 1)
{
    return std::isnan(v) ? QStringLiteral("null") : QString::number(v, 'f', decimals);
}

QString eventTime(const AlarmEvent &e)
{
    return isoText(fromDateTimeDouble(e.time), true);
}

} // namespace

QByteArray alarmEventLine(LiveFormat format, const AlarmEvent &e)
{
    const bool link = e.cause == AlarmEvent::Cause::LinkLost;
    const QString unit = link ? QString() : e.unit;
    if (format == LiveFormat::Jsonl) {
        return QStringLiteral("{\"time\":\"%1\",\"event\":\"%2\",\"channel\":\"%3\",\"cause\":\"%4\",\"value\":%5,"
                              "\"limit\":%6,\"unit\":%7}\n")
            .arg(eventTime(e), e.kindName(), e.channel, e.causeName(), jsonNumber(e.value), jsonNumber(e.limit),
                 link ? QStringLiteral("null") : QStringLiteral("\"%1\"").arg(unit))
            .toUtf8();
    }
    const QChar sep = format == LiveFormat::Csv ? QLatin1Char(',') : QLatin1Char('\t');
    const QStringList fields{e.kindName(), eventTime(e), e.channel, e.causeName(), number(e.value), number(e.limit), unit};
    return (QStringLiteral("# ") + fields.join(sep) + QLatin1Char('\n')).toUtf8();
}

QByteArray headerWithRates(LiveFormat format, const QByteArray &header, int model)
{
    if (format == LiveFormat::Jsonl || !header.endsWith('\n'))
        return header;
    const char sep = format == LiveFormat::Csv ? ',' : '\t';
    QByteArray out = header.left(header.size() - 1);
    out += sep;
    out += "T1 rate";
    if (model == 482) {
        out += sep;
        out += "T2 rate";
    }
    return out + '\n';
}

QByteArray recordWithRates(LiveFormat format, const QByteArray &record, int model, double t1Rate, double t2Rate)
{
    if (format == LiveFormat::Jsonl) {
        if (!record.endsWith("}\n"))
            return record;
        QString rates = QStringLiteral(",\"t1_rate\":%1").arg(jsonNumber(t1Rate, 3));
        if (model == 482)
            rates += QStringLiteral(",\"t2_rate\":%1").arg(jsonNumber(t2Rate, 3));
        return record.left(record.size() - 2) + rates.toUtf8() + "}\n";
    }
    if (!record.endsWith('\n'))
        return record;
    const QChar sep = format == LiveFormat::Csv ? QLatin1Char(',') : QLatin1Char('\t');
    QString rates = sep + number(t1Rate, 3);
    if (model == 482)
        rates += sep + number(t2Rate, 3);
    return record.left(record.size() - 1) + rates.toUtf8() + '\n';
}

} // namespace kv
