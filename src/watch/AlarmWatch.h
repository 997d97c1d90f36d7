#pragma once
// The alarm rules over live readings: a limit fires once when a reading
// crosses it (after it stayed past for the delay) and clears once the
// reading is back inside by the hysteresis. An overload fires the
// channel's high alarm, naming the overload (and no limit). A channel's
// rate of rise (as the graphs show it) has limits of its own, with the
// same hysteresis and delay. The watchdog fires when the
// meter stops answering and clears when it answers again. Each call gives
// the events it caused, in order; the caller shows, prints or logs them.

#include "watch/AlarmSettings.h"
#include "watch/RateOfRise.h"

#include <QString>
#include <QVector>

#include <array>
#include <limits>

namespace kv {

class Clock;
struct Reading;

struct AlarmEvent
{
    // Paused and Resumed frame a time when no reading can be taken (the
    // logger's memory downloading), so none can fire. Acknowledged: a person
    // saw an alarm that lasts (the window's, never the rules').
    // Failed: the command run for an event did not do its work (why says
    // how); it is no alarm and clears nothing.
    enum class Kind { Alarm, Cleared, Paused, Resumed, Acknowledged, Failed };
    // Rise and Fall: the rate of rise past its limit, value and limit in
    // degrees a minute.
    enum class Cause { High, Low, Overload, LinkLost, Paused, Rise, Fall, Command };

    Kind kind = Kind::Alarm;
    Cause cause = Cause::High;
    QString channel;                                      // "T1", "T2", "T1-T2" or "link"
    double value = std::numeric_limits<double>::quiet_NaN(); // in unit; NaN for an overload or the link
    double limit = std::numeric_limits<double>::quiet_NaN(); // NaN when there is none
    QString unit;                                         // of value and limit ("C" or "F"; a minute for a rate)
    double time = 0.0;                                    // date-time double
    QString why;                                          // of a pause ("downloading")

    bool isAlarm() const { return kind == Kind::Alarm; }
    bool isRate() const { return cause == Cause::Rise || cause == Cause::Fall; }
    // "alarm", "cleared", "paused", "resumed", "acknowledged" or "failed".
    QString kindName() const;
    // "high", "low", "overload", "lost", "rise", "fall", "command", or why
    // the alarms paused.
    QString causeName() const;
    // A line for the status bar and the notification:
    // "Alarm T1: 81.2 °C above 80.0 °C", "Alarm T1: overload",
    // "Cleared T2: -17.5 °C", "Alarm: the meter stopped answering",
    // "Alarms paused: downloading", "Alarms resumed",
    // "Alarm T1: rising 12.0 °C/min, faster than 10.0 °C/min",
    // "Acknowledged T1 rise",
    // "Alarm command failed: …".
    QString text() const;

    // The pair around a time without readings; channel "alarms".
    static AlarmEvent pause(bool paused, const QString &why, double time);
    // The command run for event failed, why says how.
    static AlarmEvent commandFailed(const AlarmEvent &event, const QString &why, double time);
};

// One live reading as the alarms see it; a channel the meter lacks is not
// there at all.
struct WatchSample
{
    double t1 = 0.0;
    bool t1Overload = false;
    bool hasT2 = false;
    double t2 = 0.0;
    bool t2Overload = false;
    QString unit = QStringLiteral("C");
};

// The reading of a 481 (T1) or a 482 (T1 and T2) as a sample.
WatchSample watchSample(const Reading &reading, int model);

class AlarmWatch
{
public:
    explicit AlarmWatch(const Clock &clock);

    const AlarmSettings &settings() const { return m_settings; }
    // New limits. An alarm that lasts carries on, under its new limit,
    // while the last reading is still past it (not back inside by the
    // hysteresis); one whose limit went off or that the last reading is
    // inside of clears (its event is returned).
    QVector<AlarmEvent> setSettings(const AlarmSettings &settings);
    // The seconds the rate of rise is taken over (the graphs' window).
    void setRateWindow(double seconds);

    QVector<AlarmEvent> feed(const WatchSample &sample);
    // The meter stopped answering / answers again. Only once each, and only
    // while the watchdog is on.
    QVector<AlarmEvent> linkLost();
    QVector<AlarmEvent> linkFound();

    // The watchdog even without any limit on (kv481 watch, whose whole job
    // is watching).
    void setWatchdogWithoutLimits(bool on) { m_watchdogAlways = on; }

    // Whether an alarm of the channel lasts now (for the panel's frame).
    bool active(AlarmChannel channel) const;
    bool linkAlarmActive() const { return m_linkLost; }
    // The alarms that last now, oldest first.
    QVector<AlarmEvent> activeAlarms() const;

private:
    struct Side
    {
        bool active = false;
        qint64 pastSince = -1; // tick count when the reading first went past; -1 inside
        AlarmEvent fired;      // the event that started the alarm
    };
    // Where a value stands against one limit.
    struct Verdict
    {
        bool watched = false;
        bool past = false;
        bool inside = true;
    };
    Verdict judge(AlarmChannel channel, bool high, bool overload, double value) const;
    Verdict judgeRate(AlarmChannel channel, bool high, double rate) const;
    void compare(Verdict &v, bool high, double value, double limit) const;
    void check(AlarmChannel channel, bool high, bool overload, double value, QVector<AlarmEvent> &out);
    void checkRate(AlarmChannel channel, bool high, double rate, QVector<AlarmEvent> &out);
    void step(Side &side, const Verdict &v, const AlarmEvent &alarm, double value, QVector<AlarmEvent> &out);
    // The last sample's values in the limits' unit: T1, T2, T1-T2, and
    // whether each is overloaded.
    struct Values
    {
        std::array<double, kAlarmChannels> value{};
        std::array<bool, kAlarmChannels> overload{};
        bool there[kAlarmChannels] = {false, false, false};
    };
    Values valuesOf(const WatchSample &s) const;
    AlarmEvent event(AlarmEvent::Kind kind, AlarmEvent::Cause cause, const QString &channel, double value,
                     double limit) const;

    const Clock &m_clock;
    AlarmSettings m_settings;
    std::array<std::array<Side, 2>, kAlarmChannels> m_sides{}; // [channel][0 high, 1 low]
    std::array<std::array<Side, 2>, 2> m_rateSides{};          // [T1, T2][0 rise, 1 fall]
    std::array<RateOfRise, 2> m_rates{RateOfRise(), RateOfRise()}; // in the limits' unit
    WatchSample m_last;
    bool m_haveLast = false;
    bool watchdogOn() const { return m_settings.watchdogOn() || (m_watchdogAlways && m_settings.watchdog); }

    bool m_linkLost = false;
    bool m_watchdogAlways = false;
    AlarmEvent m_linkEvent;
};

} // namespace kv
