#include "common/Temperature.h"

namespace kv {

double convertTemperature(double value, const QString &from, const QString &to)
{
    if (from == to)
        return value;
    if (from == QLatin1String("C") && to == QLatin1String("F"))
        return value * 9.0 / 5.0 + 32.0;
    if (from == QLatin1String("F") && to == QLatin1String("C"))
        return (value - 32.0) * 5.0 / 9.0;
    return value;
}

QString temperatureAxisLabel(const QString &unit)
{
    if (unit == QLatin1String("C") || unit == QLatin1String("F"))
        return QStringLiteral("Degree (\u00B0%1)").arg(unit);
    return QStringLiteral("Degree");
}

QString temperatureAxisUnit(const QString &label)
{
    for (const char *unit : {"C", "F"})
        if (label == temperatureAxisLabel(unit))
            return unit;
    return QString();
}

} // namespace kv
