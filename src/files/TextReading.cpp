// Reading text files into list rows: the lines up to the first that is not
// a list row, in the file's one encoding, split into the list's cells.

#include "files/TextDataSet.h"
#include "common/LocaleText.h"
#include "files/AnalysisCsv.h"
#include "files/ListGraphData.h"
#include "files/LocaleDateTimeReader.h"

#include <QDir>
#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace kv {

namespace {

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

// Appends the text of the field that starts at `field` to row and returns
// where the next field starts, or nullptr (appending nothing) when no
// separator ends it. A field that opens with a double quote runs to its
// closing quote, a doubled quote inside standing for one, so it may hold
// the separator; one that is never closed is taken as it stands.
const char *takeField(std::string &row, const char *field, const char *end, char sep)
{
    if (field < end && *field == '"') {
        const char *p = field + 1;
        std::string text;
        for (; p < end; ++p) {
            if (*p != '"') {
                text.push_back(*p);
            } else if (p + 1 < end && p[1] == '"') {
                text.push_back('"');
                ++p;
            } else {
                break;
            }
        }
        if (p < end) {
            ++p;
            const auto *s = static_cast<const char *>(std::memchr(p, sep, static_cast<std::size_t>(end - p)));
            if (!s)
                return nullptr;
            row += text;
            row.append(p, s);
            return s + 1;
        }
    }
    const auto *s =
        field < end ? static_cast<const char *>(std::memchr(field, sep, static_cast<std::size_t>(end - field))) : nullptr;
    if (!s)
        return nullptr;
    row.append(field, s);
    return s + 1;
}

// The fields of a line that a separator ends.
int fieldCount(const char *b, const char *end, char sep)
{
    std::string scratch;
    int n = 0;
    for (const char *f = b; (f = takeField(scratch, f, end, sep)); ++n)
        scratch.clear();
    return n;
}

// Checks the value and unit cells of the rows read, and writes the value
// cells' numbers with the locale's decimal separator.
class NumberCells
{
public:
    NumberCells() : m_point(decimalSeparator().toStdString()) {}

    // The value cell that is row[at...]: fine when it is empty, "OL",
    // "----" or a number in the file's decimal form; else why not.
    bool value(std::string &row, std::size_t at, QString &problem)
    {
        std::size_t point = std::string::npos;
        if (isMark(row, at))
            return true;
        // A number beyond single precision (1e90) is no temperature either,
        // and the graph could not draw it.
        if (!number(row, at, &point) || !finite(row, at)) {
            problem = QStringLiteral("holds the value %1 where a number such as %2 or OL is expected")
                          .arg(quotedCell(row, at), example());
            return false;
        }
        if (point == std::string::npos)
            return true;
        const char c = row[point];
        if (!m_form)
            m_form = c;
        if (c != m_form) {
            problem = QStringLiteral("holds the value %1 with a decimal %2 where the file's numbers have a decimal %3")
                          .arg(quotedCell(row, at), name(c), name(m_form));
            return false;
        }
        if (m_point.size() != 1 || m_point[0] != c)
            row.replace(point, 1, m_point);
        return true;
    }

    // A unit cell is a word: a number there is the second half of a value
    // split by a comma.
    static bool unit(const std::string &row, std::size_t at, QString &problem)
    {
        if (!number(row, at, nullptr))
            return true;
        problem = misplacedUnit(QString::fromUtf8(row.data() + at, qsizetype(row.size() - at)));
        return false;
    }
    static bool isNumber(const std::string &cell) { return number(cell, 0, nullptr); }

private:
    static bool finite(const std::string &row, std::size_t at)
    {
        QByteArray text = QByteArray::fromRawData(row.data() + at, static_cast<qsizetype>(row.size() - at));
        text.replace(',', '.');
        bool ok = false;
        const double v = text.trimmed().toDouble(&ok);
        return ok && std::isfinite(v) && std::isfinite(static_cast<float>(v));
    }
    static bool isMark(const std::string &row, std::size_t at)
    {
        std::size_t b = at, e = row.size();
        while (b < e && row[b] == ' ')
            ++b;
        while (e > b && row[e - 1] == ' ')
            --e;
        const std::string_view t(row.data() + b, e - b);
        return t.empty() || t == "OL" || t == "----";
    }
    // Blanks, a sign, digits with one decimal point or comma, an exponent,
    // blanks; where the point or comma stands.
    static bool number(const std::string &row, std::size_t at, std::size_t *point)
    {
        std::size_t i = at;
        const std::size_t n = row.size();
        const auto digit = [&](std::size_t k) { return k < n && row[k] >= '0' && row[k] <= '9'; };
        while (i < n && row[i] == ' ')
            ++i;
        if (i < n && (row[i] == '+' || row[i] == '-'))
            ++i;
        int digits = 0;
        for (; digit(i); ++i)
            ++digits;
        if (i < n && (row[i] == '.' || row[i] == ',')) {
            if (point)
                *point = i;
            for (++i; digit(i); ++i)
                ++digits;
        }
        if (digits == 0)
            return false;
        if (i < n && (row[i] == 'e' || row[i] == 'E')) {
            ++i;
            if (i < n && (row[i] == '+' || row[i] == '-'))
                ++i;
            if (!digit(i))
                return false;
            while (digit(i))
                ++i;
        }
        while (i < n && row[i] == ' ')
            ++i;
        return i == n;
    }
    static QString quotedCell(const std::string &row, std::size_t at)
    {
        return LocaleDateTimeReader::quotedText(QString::fromUtf8(row.data() + at, qsizetype(row.size() - at)));
    }
    static QString name(char c) { return c == ',' ? QStringLiteral("comma") : QStringLiteral("point"); }
    QString example() const
    {
        QString e = QStringLiteral("22.5");
        if (m_form)
            e[2] = QLatin1Char(m_form);
        else
            e.replace(QLatin1Char('.'), decimalSeparator());
        return e;
    }

    std::string m_point;
    char m_form = 0; // the file's decimal separator, once a number shows it
};

} // namespace

bool unitIsNumber(const QString &cell)
{
    return NumberCells::isNumber(cell.toStdString());
}

QString misplacedUnit(const QString &cell)
{
    return QStringLiteral("holds the unit %1 where C or F is expected").arg(LocaleDateTimeReader::quotedText(cell));
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

TextListRows TextDataSet::read(QIODevice &device, QChar separator, const QString &name)
{
    TextListRows out;
    if (!device.isOpen() || !device.isReadable()) {
        out.error = QStringLiteral("The file %1 could not be opened for reading.").arg(QDir::toNativeSeparators(name));
        return out;
    }
    // The export with ISO 8601 times is told by its header line.
    if (AnalysisCsv::isHeader(device.peek(MaxLineLength)))
        return readIsoCsv(device, name);
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
        // Room for a usual file at once; a huge one (perhaps no list at
        // all, of which only a line may be read) grows as it is read.
        text.reserve(static_cast<qsizetype>(std::min<qint64>(device.size(), qint64(64) << 20)));
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
                    QStringLiteral("The file %1 could not be read: %2.").arg(QDir::toNativeSeparators(name), device.errorString());
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
    NumberCells numbers;
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
            out.columns = fieldCount(b, end, sep) >= 6 ? 8 : 6;
        ++n;
        row = std::to_string(n);
        // The fields that a separator follows, as many as the columns hold;
        // missing ones are empty.
        const char *field = b;
        for (int c = 1; c < out.columns; ++c) {
            row.push_back(CompactRows::kSep);
            const std::size_t at = row.size();
            const char *next = takeField(row, field, end, sep);
            if (!next) {
                field = end;
                continue;
            }
            std::replace(row.begin() + at, row.end(), CompactRows::kSep, ' ');
            field = next;
            const bool value = c == 3 || (c == 5 && out.columns == 8);
            const bool unit = c == 4 || (c == 6 && out.columns == 8);
            QString problem;
            if ((value && !numbers.value(row, at, problem)) || (unit && !NumberCells::unit(row, at, problem))) {
                if (!out.valueRow) {
                    out.valueRow = n;
                    out.valueProblem = problem;
                }
            }
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
            QStringLiteral("The file %1 could not be opened for reading: %2.").arg(QDir::toNativeSeparators(path), file.errorString());
        return out;
    }
    return read(file, separatorFor(path), path);
}

} // namespace kv
