#include "files/TextDataSet.h"

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "common/SafeFile.h"
#include "views/GridSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <string>

namespace kv {

namespace {

QString shown(const QString &name)
{
    return QDir::toNativeSeparators(name);
}

// Formats the date and time fields of graph lines. Readings of one day
// share their date text, so it is formatted once per day; the time format
// is taken apart once per file, since Qt reads it anew for every time.
class DateTimeFields
{
public:
    DateTimeFields() : m_timeFormat(longTimeFormat()) { m_fast = compile(m_timeFormat); }
    const QString &date(double x)
    {
        const double day = std::floor(x);
        if (!m_haveDay || day != m_day) {
            m_day = day;
            m_haveDay = true;
            m_date = shortDateText(x);
        }
        return m_date;
    }
    void appendTime(QString &line, double x) const
    {
        const QTime t = timePart(x);
        if (!m_fast) {
            line += m_locale.toString(t, m_timeFormat);
            return;
        }
        for (const Part &p : m_parts) {
            switch (p.kind) {
            case Part::Text:
                line += p.text;
                break;
            case Part::Hour24:
                number(line, t.hour(), p.width);
                break;
            case Part::Hour12:
                number(line, t.hour() % 12 == 0 ? 12 : t.hour() % 12, p.width);
                break;
            case Part::Minute:
                number(line, t.minute(), p.width);
                break;
            case Part::Second:
                number(line, t.second(), p.width);
                break;
            case Part::AmPm:
                line += t.hour() < 12 ? p.text : p.text2;
                break;
            }
        }
    }

private:
    struct Part
    {
        enum Kind { Text, Hour24, Hour12, Minute, Second, AmPm } kind = Text;
        int width = 1;
        QString text, text2; // literal text, or the AM and PM texts
    };
    static void number(QString &line, int v, int width)
    {
        if (width == 2 && v < 10)
            line += QLatin1Char('0');
        line += QString::number(v);
    }
    // The format's fields, or false when it holds one this does not know
    // (then Qt formats every time itself).
    bool compile(const QString &f)
    {
        const bool twelve = f.contains(QLatin1Char('a'), Qt::CaseInsensitive);
        // Digits other than ASCII would need the locale's own.
        if (m_locale.zeroDigit() != QLatin1String("0"))
            return false;
        for (int i = 0; i < f.size();) {
            const QChar c = f.at(i);
            if (c == QLatin1Char('\'')) {
                const int close = f.indexOf(QLatin1Char('\''), i + 1);
                if (close < 0)
                    return false;
                m_parts.push_back({Part::Text, 1, close == i + 1 ? QStringLiteral("'") : f.mid(i + 1, close - i - 1), {}});
                i = close + 1;
                continue;
            }
            int run = 1;
            while (i + run < f.size() && f.at(i + run) == c)
                ++run;
            if (c == QLatin1Char('h') || c == QLatin1Char('H') || c == QLatin1Char('m') || c == QLatin1Char('s')) {
                if (run > 2)
                    return false;
                const Part::Kind k = c == QLatin1Char('m') ? Part::Minute
                    : c == QLatin1Char('s')                ? Part::Second
                    : (c == QLatin1Char('h') && twelve)    ? Part::Hour12
                                                           : Part::Hour24;
                m_parts.push_back({k, run, {}, {}});
                i += run;
            } else if (c == QLatin1Char('a') || c == QLatin1Char('A')) {
                const bool upper = c == QLatin1Char('A');
                const QString am = upper ? m_locale.amText().toUpper() : m_locale.amText().toLower();
                const QString pm = upper ? m_locale.pmText().toUpper() : m_locale.pmText().toLower();
                m_parts.push_back({Part::AmPm, 1, am, pm});
                i += (i + 1 < f.size() && (f.at(i + 1) == QLatin1Char('p') || f.at(i + 1) == QLatin1Char('P'))) ? 2 : 1;
            } else if (c.unicode() < 128 && c.isLetter()) {
                return false;
            } else {
                m_parts.push_back({Part::Text, 1, QString(run, c), {}});
                i += run;
            }
        }
        return true;
    }

    QLocale m_locale;
    QString m_timeFormat;
    bool m_fast = false;
    std::vector<Part> m_parts;
    double m_day = 0;
    bool m_haveDay = false;
    QString m_date;
};

// The value fields of graph lines, with the decimal separator looked up
// once per file instead of once per value.
class ValueFields
{
public:
    explicit ValueFields(QChar separator)
        : m_point(separator == TextDataSet::Comma && decimalSeparatorIsComma() ? QChar(QLatin1Char('.'))
                                                                                : decimalSeparator().at(0))
        , m_separator(separator)
    {
    }
    void append(QString &line, float y) const
    {
        const double v = static_cast<double>(y);
        if (y == TextDataSet::OverloadValue || y == TextDataSet::NoReadingValue || !(std::fabs(v) < 1e7)) {
            line += TextDataSet::valueText(y, m_separator);
            return;
        }
        QString s = QString::number(v, 'f', 1);
        if (s == QLatin1String("-0.0"))
            s.remove(0, 1);
        if (m_point != QLatin1Char('.'))
            s.replace(QLatin1Char('.'), m_point);
        line += s;
    }

private:
    QChar m_point;
    QChar m_separator;
};

// Collects encoded lines and hands them to the device in large writes.
class LineSink
{
public:
    LineSink(QIODevice &device) : m_device(device), m_encoder(TextDataSet::fileEncoding())
    {
        m_buffer.reserve(kFlushAt + 4096);
    }
    bool add(const QString &line)
    {
        m_buffer += m_encoder.encode(line);
        m_buffer += "\r\n";
        return m_buffer.size() < kFlushAt || flush();
    }
    bool flush()
    {
        if (m_buffer.isEmpty())
            return true;
        const bool ok = m_device.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
        return ok;
    }

private:
    static constexpr int kFlushAt = 64 * 1024;
    QIODevice &m_device;
    QStringEncoder m_encoder;
    QByteArray m_buffer;
};

TextWriteResult writeFailed(QIODevice &device, const QString &name, int lines)
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

// Writes the lines make(index, line) gives for first..last, telling the
// progress after each and stopping when it cancels; make returns false
// where the lines end early and leaves the line empty for an index that has
// none. Lines already written stay on a cancel.
template <typename MakeLine>
TextWriteResult writeLines(QIODevice &device, const QString &name, int first, int last, int total,
                           const TextProgress &progress, MakeLine make)
{
    TextWriteResult r;
    LineSink sink(device);
    QString line;
    for (int i = first; i <= last; ++i) {
        line.clear();
        if (!make(i, line))
            break;
        if (line.isEmpty())
            continue;
        if (!sink.add(line))
            return writeFailed(device, name, r.lines);
        ++r.lines;
        if (progress && !progress(r.lines, total)) {
            r.cancelled = true;
            break;
        }
    }
    if (!sink.flush())
        return writeFailed(device, name, r.lines);
    r.ok = true;
    return r;
}

// A number with a decimal comma, as a cell may hold it whatever the locale
// (a list read from another computer's file).
bool isCommaNumber(const QString &cell)
{
    static const QRegularExpression re(QStringLiteral("^\\s*[+-]?(\\d+,?\\d*|,\\d+)([eE][+-]?\\d+)?\\s*$"));
    return re.match(cell).hasMatch();
}

// A field that holds the separator, or opens with a double quote, is
// written in double quotes (a quote inside doubled), as the reader takes
// it: otherwise it would read back as two fields.
bool needsQuotes(QStringView text, QChar separator)
{
    return text.contains(separator) || text.startsWith(QLatin1Char('"'));
}

QString quotedField(QStringView text)
{
    QString q = text.toString();
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// Quotes what was appended to line from `start` on, where it needs it.
void quoteFrom(QString &line, qsizetype start, QChar separator)
{
    const QStringView field = QStringView(line).mid(start);
    if (needsQuotes(field, separator))
        line.replace(start, field.size(), quotedField(field));
}

// A cell as the table layout writes it: a number with a decimal comma in a
// comma-separated file takes a point, so its two halves do not land in two
// fields; other text holding the separator is quoted.
QString tableCellText(const QString &cell, QChar separator)
{
    if (!needsQuotes(cell, separator))
        return cell;
    if (separator == TextDataSet::Comma && isCommaNumber(cell)) {
        QString s = cell;
        s.replace(TextDataSet::Comma, QLatin1Char('.'));
        return s;
    }
    return quotedField(cell);
}

// A data row of the table layout without its line end: the cells after the
// number column, each followed by the separator.
void appendTableLine(QString &line, const GridSource &grid, int row, QChar separator)
{
    for (int c = 1; c < grid.ColCount(); ++c) {
        line += tableCellText(grid.cell(c, row), separator);
        line += separator;
    }
}

template <typename WriteTo>
TextWriteResult writeThroughSafeFile(const QString &path, WriteTo writeTo)
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
    // A cancelled write keeps what was written so far.
    if (!file.commit()) {
        r.ok = false;
        r.error = file.message();
    }
    return r;
}

} // namespace

QChar TextDataSet::separatorFor(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? Comma : Tab;
}

QString TextDataSet::valueText(float y, QChar separator)
{
    if (y == OverloadValue)
        return QStringLiteral("OL");
    // A break in the line (a list's "----" or empty cell) is no reading either.
    if (y == NoReadingValue || std::isnan(y))
        return QStringLiteral("----");
    QString s = fixedText(static_cast<double>(y), 1);
    if (separator == Comma && decimalSeparatorIsComma())
        s.replace(Comma, QLatin1Char('.'));
    return s;
}

QStringConverter::Encoding TextDataSet::fileEncoding()
{
#ifdef Q_OS_WIN
    return QStringConverter::System;
#else
    return QStringConverter::Utf8;
#endif
}

QString TextDataSet::graphLine(double x, float y0, const float *y1, const QString &unit, QChar separator)
{
    const auto field = [separator](const QString &text) {
        return needsQuotes(text, separator) ? quotedField(text) : text;
    };
    QString line = field(shortDateText(x)) + separator + field(longTimeText(x)) + separator
        + valueText(y0, separator) + separator + unit + separator;
    if (y1)
        line += valueText(*y1, separator) + separator + unit + separator;
    return line;
}

TextWriteResult TextDataSet::writeGraph(QIODevice &device, const GraphCells &cells, int from, int to,
                                        const QString &unit, QChar separator, const TextProgress &progress,
                                        const QString &name)
{
    if (!device.isOpen() || !device.isWritable())
        return notWritable(name);
    const bool two = cells.subsets == 2 && cells.y1;
    const int first = std::max(from, 1) - 1;
    const int last = cells.x ? std::min(to, cells.points) - 1 : first - 1;
    const int total = std::max(0, to - from + 1);
    const ValueFields values(separator);
    DateTimeFields dt;
    return writeLines(device, name, first, last, total, progress, [&](int p, QString &line) {
        const double x = cells.x[p];
        // The rest of a real-time graph has not been recorded yet.
        if (x == 0.0)
            return false;
        // A break in a recording's line holds no reading: no line for it.
        if (std::isnan(cells.y0[p]) && (!two || std::isnan(cells.y1[p])))
            return true;
        line += dt.date(x);
        quoteFrom(line, 0, separator);
        line += separator;
        const qsizetype time = line.size();
        dt.appendTime(line, x);
        quoteFrom(line, time, separator);
        line += separator;
        const auto value = [&](float y) {
            values.append(line, y);
            line += separator;
            line += unit;
            line += separator;
        };
        value(cells.y0[p]);
        if (two)
            value(cells.y1[p]);
        return true;
    });
}

TextWriteResult TextDataSet::writeGrid(QIODevice &device, const GridSource &grid, int from, int to,
                                       QChar separator, const TextProgress &progress, const QString &name)
{
    if (!device.isOpen() || !device.isWritable())
        return notWritable(name);
    const int first = std::max(from, 1);
    const int last = std::min(to, grid.RowCount() - 1);
    const int total = std::max(0, to - from + 1);
    return writeLines(device, name, first, last, total, progress, [&](int row, QString &line) {
        appendTableLine(line, grid, row, separator);
        return true;
    });
}

QByteArray TextDataSet::tableRowBytes(const GridSource &grid, int row, QChar separator)
{
    QString line;
    appendTableLine(line, grid, row, separator);
    QStringEncoder encoder(fileEncoding());
    QByteArray bytes = encoder.encode(line);
    bytes += "\r\n";
    return bytes;
}

TextWriteResult TextDataSet::writeGraphFile(const QString &path, const GraphCells &cells, int from, int to,
                                            const QString &unit, const TextProgress &progress)
{
    return writeThroughSafeFile(path, [&](QIODevice &d) {
        return writeGraph(d, cells, from, to, unit, separatorFor(path), progress, path);
    });
}

TextWriteResult TextDataSet::writeGridFile(const QString &path, const GridSource &grid, int from, int to,
                                           const TextProgress &progress)
{
    return writeThroughSafeFile(
        path, [&](QIODevice &d) { return writeGrid(d, grid, from, to, separatorFor(path), progress, path); });
}

} // namespace kv
