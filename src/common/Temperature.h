#pragma once
// Temperatures in degrees C or F, the two units the meters show, and the
// y axis title that says which one a graph is in.

#include <QString>

namespace kv {

// A temperature in the unit "C" or "F" given in the other one; the same
// value when both units are the same or either is not known.
double convertTemperature(double value, const QString &from, const QString &to);

// The y axis title of a graph whose values are in unit ("C" or "F"); the
// plain title when the unit is not known.
QString temperatureAxisLabel(const QString &unit);

// The unit such a title names: "C", "F", or empty for any other title (the
// plain one, or one the user wrote).
QString temperatureAxisUnit(const QString &label);

} // namespace kv
