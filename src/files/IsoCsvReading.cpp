// The comma-separated readings with ISO 8601 times that the command-line
// program exports, read into the columns of a list.

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "common/RunNote.h"
#include "files/AnalysisCsv.h"
#include "files/TextDataSet.h"

#include <QDateTime>
#include <QDir>
#include <QIODevice>

#include <cstring>

namespace kv {

namespace {

// One line without its line end; false at the end of the file, on a read
// error, or for a line longer than a list line (no reading of this layout).
bool nextLine(QIODevice &device, QByteArray &line, qint64 longest = TextDataSet::MaxLineLength + 2)
{
    line = device.readLine(longest);
    if (line.isEmpty())
        return false;
    const bool ended = line.endsWith('\n');
    if (!ended && !device.atEnd())
        return false;
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return true;
}

} // namespace

// The fields of a CSV line; a quoted field may hold commas and doubled
// quotes.
QList<QByteArray> AnalysisCsv::csvFields(const QByteArray &line)
{
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line.at(i + 1) == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.isEmpty()) {
            quoted = true;
        } else if (c == ',') {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

TextListRows TextDataSet::readIsoCsv(QIODevice &device, const QString &name)
{
    TextListRows out;
    if (!device.isOpen() || !device.isReadable()) {
        out.error = QStringLiteral("The file %1 could not be opened for reading.").arg(QDir::toNativeSeparators(name));
        return out;
    }
    out.ok = true;
    out.firstLine = 2;
    QByteArray line;
    if (!nextLine(device, line))
        return out;
    // The columns by name: the CSV for analysis ("time,t1,t1_unit,t1_flag,
    // ...") or the ISO export of earlier versions ("set,time,T1,T1 flag,
    // ...,unit"), whose names read the same once lower-cased with '_'
    // for the blank.
    QList<QByteArray> names = line.split(',');
    for (QByteArray &n : names)
        n = n.trimmed().toLower().replace(' ', '_');
    // A column of any other name is another layout: nothing is read.
    static const QList<QByteArray> known{"set",    "time", "t1",      "t1_unit", "t1_flag", "t2",
                                         "t2_unit", "t2_flag", "function", "unit", "note"};
    for (const QByteArray &n : names)
        if (!known.contains(n))
            return out;
    const auto column = [&names](const char *name) { return int(names.indexOf(QByteArray(name))); };
    const int time = column("time");
    const int set = column("set");
    const int function = column("function");
    const int sharedUnit = column("unit");
    // Notes make a line longer than a list line: several may share a row.
    const int note = column("note");
    const qint64 longest = note >= 0 ? 64 * 1024 : TextDataSet::MaxLineLength + 2;
    struct Channel
    {
        int value, unit, flag;
    };
    QVector<Channel> channels;
    for (const char *ch : {"t1", "t2"}) {
        const QByteArray n(ch);
        const int value = column(ch);
        if (value < 0)
            break;
        const int unit = column((n + "_unit").constData());
        channels.append({value, unit >= 0 ? unit : sharedUnit, column((n + "_flag").constData())});
    }
    if (time < 0 || channels.isEmpty())
        return out;
    const int count = int(channels.size());
    out.columns = count == 2 ? 8 : 6;
    const QString point = decimalSeparator();

    QStringList cells;
    QByteArray firstSet;
    for (int n = 1; nextLine(device, line, longest); ++n) {
        if (line.trimmed().isEmpty())
            break;
        const QList<QByteArray> fields = AnalysisCsv::csvFields(line);
        // A line of other fields than the header names is a damaged file:
        // it opens as nothing rather than as the rows above the damage,
        // which would drop the readings below it unnoticed.
        if (fields.size() != names.size()) {
            out.ok = false;
            out.rows.clear();
            out.error = QStringLiteral("The file %1 cannot be opened as a data set: line %2 holds %3 fields where "
                                       "its header names %4.")
                            .arg(QDir::toNativeSeparators(name))
                            .arg(out.lineOf(n))
                            .arg(fields.size())
                            .arg(names.size());
            return out;
        }
        // One list holds one data set: the sets of an export of several
        // overlap in time and may differ in unit.
        if (set >= 0) {
            if (n == 1)
                firstSet = fields.at(set);
            else if (fields.at(set) != firstSet) {
                out.moreSets = true;
                break;
            }
        }
        // 2026-12-09T14:03:10+01:00: the local date and time as written.
        const QString when = QString::fromLatin1(fields.at(time));
        const bool iso = when.size() >= 19 && when.at(10) == QLatin1Char('T');
        cells.clear();
        cells << QString::number(n) << (iso ? when.left(10) : when) << (iso ? when.mid(11, 8) : QString());
        for (const Channel &ch : channels) {
            const bool overload = ch.flag >= 0 && fields.at(ch.flag) == "OL";
            cells << (overload ? QStringLiteral("OL")
                               : QString::fromLatin1(fields.at(ch.value)).replace(QLatin1Char('.'), point));
            cells << (ch.unit >= 0 ? QString::fromUtf8(fields.at(ch.unit)) : QString());
        }
        cells << (function >= 0 ? QString::fromUtf8(fields.at(function)) : QString());
        out.rows.append(cells, out.columns);
        if (note >= 0 && iso && !fields.at(note).trimmed().isEmpty()) {
            // At the reading's local time as written.
            const QDateTime local = QDateTime::fromString(when.left(19), QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
            if (local.isValid())
                out.notes.append({toDateTimeDouble(local), noteText(QString::fromUtf8(fields.at(note)))});
        }
    }
    return out;
}

} // namespace kv
