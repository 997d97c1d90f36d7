// The comma-separated readings with ISO 8601 times that the command-line
// program exports, read into the columns of a list.

#include "common/LocaleText.h"
#include "files/TextDataSet.h"

#include <QDir>
#include <QIODevice>

#include <cstring>

namespace kv {

namespace {

// One line without its line end; false at the end of the file, on a read
// error, or for a line longer than a list line (no reading of this layout).
bool nextLine(QIODevice &device, QByteArray &line)
{
    line = device.readLine(TextDataSet::MaxLineLength + 2);
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
    if (!nextLine(device, line) || !line.startsWith(IsoCsvHeader))
        return out;
    const QByteArray channels = line.mid(static_cast<qsizetype>(std::strlen(IsoCsvHeader)));
    const int count = channels == "unit" ? 1 : channels == "T2,T2 flag,unit" ? 2 : 0;
    if (count == 0)
        return out;
    out.columns = count == 2 ? 8 : 6;
    const QString point = decimalSeparator();

    QStringList cells;
    QByteArray set;
    for (int n = 1; nextLine(device, line); ++n) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() != 3 + 2 * count)
            break;
        // One list holds one data set: the sets of an export of several
        // overlap in time and may differ in unit.
        if (n == 1)
            set = fields.at(0);
        else if (fields.at(0) != set) {
            out.moreSets = true;
            break;
        }
        // 2026-12-09T14:03:10+01:00: the local date and time as written.
        const QString when = QString::fromLatin1(fields.at(1));
        const bool iso = when.size() >= 19 && when.at(10) == QLatin1Char('T');
        const QString unit = QString::fromLatin1(fields.last());
        cells.clear();
        cells << QString::number(n) << (iso ? when.left(10) : when) << (iso ? when.mid(11, 8) : QString());
        for (int ch = 0; ch < count; ++ch) {
            const QByteArray &value = fields.at(2 + 2 * ch);
            cells << (fields.at(3 + 2 * ch) == "OL" ? QStringLiteral("OL")
                                                    : QString::fromLatin1(value).replace(QLatin1Char('.'), point));
            cells << unit;
        }
        cells << QString(); // no function text
        out.rows.append(cells, out.columns);
    }
    return out;
}

} // namespace kv
