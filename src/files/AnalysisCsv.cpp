#include "files/AnalysisCsv.h"

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "common/SafeFile.h"
#include "files/ListGraphData.h"
#include "files/LocaleDateTimeReader.h"
#include "views/GridSource.h"

#include <QDateTime>
#include <QDir>
#include <QIODevice>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kv {

QString isoText(const QDateTime &local, bool milliseconds)
{
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(milliseconds ? QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")
                                       : QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
        + QStringLiteral("%1%2:%3")
              .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

namespace {

// The UTC offset of a local wall-clock time. A time the clock skipped when
// it went forward (02:30 on the night summer time begins) was still counted
// by a meter or a logger whose clock did not jump: it takes the offset in
// force before the change, that of the same time a day earlier.
int offsetAt(const QDate &date, const QTime &time)
{
    const QDateTime local(date, time, Qt::LocalTime);
    if (local.isValid())
        return local.offsetFromUtc();
    const QDateTime before(date.addDays(-1), time, Qt::LocalTime);
    return before.isValid() ? before.offsetFromUtc() : 0;
}

QByteArray offsetText(int offset)
{
    const int minutes = std::abs(offset) / 60;
    char text[8];
    std::snprintf(text, sizeof text, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return QByteArray(text, 6);
}

} // namespace

QString isoText(double dateTime)
{
    const QDate d = datePart(dateTime);
    const QTime t = timePart(dateTime);
    return QDateTime(d, t, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
        + QString::fromLatin1(offsetText(offsetAt(d, t)));
}

QByteArray IsoTimes::operator()(double t)
{
    const QDate d = datePart(t);
    const QTime time = timePart(t);
    if (d != m_day) {
        m_day = d;
        m_dayText = d.toString(QStringLiteral("yyyy-MM-dd'T'")).toLatin1();
        m_hour = -1;
    }
    if (time.hour() != m_hour) {
        m_hour = time.hour();
        m_offset = offsetText(offsetAt(d, QTime(m_hour, 0)));
    }
    char hms[9];
    std::snprintf(hms, sizeof hms, "%02d:%02d:%02d", time.hour(), time.minute(), time.second());
    return m_dayText + QByteArray(hms, 8) + m_offset;
}

namespace AnalysisCsv {

namespace {

const QString kType = QStringLiteral("CSV for analysis");

} // namespace

QByteArray textField(const QString &text)
{
    QByteArray b = text.trimmed().toUtf8();
    if (b.contains(',') || b.contains('"') || b.contains('\n') || b.contains('\r')) {
        b.replace("\"", "\"\"");
        b = '"' + b + '"';
    }
    return b;
}

namespace {

// A list's value cell: "OL" flags an overload; a number is written with a
// point and the decimals it shows; an empty or "----" cell (no reading)
// leaves the value empty. Any other text is no value: false, nothing
// appended, for the file is not to be written with it left out.
bool appendValue(QByteArray &line, const QString &text, const QString &unit)
{
    const QString t = text.trimmed();
    float v = 0;
    const bool overload = t == QLatin1String("OL");
    const bool number = !overload && listValue(t, v);
    if (!overload && !number && !t.isEmpty() && t != QLatin1String("----"))
        return false;
    line += ',';
    if (number) {
        QString plain = t;
        plain.replace(decimalSeparator(), QStringLiteral("."));
        line += plain.toLatin1();
    }
    line += ',';
    line += textField(unit);
    line += overload ? ",OL" : ",";
    return true;
}

// A chart's cell: the overload mark flagged, "no reading" empty.
void appendCell(QByteArray &line, float y, const QByteArray &unit)
{
    line += ',';
    if (!std::isnan(y) && y != TextDataSet::OverloadValue && y != TextDataSet::NoReadingValue)
        line += QByteArray::number(double(y), 'f', 1);
    line += ',';
    line += unit;
    line += y == TextDataSet::OverloadValue ? ",OL" : ",";
}

QString shown(const QString &name)
{
    return QDir::toNativeSeparators(name);
}

// Collects lines and hands them to the device in large writes.
class Sink
{
public:
    explicit Sink(QIODevice &device) : m_device(device) {}
    bool add(const QByteArray &bytes)
    {
        m_buffer += bytes;
        return m_buffer.size() < (64 << 10) || flush();
    }
    bool flush()
    {
        const bool ok = m_buffer.isEmpty() || m_device.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
        return ok;
    }

private:
    QIODevice &m_device;
    QByteArray m_buffer;
};

TextWriteResult failed(QIODevice &device, const QString &name, int lines)
{
    TextWriteResult r;
    r.lines = lines;
    r.error = QStringLiteral("The file %1 could not be written: %2.").arg(shown(name), device.errorString());
    return r;
}

TextWriteResult notWritable(const QString &name)
{
    TextWriteResult r;
    r.error = QStringLiteral("The file %1 could not be opened for writing.").arg(shown(name));
    return r;
}

// Writes the header (when given) and the lines make(i, line) gives for
// first..last; make returns false where the lines end early and leaves the
// line empty for an index that has none.
template <typename MakeLine>
TextWriteResult writeLines(QIODevice &device, const QString &name, const QByteArray &head, int first, int last,
                           int total, const TextProgress &progress, MakeLine make)
{
    if (!device.isOpen() || !device.isWritable())
        return notWritable(name);
    TextWriteResult r;
    Sink sink(device);
    if (!sink.add(head))
        return failed(device, name, 0);
    QByteArray line;
    for (int i = first; i <= last; ++i) {
        line.clear();
        if (!make(i, line))
            break;
        if (line.isEmpty())
            continue;
        line += '\n';
        if (!sink.add(line))
            return failed(device, name, r.lines);
        ++r.lines;
        if (progress && !progress(r.lines, total)) {
            r.cancelled = true;
            break;
        }
    }
    if (!sink.flush())
        return failed(device, name, r.lines);
    r.ok = true;
    return r;
}

template <typename WriteTo>
TextWriteResult throughSafeFile(const QString &path, WriteTo writeTo)
{
    SafeFile file(path);
    if (!file.open()) {
        TextWriteResult r;
        r.error = file.message();
        return r;
    }
    TextWriteResult r = writeTo(file);
    if (!r.ok) {
        file.cancel();
        return r;
    }
    if (!file.commit()) {
        r.ok = false;
        r.error = file.message();
    }
    return r;
}

} // namespace

QString typeDescription()
{
    return kType + QStringLiteral(" (*.csv)");
}

bool isAnalysisType(const QString &nameFilter)
{
    return nameFilter.startsWith(kType);
}

QByteArray header(int channels, bool function, bool withSet, bool note)
{
    QByteArray h = withSet ? "set,time,t1,t1_unit,t1_flag" : "time,t1,t1_unit,t1_flag";
    if (channels == 2)
        h += ",t2,t2_unit,t2_flag";
    if (function)
        h += ",function";
    if (note)
        h += ",note";
    return h + '\n';
}

bool isHeader(const QByteArray &firstLine)
{
    return firstLine.startsWith("time,t1,") || firstLine.startsWith("set,time,t1,")
        || firstLine.startsWith(TextDataSet::IsoCsvHeader);
}

GridShape shapeOf(const GridSource &grid)
{
    GridShape s;
    s.channels = grid.ColCount() >= 7 && !grid.cell(5, 0).trimmed().isEmpty() ? 2 : 1;
    const int function = s.channels == 2 ? 7 : 5;
    if (function < grid.ColCount() && !grid.cell(function, 0).trimmed().isEmpty())
        s.functionColumn = function;
    return s;
}

TextWriteResult writeGrid(QIODevice &device, const GridSource &grid, int from, int to, const RowTime &rowTime,
                          int setNumber, bool withHeader, const TextProgress &progress, const QString &name,
                          const RunNotes &notes)
{
    const GridShape shape = shapeOf(grid);
    const bool noted = !notes.isEmpty();
    const QByteArray head =
        withHeader ? header(shape.channels, shape.functionColumn >= 0, setNumber > 0, noted) : QByteArray();
    const QByteArray set = setNumber > 0 ? QByteArray::number(setNumber) + ',' : QByteArray();
    LocaleDateTimeReader reader;
    const int rows = grid.RowCount() - 1;
    const PlacedNotes placed = placeNotes(notes, from, to, rows, [&](int row) {
        double t = std::numeric_limits<double>::quiet_NaN();
        if (rowTime)
            t = rowTime(row);
        else
            reader.dateTime(grid.cell(1, row), grid.cell(2, row), t);
        return t;
    });
    IsoTimes iso;
    // A row whose time or a value does not read stops the writing: left
    // empty, it would pass for a missing reading.
    int badRow = 0;
    QString problem;
    TextWriteResult r = writeLines(
        device, name, head, std::max(from, 1), std::min(to, grid.RowCount() - 1), std::max(0, to - from + 1),
        progress, [&](int row, QByteArray &line) {
            line += set;
            double t = 0;
            const QString date = grid.cell(1, row);
            const QString time = grid.cell(2, row);
            if (rowTime) {
                line += iso(rowTime(row));
            } else if (reader.dateTime(date, time, t)) {
                line += iso(t);
            } else {
                badRow = row;
                problem = reader.problem(date, time);
                return false;
            }
            for (int ch = 0; ch < shape.channels; ++ch) {
                const QString value = grid.cell(3 + 2 * ch, row);
                if (!appendValue(line, value, grid.cell(4 + 2 * ch, row))) {
                    badRow = row;
                    problem = unreadableValue(value);
                    return false;
                }
            }
            if (shape.functionColumn >= 0) {
                line += ',';
                line += textField(grid.cell(shape.functionColumn, row));
            }
            if (noted) {
                line += ',';
                line += textField(placed.textOf(row));
            }
            return true;
        });
    if (badRow && r.ok) {
        r.ok = false;
        r.error = QStringLiteral("The file %1 is not written: row %2 %3.").arg(shown(name)).arg(badRow).arg(problem);
    }
    return r;
}

TextWriteResult writeGraph(QIODevice &device, const GraphCells &cells, int from, int to, const QString &unit,
                           const TextProgress &progress, const QString &name, const RunNotes &notes)
{
    const int subsets = cells.subsets == 2 && cells.y1 ? 2 : 1;
    const QByteArray unitText = textField(unit);
    IsoTimes iso;
    const bool noted = !notes.isEmpty();
    // Notes go on recorded points (those up to the first without a time).
    int recorded = 0;
    while (cells.x && recorded < cells.points && cells.x[recorded] != 0)
        ++recorded;
    // Not on a break in the line: it writes no line to hold the note.
    const PlacedNotes placed = placeNotes(notes, from, to, recorded, [&](int point) {
        const int k = point - 1;
        const bool gap = std::isnan(cells.y0[k]) && (subsets == 1 || std::isnan(cells.y1[k]));
        return gap ? std::numeric_limits<double>::quiet_NaN() : cells.x[k];
    });
    return writeLines(device, name, header(subsets, false, false, noted), std::max(from, 1),
                      cells.x ? std::min(to, cells.points) : 0,
                      std::max(0, to - from + 1), progress, [&](int point, QByteArray &line) {
                          const int k = point - 1;
                          if (cells.x[k] == 0)
                              return false;
                          const float y0 = cells.y0[k];
                          // A break in a recording's line holds no reading: no line for it.
                          if (std::isnan(y0) && (subsets == 1 || std::isnan(cells.y1[k])))
                              return true;
                          line += iso(cells.x[k]);
                          appendCell(line, y0, unitText);
                          if (subsets == 2)
                              appendCell(line, cells.y1[k], unitText);
                          if (noted) {
                              line += ',';
                              line += textField(placed.textOf(point));
                          }
                          return true;
                      });
}

TextWriteResult writeGridFile(const QString &path, const GridSource &grid, int from, int to, const RowTime &rowTime,
                              const TextProgress &progress, const RunNotes &notes)
{
    return throughSafeFile(path, [&](QIODevice &d) {
        return writeGrid(d, grid, from, to, rowTime, 0, true, progress, path, notes);
    });
}

TextWriteResult writeGraphFile(const QString &path, const GraphCells &cells, int from, int to, const QString &unit,
                               const TextProgress &progress, const RunNotes &notes)
{
    return throughSafeFile(path,
                           [&](QIODevice &d) { return writeGraph(d, cells, from, to, unit, progress, path, notes); });
}

} // namespace AnalysisCsv

} // namespace kv
