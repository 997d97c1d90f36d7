#include "files/LocaleDateTimeReader.h"

#include "common/DateTime.h"
#include "common/LocaleText.h"

#include <QDate>
#include <QTime>

namespace kv {

namespace {

const QString kIsoExample = QStringLiteral("2026-12-09");

// The runs of digits in a text, at most `max` of them; false when there
// are more or one is too long to be a time field.
bool digitRuns(const QString &text, int (&values)[4], int (&lengths)[4], int &count, int max)
{
    count = 0;
    int i = 0;
    const int n = text.size();
    while (i < n) {
        if (!text.at(i).isDigit()) {
            ++i;
            continue;
        }
        if (count == max)
            return false;
        int v = 0;
        int len = 0;
        while (i < n && text.at(i).isDigit()) {
            const int d = text.at(i).digitValue();
            if (d < 0 || len == 4)
                return false;
            v = v * 10 + d;
            ++len;
            ++i;
        }
        values[count] = v;
        lengths[count] = len;
        ++count;
    }
    return true;
}

// 2026-12-09: four, two and two ASCII digits.
bool isoDate(const QString &t, int &year, int &month, int &day)
{
    if (t.size() != 10 || t.at(4) != QLatin1Char('-') || t.at(7) != QLatin1Char('-'))
        return false;
    int v[3] = {0, 0, 0};
    int field = 0;
    for (int i = 0; i < 10; ++i) {
        if (i == 4 || i == 7) {
            ++field;
            continue;
        }
        const QChar c = t.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v[field] = v[field] * 10 + (c.unicode() - '0');
    }
    year = v[0];
    month = v[1];
    day = v[2];
    return true;
}

// A text from a file as a message quotes it: what cannot be shown replaced,
// and no longer than a date or time could be.
QString quoted(const QString &text)
{
    constexpr int kLongest = 24;
    QString out;
    for (const QChar c : text.left(kLongest + 1))
        out += c.isPrint() ? c : QChar(QChar::ReplacementCharacter);
    if (out.size() > kLongest) {
        out.truncate(kLongest);
        out += QChar(0x2026);
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace

LocaleDateTimeReader::LocaleDateTimeReader()
    : m_dateFormat(m_locale.dateFormat(QLocale::ShortFormat))
    , m_timeFormat(longTimeFormat())
    , m_am(m_locale.amText())
    , m_pm(m_locale.pmText())
    , m_pivotYear(QDate::currentDate().year() - 50)
{
    // The fields and the literal texts between them, unless the format
    // spells out names (or holds fields other than day, month and year).
    bool quote = false;
    bool named = false;
    int days = 0, months = 0, years = 0;
    QString literal;
    const auto endLiteral = [&] {
        if (!literal.isEmpty())
            m_parts.push_back({QChar(), 0, literal});
        literal.clear();
    };
    const int n = m_dateFormat.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = m_dateFormat.at(i);
        if (c == QLatin1Char('\'')) {
            if (i + 1 < n && m_dateFormat.at(i + 1) == QLatin1Char('\'')) {
                literal += c;
                ++i;
            } else {
                quote = !quote;
            }
            continue;
        }
        if (quote || !c.isLetter()) {
            literal += c;
            continue;
        }
        if (c != QLatin1Char('d') && c != QLatin1Char('M') && c != QLatin1Char('y')) {
            named = true;
            continue;
        }
        int run = 1;
        while (i + run < n && m_dateFormat.at(i + run) == c)
            ++run;
        if (c != QLatin1Char('y') && run > 2)
            named = true;
        (c == QLatin1Char('d') ? days : c == QLatin1Char('M') ? months : years) += 1;
        endLiteral();
        m_parts.push_back({c, run, QString()});
        i += run - 1;
    }
    endLiteral();
    if (named || days != 1 || months != 1 || years != 1)
        m_parts.clear();
}

bool LocaleDateTimeReader::parseNumericDate(const QString &t, int &year, int &month, int &day, int &yearDigits) const
{
    qsizetype pos = 0;
    for (const Part &part : m_parts) {
        if (part.field.isNull()) {
            if (!QStringView(t).mid(pos).startsWith(part.literal))
                return false;
            pos += part.literal.size();
            continue;
        }
        // Exactly the digits the field is written with: "dd" and "MM" two,
        // "d" and "M" one or two, "yy" two and "yyyy" four.
        const bool isYear = part.field == QLatin1Char('y');
        const int most = isYear ? (part.letters == 2 ? 2 : 4) : 2;
        const int least = isYear ? most : part.letters;
        int v = 0;
        int len = 0;
        while (pos < t.size() && len < most && t.at(pos).isDigit()) {
            const int d = t.at(pos).digitValue();
            if (d < 0)
                return false;
            v = v * 10 + d;
            ++len;
            ++pos;
        }
        if (len < least)
            return false;
        if (isYear) {
            year = v;
            yearDigits = len;
        } else if (part.field == QLatin1Char('M')) {
            month = v;
        } else {
            day = v;
        }
    }
    return pos == t.size();
}

bool LocaleDateTimeReader::parseDate(const QString &text, double &days) const
{
    const QString t = text.trimmed();
    int year = 0, month = 0, day = 0;
    int yearDigits = 4;
    if (isoDate(t, year, month, day)) {
        // Read the same in every locale.
    } else if (m_parts.empty()) {
        const QDate d = m_locale.toDate(t, m_dateFormat);
        if (!d.isValid())
            return false;
        year = d.year();
        month = d.month();
        day = d.day();
        yearDigits = m_dateFormat.count(QLatin1Char('y')) <= 2 ? 2 : 4;
        if (yearDigits == 2)
            year %= 100;
    } else if (!parseNumericDate(t, year, month, day, yearDigits)) {
        return false;
    }
    if (yearDigits <= 2) {
        // Within 50 years of today, as two-digit years are read elsewhere.
        year += m_pivotYear / 100 * 100;
        if (year < m_pivotYear)
            year += 100;
    }
    if (!isValidDate(year, month, day))
        return false;
    days = encodeDate(year, month, day);
    return true;
}

bool LocaleDateTimeReader::date(const QString &text, double &days)
{
    if (m_haveLast && text == m_lastDate) {
        days = m_lastDays;
        return true;
    }
    if (!parseDate(text, days))
        return false;
    m_lastDate = text;
    m_lastDays = days;
    m_haveLast = true;
    return true;
}

bool LocaleDateTimeReader::time(const QString &text, double &fraction) const
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        fraction = 0;
        return true;
    }
    if (numericTime(t, fraction))
        return true;
    // Some locales write their long time with words between the numbers
    // ("14 h 03 min 10 s", "14時03分10秒"): read it as it was written.
    const QTime written = m_locale.toTime(t, m_timeFormat);
    if (!written.isValid())
        return false;
    fraction = encodeTime(written.hour(), written.minute(), written.second(), written.msec());
    return true;
}

bool LocaleDateTimeReader::numericTime(QString t, double &fraction) const
{
    int half = 0; // 1 before noon, 2 after
    const auto takeMarker = [&](const QString &marker, int which) {
        if (half || marker.isEmpty())
            return;
        const int at = t.indexOf(marker, 0, Qt::CaseInsensitive);
        if (at >= 0) {
            t.remove(at, marker.size());
            half = which;
        }
    };
    takeMarker(m_am, 1);
    takeMarker(m_pm, 2);
    takeMarker(QStringLiteral("AM"), 1);
    takeMarker(QStringLiteral("PM"), 2);
    // Whatever is left besides the numbers must be separators.
    for (const QChar c : t)
        if (c.isLetter())
            return false;
    int v[4], len[4], count = 0;
    if (!digitRuns(t, v, len, count, 4) || count < 2)
        return false;
    int hour = v[0];
    const int minute = v[1];
    const int second = count > 2 ? v[2] : 0;
    const int msec = count > 3 ? v[3] : 0;
    if (len[0] > 2 || len[1] > 2 || (count > 2 && len[2] > 2) || (count > 3 && len[3] > 3))
        return false;
    if (half) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (half == 2 ? 12 : 0);
    }
    if (!isValidTime(hour, minute, second))
        return false;
    fraction = encodeTime(hour, minute, second, msec);
    return true;
}

bool LocaleDateTimeReader::dateTime(const QString &dateText, const QString &timeText, double &value)
{
    double days = 0, fraction = 0;
    if (!date(dateText, days) || !time(timeText, fraction))
        return false;
    value = days + fraction;
    return true;
}

QString LocaleDateTimeReader::expectedDate() const
{
    const QString example = m_locale.toString(QDate(2026, 12, 9), m_dateFormat);
    QString order;
    for (const Part &part : m_parts)
        order += part.field.isNull()                ? part.literal
            : part.field == QLatin1Char('d')        ? QStringLiteral("day")
            : part.field == QLatin1Char('M')        ? QStringLiteral("month")
                                                    : QStringLiteral("year");
    QString text = QStringLiteral("a date such as ") + example;
    if (!order.isEmpty())
        text += QStringLiteral(" (%1)").arg(order);
    if (example != kIsoExample)
        text += QStringLiteral(" or ") + kIsoExample;
    return text;
}

QString LocaleDateTimeReader::expectedTime() const
{
    return QStringLiteral("a time such as ") + m_locale.toString(QTime(14, 3, 10), m_timeFormat);
}

QString LocaleDateTimeReader::quotedText(const QString &text)
{
    return quoted(text);
}

QString LocaleDateTimeReader::problem(const QString &dateText, const QString &timeText)
{
    double value = 0;
    if (!date(dateText, value)) {
        if (dateText.trimmed().isEmpty())
            return QStringLiteral("holds no date where %1 is expected").arg(expectedDate());
        return QStringLiteral("holds the date %1 where %2 is expected").arg(quoted(dateText), expectedDate());
    }
    if (!time(timeText, value))
        return QStringLiteral("holds the time %1 where %2 is expected").arg(quoted(timeText), expectedTime());
    return QString();
}

} // namespace kv
