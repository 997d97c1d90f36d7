#include "common/DateTime.h"

#include <cmath>

namespace kv {

QDate dateTimeEpoch()
{
    return QDate(1899, 12, 30);
}

double toDateTimeDouble(const QDate &date, const QTime &time)
{
    const double days = static_cast<double>(dateTimeEpoch().daysTo(date));
    const double frac = time.isValid() ? time.msecsSinceStartOfDay() / kMsecsPerDay : 0.0;
    return days + frac;
}

double toDateTimeDouble(const QDateTime &local)
{
    const QDateTime l = local.toLocalTime();
    return toDateTimeDouble(l.date(), l.time());
}

namespace {
// Splits into whole days and milliseconds of the day, carrying a time that
// rounds up to midnight into the next day.
void split(double dateTime, qint64 &days, int &msecs)
{
    double whole = std::floor(dateTime);
    double ms = std::round((dateTime - whole) * kMsecsPerDay);
    if (ms >= kMsecsPerDay) {
        whole += 1.0;
        ms = 0.0;
    }
    days = static_cast<qint64>(whole);
    msecs = static_cast<int>(ms);
}
} // namespace

QDate datePart(double dateTime)
{
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e9)
        return QDate();
    qint64 days;
    int msecs;
    split(dateTime, days, msecs);
    return dateTimeEpoch().addDays(days);
}

QTime timePart(double dateTime)
{
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e9)
        return QTime();
    qint64 days;
    int msecs;
    split(dateTime, days, msecs);
    return QTime::fromMSecsSinceStartOfDay(msecs);
}

QDateTime fromDateTimeDouble(double dateTime)
{
    return QDateTime(datePart(dateTime), timePart(dateTime), Qt::LocalTime);
}

bool isValidDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    return QDate::isValid(year, month, day);
}

bool isValidTime(int hour, int minute, int second)
{
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

double encodeDate(int year, int month, int day)
{
    return static_cast<double>(dateTimeEpoch().daysTo(QDate(year, month, day)));
}

double encodeTime(int hour, int minute, int second, int msec)
{
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMsecsPerDay;
}

} // namespace kv
