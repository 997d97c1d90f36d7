#pragma once
// Dates, times and numbers as the user's regional settings write them.
// Everything goes through QLocale() (the default locale), so a test can fix
// the locale with QLocale::setDefault and the program follows the system.

#include <QString>

namespace kv {

// The locale's short date, e.g. "12/5/07" or "05.12.07".
QString shortDateText(double dateTime);

// Hours, minutes and seconds in the locale's order and clock, without a
// time-zone name, e.g. "2:03:10 PM" or "14:03:10".
QString longTimeText(double dateTime);
// The Qt format string behind longTimeText.
QString longTimeFormat();

// Always 24-hour "hh:mm:ss" with leading zeros, whatever the locale.
QString hhmmssText(double dateTime);

// The locale's decimal separator, and whether it is a comma (then the
// comma-separated file choices are withdrawn).
QString decimalSeparator();
bool decimalSeparatorIsComma();

// Fixed notation with the given number of decimals, the locale's decimal
// separator, no thousands separators and an ASCII minus; a value with more
// than seven digits before the separator switches to exponent notation.
// A value that rounds to zero is written without a sign.
QString fixedText(double value, int decimals);

// A number typed by the user: surrounding blanks ignored, the locale's
// decimal separator, an optional sign and exponent. No thousands separators.
double parseLocaleDouble(const QString &text, bool *ok);

// A whole number as the program's integer fields take it: optional sign,
// decimal digits, surrounding blanks ignored, within 32 bits.
int parseInteger(const QString &text, bool *ok);

} // namespace kv
