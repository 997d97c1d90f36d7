#pragma once
// Everything the user sets for watching, as kept in the settings file's
// section "Alarms": the limits, the hysteresis, the delay, the unit they
// are in, the watchdog, the sound, the notification and its reminder, the
// rate of rise's window and whether the graphs show it, and the command run
// for each event.

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
    // While an alarm lasts unacknowledged, its beep and notification come
    // again every so many minutes: 0 (never), 1, 5 or 15.
    int reminderMinutes = 0;
    static bool reminderChoice(int minutes) { return minutes == 0 || minutes == 1 || minutes == 5 || minutes == 15; }
    bool runCommand = false; // run command for each event
    QString command;         // kept while switched off

    // The command to run now, empty for none.
    QString activeCommand() const { return runCommand ? command.trimmed() : QString(); }

    bool operator==(const WatchOptions &o) const
    {
        return alarms == o.alarms && rateWindowSeconds == o.rateWindowSeconds && showRate == o.showRate
            && reminderMinutes == o.reminderMinutes && runCommand == o.runCommand && command == o.command;
    }
    bool operator!=(const WatchOptions &o) const { return !(*this == o); }

    static QString section() { return QStringLiteral("Alarms"); }
    // From the section's keys; a key missing or not readable keeps its
    // default, a limit pair that makes no sense (low not below high) is
    // read with the low limit off, and so is a rate limit on the wrong side
    // of 0.
    static WatchOptions fromSection(const QMap<QString, QString> &keys);
    QMap<QString, QString> toSection() const;
};

} // namespace kv
