#pragma once
// The alarm limits a user sets: per channel a high and a low limit, each on
// or off, one hysteresis and one delay for all, in the unit the limits were
// set in, and per channel how fast it may rise or fall. Also the alarm
// expressions kv481 takes ("T1>80", "T1-T2<5", "rate(T1)>10").

#include <QString>

#include <array>

namespace kv {

enum class AlarmChannel { T1 = 0, T2 = 1, Difference = 2 };
constexpr int kAlarmChannels = 3;

// "T1", "T2" or "T1-T2".
QString alarmChannelName(AlarmChannel channel);

struct AlarmLimit
{
    bool on = false;
    double value = 0.0;
    bool operator==(const AlarmLimit &o) const { return on == o.on && (!on || value == o.value); }
};

struct ChannelLimits
{
    AlarmLimit high;
    AlarmLimit low;
    bool operator==(const ChannelLimits &o) const { return high == o.high && low == o.low; }
    bool anyOn() const { return high.on || low.on; }
};

// The limits of what a limit may be, in one unit.
struct LimitRange
{
    double low;
    double high;
};

// What the meter measures (-200 to 1370 °C, -328 to 2498 °F); for T1-T2
// the difference of two such readings. unit: "C" or "F".
LimitRange limitRange(AlarmChannel channel, const QString &unit);
// A rate limit: up to the meter's whole span in a minute either way.
LimitRange rateLimitRange(const QString &unit);

struct AlarmSettings
{
    std::array<ChannelLimits, kAlarmChannels> channels{};
    // Per channel T1 and T2, in degrees a minute: high fires when the
    // reading rises faster than its value (above 0), low when it falls
    // faster (a value below 0).
    std::array<ChannelLimits, 2> rates{};
    double hysteresis = 1.0;   // degrees, in unit
    double delaySeconds = 0.0; // how long a reading stays past a limit before it fires
    QString unit = QStringLiteral("C"); // the unit the limits and the hysteresis are in
    bool watchdog = true;      // lost and found meter, once any limit is on
    bool sound = false;        // a short beep with each alarm (the window)
    bool notify = true;        // a desktop notification (the window)

    ChannelLimits &operator[](AlarmChannel c) { return channels[static_cast<int>(c)]; }
    const ChannelLimits &operator[](AlarmChannel c) const { return channels[static_cast<int>(c)]; }
    ChannelLimits &rate(AlarmChannel c) { return rates[static_cast<int>(c)]; }
    const ChannelLimits &rate(AlarmChannel c) const { return rates[static_cast<int>(c)]; }
    bool anyOn() const;
    // The first limit that is on and outside what the meter can measure,
    // said with the range; empty when every one is inside.
    QString outOfRange() const;
    bool watchdogOn() const { return watchdog && anyOn(); }
    // The same limits in the other unit (a hysteresis scales, a limit of
    // T1-T2 too, since a difference has no offset).
    AlarmSettings inUnit(const QString &unit) const;
    bool operator==(const AlarmSettings &o) const;
    bool operator!=(const AlarmSettings &o) const { return !(*this == o); }
};

// One alarm expression: a channel, ">" or "<", a number and an optional
// unit letter ("T1>80", "T2 < -18.5", "T1-T2>5F"), or a channel's rate in
// degrees a minute ("rate(T1)>10" rises faster than 10, "rate(T2)<-5"
// falls faster than 5). Sets the limit in
// settings; false with a reason in *error when the text is not one. The
// unit, when given, goes to *unit (else it is left alone).
bool parseAlarmExpression(const QString &text, AlarmSettings &settings, QString *unit, QString *error);

} // namespace kv
