#include "files/TextDataSet.h"

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "views/GridSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace kv {

namespace {

QString shown(const QString &name)
{
    return QDir::toNativeSeparators(name);
}

// The 8-bit code page files from older Windows machines are written in.
// 0x80-0x9F differ from Latin-1; the five unused codes stay C1 controls.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decode8Bit(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    // Files written on this machine use its ANSI code page.
    QStringDecoder d(QStringConverter::System);
    return d.decode(bytes);
#else
    QString s(bytes.size(), Qt::Uninitialized);
    QChar *out = s.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return s;
#endif
}

bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    const auto *end = p + size;
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned int cp = 0;
        unsigned int least = 0;
        if ((b & 0xE0) == 0xC0) {
            more = 1;
            cp = b & 0x1F;
            least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            more = 2;
            cp = b & 0x0F;
            least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            more = 3;
            cp = b & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += more + 1;
    }
    return true;
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

// A cell that is a number with a decimal comma, in a comma-separated file:
// written with a point, or its two halves would land in two fields.
QString tableCellText(const QString &cell, QChar separator, bool commaDecimal)
{
    if (!commaDecimal || separator != TextDataSet::Comma || !cell.contains(TextDataSet::Comma))
        return cell;
    bool number = false;
    parseLocaleDouble(cell, &number);
    if (!number)
        return cell;
    QString s = cell;
    s.replace(TextDataSet::Comma, QLatin1Char('.'));
    return s;
}

template <typename WriteTo>
TextWriteResult writeThroughSaveFile(const QString &path, WriteTo writeTo)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        TextWriteResult r;
        r.error = QStringLiteral("The file %1 could not be opened for writing: %2.")
                      .arg(shown(path), file.errorString());
        return r;
    }
    TextWriteResult r = writeTo(file);
    if (!r.ok) {
        file.cancelWriting();
        return r;
    }
    // A cancelled write keeps what was written so far.
    if (!file.commit()) {
        r.ok = false;
        r.error = QStringLiteral("The file %1 could not be written: %2.").arg(shown(path), file.errorString());
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
    if (y == NoReadingValue)
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

QString TextDataSet::decode(const QByteArray &bytes)
{
    if (!isValidUtf8(bytes.constData(), bytes.size()))
        return decode8Bit(bytes);
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    return QString::fromUtf8(b);
}

QString TextDataSet::graphLine(double x, float y0, const float *y1, const QString &unit, QChar separator)
{
    QString line = shortDateText(x) + separator + longTimeText(x) + separator + valueText(y0, separator) + separator
        + unit + separator;
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
    TextWriteResult r;
    const bool two = cells.subsets == 2 && cells.y1;
    const int first = std::max(from, 1) - 1;
    const int last = std::min(to, cells.points) - 1;
    const int total = std::max(0, to - from + 1);
    const ValueFields values(separator);
    LineSink sink(device);
    DateTimeFields dt;
    QString line;
    for (int p = first; p <= last && cells.x; ++p) {
        const double x = cells.x[p];
        // The rest of a real-time graph has not been recorded yet.
        if (x == 0.0)
            break;
        line.clear();
        line += dt.date(x);
        line += separator;
        dt.appendTime(line, x);
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

TextWriteResult TextDataSet::writeGrid(QIODevice &device, const GridSource &grid, int from, int to,
                                       QChar separator, const TextProgress &progress, const QString &name)
{
    if (!device.isOpen() || !device.isWritable())
        return notWritable(name);
    TextWriteResult r;
    const int first = std::max(from, 1);
    const int last = std::min(to, grid.RowCount() - 1);
    const int cols = grid.ColCount();
    const int total = std::max(0, to - from + 1);
    const bool commaDecimal = decimalSeparatorIsComma();
    LineSink sink(device);
    QString line;
    for (int row = first; row <= last; ++row) {
        line.clear();
        for (int c = 1; c < cols; ++c) {
            line += tableCellText(grid.cell(c, row), separator, commaDecimal);
            line += separator;
        }
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

TextWriteResult TextDataSet::writeGraphFile(const QString &path, const GraphCells &cells, int from, int to,
                                            const QString &unit, const TextProgress &progress)
{
    return writeThroughSaveFile(path, [&](QIODevice &d) {
        return writeGraph(d, cells, from, to, unit, separatorFor(path), progress, path);
    });
}

TextWriteResult TextDataSet::writeGridFile(const QString &path, const GridSource &grid, int from, int to,
                                           const TextProgress &progress)
{
    return writeThroughSaveFile(
        path, [&](QIODevice &d) { return writeGrid(d, grid, from, to, separatorFor(path), progress, path); });
}

TextListRows TextDataSet::read(QIODevice &device, QChar separator, const QString &name)
{
    TextListRows out;
    if (!device.isOpen() || !device.isReadable()) {
        out.error = QStringLiteral("The file %1 could not be opened for reading.").arg(shown(name));
        return out;
    }
    const char sep = separator.toLatin1();
    // At most three bytes of UTF-8 make one character of a line, so a raw
    // line longer than this is surely cut; what lies beyond is never read.
    constexpr int kMaxLineBytes = MaxLineLength * 3;

    // First the raw lines that can be stored: up to the first one without a
    // separator, or up to and including the first one surely too long. They
    // are kept end to end in one buffer.
    QByteArray text;
    struct Span
    {
        qsizetype start;
        int size;
    };
    std::vector<Span> lines;
    if (!device.isSequential())
        text.reserve(static_cast<qsizetype>(std::min<qint64>(device.size(), qint64(1) << 30)));
    QByteArray pending;  // bytes read and not yet taken as lines
    qint64 start = 0;    // where the next line begins in pending
    qint64 scanned = 0;  // pending up to here holds no line end
    bool atEnd = false;
    QByteArray chunk(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const char *data = pending.constData();
        qint64 end = -1;
        for (qint64 i = scanned; i < pending.size(); ++i) {
            if (data[i] == '\n' || data[i] == '\r') {
                end = i;
                break;
            }
        }
        // Read on while the line is unfinished and may still be short
        // enough, or while a CR at the end may be followed by its LF.
        const bool needMore = !atEnd
            && (end < 0 ? pending.size() - start <= kMaxLineBytes
                        : data[end] == '\r' && end + 1 == pending.size());
        if (needMore) {
            pending.remove(0, start);
            scanned = (end < 0 ? pending.size() + start : end) - start;
            start = 0;
            const qint64 n = device.read(chunk.data(), chunk.size());
            if (n < 0) {
                out.error =
                    QStringLiteral("The file %1 could not be read: %2.").arg(shown(name), device.errorString());
                return out;
            }
            if (n == 0)
                atEnd = true;
            else
                pending.append(chunk.constData(), n);
            continue;
        }
        if (end < 0 && start == pending.size())
            break; // the end of the file
        qint64 lineLength = (end < 0 ? pending.size() : end) - start;
        bool cut = false;
        if (lineLength > kMaxLineBytes) {
            lineLength = kMaxLineBytes;
            // Do not cut a UTF-8 sequence in two.
            while (lineLength > 0 && (static_cast<unsigned char>(data[start + lineLength]) & 0xC0) == 0x80)
                --lineLength;
            cut = true;
        }
        if (!std::memchr(data + start, sep, static_cast<std::size_t>(lineLength)))
            break;
        lines.push_back({text.size(), static_cast<int>(lineLength)});
        text.append(data + start, lineLength);
        if (cut || end < 0)
            break;
        // Past CR LF, LF or a lone CR.
        qint64 next = end + 1;
        if (data[end] == '\r' && next < pending.size() && data[next] == '\n')
            ++next;
        start = next;
        scanned = next;
    }
    out.ok = true;
    if (lines.empty())
        return out;

    // One encoding for the whole file, as it was written.
    bool utf8 = true;
    for (const Span &line : lines)
        if (!isValidUtf8(text.constData() + line.start, line.size)) {
            utf8 = false;
            break;
        }
    if (utf8 && text.startsWith("\xEF\xBB\xBF")) {
        lines.front().start += 3;
        lines.front().size -= 3;
    }

    // Each line becomes a row of the list's cells, straight from its bytes.
    out.rows.reserve(lines.size(), static_cast<std::size_t>(text.size()) + lines.size() * 10);
    std::string row;
    QByteArray converted;
    int n = 0;
    for (const Span &line : lines) {
        const char *b = text.constData() + line.start;
        qsizetype size = line.size;
        bool last = false;
        // At most MaxLineLength bytes are at most that many characters;
        // longer lines and 8-bit text are counted and cut as characters.
        if (!utf8 || size > MaxLineLength) {
            QString decoded = utf8 ? QString::fromUtf8(b, size) : decode8Bit(QByteArray::fromRawData(b, size));
            if (decoded.size() > MaxLineLength) {
                decoded.truncate(MaxLineLength);
                last = true;
            }
            converted = decoded.toUtf8();
            b = converted.constData();
            size = converted.size();
        }
        const char *end = b + size;
        if (!std::memchr(b, sep, static_cast<std::size_t>(size)))
            break;
        if (out.columns == 0)
            out.columns = std::count(b, end, sep) >= 6 ? 8 : 6;
        ++n;
        row = std::to_string(n);
        // The fields that a separator follows, as many as the columns hold;
        // missing ones are empty.
        const char *field = b;
        for (int c = 1; c < out.columns; ++c) {
            row.push_back(CompactRows::kSep);
            const char *s = field < end ? static_cast<const char *>(std::memchr(field, sep, end - field)) : nullptr;
            if (!s) {
                field = end;
                continue;
            }
            const std::size_t at = row.size();
            row.append(field, s);
            std::replace(row.begin() + at, row.end(), CompactRows::kSep, ' ');
            field = s + 1;
        }
        out.rows.appendEncoded(row.data(), row.size());
        if (last)
            break;
    }
    return out;
}

TextListRows TextDataSet::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TextListRows out;
        out.error =
            QStringLiteral("The file %1 could not be opened for reading: %2.").arg(shown(path), file.errorString());
        return out;
    }
    return read(file, separatorFor(path), path);
}

} // namespace kv
