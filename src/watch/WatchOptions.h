#pragma once
// Everything the user sets for watching, as kept in the settings file's
// section "Alarms": the limits, the hysteresis, the delay, the unit they
// are in, the watchdog, the sound and the notification, and the rate of
// rise's window and whether the graphs show it.

#include "watch/AlarmSettings.h"
#include "watch/RateOfRise.h"

#include <QMap>
#include <QString>

namespace kv {

struct WatchOptions
{
    AlarmSettings alarms;
    double rateWindowSeconds = RateOfRise::kDefaultWindowSeconds;
    bool showRate = false; // the rate-of-rise lines on the graphs

    bool operator==(const WatchOptions &o) const
    {
        return alarms == o.alarms && rateWindowSeconds == o.rateWindowSeconds && showRate == o.showRate;
    }
    bool operator!=(const WatchOptions &o) const { return !(*this == o); }

    static QString section() { return QStringLiteral("Alarms"); }
    // From the section's keys; a key missing or not readable keeps its
    // default, a limit pair that makes no sense (low not below high) is
    // read with the low limit off.
    static WatchOptions fromSection(const QMap<QString, QString> &keys);
    QMap<QString, QString> toSection() const;
};

} // namespace kv
