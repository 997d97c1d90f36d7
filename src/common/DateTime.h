#pragma once
// Date-times are held as doubles: whole days since 30 December 1899 00:00,
// local time, with the time of day as the fraction. The meter's logger
// records, the charts' x values and the text files all use this one scale.

#include <QDateTime>

namespace kv {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kMsecsPerDay = 86400000.0;

// The day numbered 0.
QDate dateTimeEpoch();

// Local date and time to a date-time double (milliseconds kept).
double toDateTimeDouble(const QDateTime &local);
double toDateTimeDouble(const QDate &date, const QTime &time);

// A date-time double back to local date and time. The day is the largest
// whole number not above the value, the time of day the rest, so values
// built as "date + time" come back as they were built, negative ones too.
// Times are rounded to the nearest millisecond.
QDate datePart(double dateTime);
QTime timePart(double dateTime);
QDateTime fromDateTimeDouble(double dateTime);

// Gregorian calendar checks as the logger's record dates need them:
// years 1 to 9999, months 1 to 12, the month's real length (leap years
// counted); hours 0 to 23, minutes and seconds 0 to 59.
bool isValidDate(int year, int month, int day);
bool isValidTime(int hour, int minute, int second);

// Whole days for a valid date, and the fraction of a day for a valid time.
double encodeDate(int year, int month, int day);
double encodeTime(int hour, int minute, int second, int msec = 0);

} // namespace kv
