#include "logger/DateTimeCorrection.h"

#include "common/DateTime.h"
#include "common/LocaleText.h"

namespace kv {

bool StartDateTime::isValid() const
{
    return isValidDate(year, month, day) && isValidTime(hour, minute, second);
}

double StartDateTime::toDateTime() const
{
    return encodeDate(year, month, day) + encodeTime(hour, minute, second);
}

QString StartDateTime::text() const
{
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(year)
        .arg(month)
        .arg(day)
        .arg(hour)
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'));
}

bool StartDateTime::operator==(const StartDateTime &o) const
{
    return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute
        && second == o.second;
}

DateTimeFields fieldsOf(const StartDateTime &t)
{
    return {QString::number(t.year), QString::number(t.month),  QString::number(t.day),
            QString::number(t.hour), QString::number(t.minute), QString::number(t.second)};
}

DateTimeCorrection correctionFromFields(const DateTimeFields &answer)
{
    int values[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        values[i] = parseInteger(answer[i], &ok);
        if (!ok)
            return DateTimeCorrection::abandoned(QStringLiteral("'%1' is not a valid integer value.").arg(answer[i]));
    }
    return DateTimeCorrection::corrected({values[0], values[1], values[2], values[3], values[4], values[5]});
}

CorrectStartDateTime correctionThrough(Prompt &prompt)
{
    return [&prompt](const StartDateTime &impossible) {
        return correctionFromFields(prompt.correctDateTime(fieldsOf(impossible)));
    };
}

} // namespace kv
