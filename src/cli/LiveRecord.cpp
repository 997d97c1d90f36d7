#include "cli/LiveRecord.h"

#include "cli/CollectionSets.h"

#include <QStringList>

namespace kv {

namespace {

QString valueText(double v, bool integer)
{
    return QString::number(v, 'f', integer ? 0 : 1);
}

QString jsonString(const QString &s)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : s) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

} // namespace

bool parseLiveFormat(const QString &text, LiveFormat &format)
{
    if (text == QLatin1String("csv"))
        format = LiveFormat::Csv;
    else if (text == QLatin1String("tsv"))
        format = LiveFormat::Tsv;
    else if (text == QLatin1String("jsonl"))
        format = LiveFormat::Jsonl;
    else
        return false;
    return true;
}

QByteArray liveHeader(LiveFormat format, int model, const QString &port, const QString &version)
{
    if (format == LiveFormat::Jsonl)
        return QByteArray();
    const QString sep = format == LiveFormat::Csv ? QStringLiteral(",") : QStringLiteral("\t");
    QStringList titles{QStringLiteral("time"), QStringLiteral("T1"), QStringLiteral("T1 flag")};
    if (model == 482)
        titles << QStringLiteral("T2") << QStringLiteral("T2 flag");
    titles << QStringLiteral("unit") << QStringLiteral("annunciators");
    const QString text = QStringLiteral("# kv481 %1\n# model %2\n# port %3\n%4\n")
                             .arg(version)
                             .arg(model)
                             .arg(port, titles.join(sep));
    return text.toUtf8();
}

QByteArray liveRecord(LiveFormat format, int model, const Reading &r, const QDateTime &when)
{
    const bool two = model == 482;
    // Readings come about a second apart; the milliseconds keep their order.
    const QString time = isoText(when, true);
    const QString t1 = r.t1Overload ? QString() : valueText(r.t1, r.t1Integer);
    const QString t2 = r.t2Overload ? QString() : valueText(r.t2, r.t2Integer);
    QStringList words = r.statusText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (r.meterRecording)
        words.prepend(QStringLiteral("REC"));

    if (format == LiveFormat::Jsonl) {
        auto value = [](const QString &v) { return v.isEmpty() ? QStringLiteral("null") : v; };
        auto flag = [](bool ol) { return ol ? QStringLiteral("\"OL\"") : QStringLiteral("\"\""); };
        QString line = QStringLiteral("{\"time\":%1,\"t1\":%2,\"t1_flag\":%3")
                           .arg(jsonString(time), value(t1), flag(r.t1Overload));
        if (two)
            line += QStringLiteral(",\"t2\":%1,\"t2_flag\":%2").arg(value(t2), flag(r.t2Overload));
        QStringList quoted;
        for (const QString &w : words)
            quoted << jsonString(w);
        line += QStringLiteral(",\"unit\":%1,\"annunciators\":[%2]}\n")
                    .arg(jsonString(r.unit1), quoted.join(QLatin1Char(',')));
        return line.toUtf8();
    }
    const QChar sep = format == LiveFormat::Csv ? QLatin1Char(',') : QLatin1Char('\t');
    QStringList fields{time, t1, r.t1Overload ? QStringLiteral("OL") : QString()};
    if (two)
        fields << t2 << (r.t2Overload ? QStringLiteral("OL") : QString());
    fields << r.unit1 << words.join(QLatin1Char(' '));
    return (fields.join(sep) + QLatin1Char('\n')).toUtf8();
}

} // namespace kv
