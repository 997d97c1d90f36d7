#pragma once
// Turns the date and time texts of a list row back into a date-time, the
// way the regional settings write them: the short date (day, month and year
// in the locale's order, a two-digit year taken within 50 years of today),
// and a time of hours, minutes and optional seconds in either 24-hour form
// or with the locale's AM/PM text.

#include <QLocale>
#include <QString>

namespace kv {

class LocaleDateTimeReader
{
public:
    // Reads the default locale as it is now.
    LocaleDateTimeReader();

    // Whole days for a date text; false when it is no date. The last date
    // converted is remembered, since the rows of a list share few dates.
    bool date(const QString &text, double &days);
    // The fraction of a day for a time text; an empty text is midnight.
    bool time(const QString &text, double &fraction) const;
    // Both, as a date-time.
    bool dateTime(const QString &dateText, const QString &timeText, double &value);

private:
    bool parseDate(const QString &text, double &days) const;

    QLocale m_locale;
    QString m_dateFormat;
    // Where day, month and year stand in a numeric date (0, 1, 2), or -1
    // when the format names its months and Qt's own parser is used.
    int m_dayAt = -1, m_monthAt = -1, m_yearAt = -1;
    QString m_am, m_pm;
    int m_pivotYear;
    QString m_lastDate;
    double m_lastDays = 0;
    bool m_haveLast = false;
};

} // namespace kv
