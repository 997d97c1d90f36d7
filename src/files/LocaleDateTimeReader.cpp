#include "files/LocaleDateTimeReader.h"

#include "common/DateTime.h"

#include <QDate>

namespace kv {

namespace {

// The runs of digits in a text, at most `max` of them; false when there
// are more or one is too long to be a date or time field.
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

} // namespace

LocaleDateTimeReader::LocaleDateTimeReader()
    : m_dateFormat(m_locale.dateFormat(QLocale::ShortFormat))
    , m_am(m_locale.amText())
    , m_pm(m_locale.pmText())
    , m_pivotYear(QDate::currentDate().year() - 50)
{
    // The order of the numeric fields, unless the format spells out names.
    bool quoted = false;
    bool named = false;
    int at = 0;
    for (int i = 0; i < m_dateFormat.size(); ++i) {
        const QChar c = m_dateFormat.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted || (c != QLatin1Char('d') && c != QLatin1Char('M') && c != QLatin1Char('y')))
            continue;
        int run = 1;
        while (i + run < m_dateFormat.size() && m_dateFormat.at(i + run) == c)
            ++run;
        if ((c == QLatin1Char('M') || c == QLatin1Char('d')) && run > 2)
            named = true;
        int &slot = c == QLatin1Char('d') ? m_dayAt : c == QLatin1Char('M') ? m_monthAt : m_yearAt;
        if (slot < 0)
            slot = at++;
        i += run - 1;
    }
    if (named || m_dayAt < 0 || m_monthAt < 0 || m_yearAt < 0)
        m_dayAt = m_monthAt = m_yearAt = -1;
}

bool LocaleDateTimeReader::parseDate(const QString &text, double &days) const
{
    int year = 0, month = 0, day = 0;
    int yearDigits = 4;
    if (m_dayAt < 0) {
        const QDate d = m_locale.toDate(text.trimmed(), m_dateFormat);
        if (!d.isValid())
            return false;
        year = d.year();
        month = d.month();
        day = d.day();
        yearDigits = m_dateFormat.count(QLatin1Char('y')) <= 2 ? 2 : 4;
        if (yearDigits == 2)
            year %= 100;
    } else {
        int v[4], len[4], count = 0;
        if (!digitRuns(text, v, len, count, 3) || count != 3)
            return false;
        year = v[m_yearAt];
        month = v[m_monthAt];
        day = v[m_dayAt];
        yearDigits = len[m_yearAt];
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
    QString t = text.trimmed();
    if (t.isEmpty()) {
        fraction = 0;
        return true;
    }
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

} // namespace kv
