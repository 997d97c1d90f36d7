#pragma once
// Turns the date and time texts of a list row back into a date-time, the
// way the regional settings write them. A date is read strictly in the
// locale's short date form: its order of day, month and year, its
// separators and its number of digits (a two-digit year taken within 50
// years of today), so that a date written under other settings is refused
// instead of read with day and month swapped. A date in ISO 8601 form
// (2026-12-09) reads whatever the locale. A time is hours, minutes and
// optional seconds in either 24-hour form or with an AM/PM text, or the
// locale's long time as the program writes it, words and all
// ("14 h 03 min 10 s").

#include <QLocale>
#include <QString>

#include <vector>

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

    // Why a date and time do not read, to follow "line 3 " in a message:
    // "holds the date "12/9/26" where a date such as 09.12.26
    // (day.month.year) or 2026-12-09 is expected". Empty when both read.
    QString problem(const QString &dateText, const QString &timeText);

    // What is expected, as the messages say it.
    QString expectedDate() const;
    QString expectedTime() const;

    // A text from a file as these messages quote it: in double quotes,
    // what cannot be shown replaced, cut after a date's length.
    static QString quotedText(const QString &text);

private:
    bool parseDate(const QString &text, double &days) const;
    // Hours, minutes and seconds as numbers with any separators, and an
    // AM/PM text; no other words.
    bool numericTime(QString text, double &fraction) const;
    bool parseNumericDate(const QString &text, int &year, int &month, int &day, int &yearDigits) const;

    // The short date format taken apart: a field ('d', 'M' or 'y' with the
    // number of letters) or a literal text between fields.
    struct Part
    {
        QChar field;
        int letters = 0;
        QString literal;
    };

    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat; // the long time as written, without a time zone
    // Empty when the format names its months or days; Qt's own parser
    // reads those.
    std::vector<Part> m_parts;
    QString m_am, m_pm;
    int m_pivotYear;
    QString m_lastDate;
    double m_lastDays = 0;
    bool m_haveLast = false;
};

} // namespace kv
