#include "watch/AlarmWatch.h"

#include "common/Clock.h"
#include "common/Temperature.h"
#include "link/Reading.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

QString degrees(double v, const QString &unit)
{
    return QStringLiteral("%1 \u00B0%2").arg(QString::number(v, 'f', 1), unit);
}

} // namespace

QString AlarmEvent::kindName() const
{
    switch (kind) {
    case Kind::Alarm:
        return QStringLiteral("alarm");
    case Kind::Cleared:
        break;
    case Kind::Paused:
        return QStringLiteral("paused");
    case Kind::Resumed:
        return QStringLiteral("resumed");
    case Kind::Acknowledged:
        return QStringLiteral("acknowledged");
    }
    return QStringLiteral("cleared");
}

QString AlarmEvent::causeName() const
{
    switch (cause) {
    case Cause::High:
        return QStringLiteral("high");
    case Cause::Low:
        return QStringLiteral("low");
    case Cause::Overload:
        return QStringLiteral("overload");
    case Cause::LinkLost:
        break;
    case Cause::Paused:
        return why;
    }
    return QStringLiteral("lost");
}

AlarmEvent AlarmEvent::pause(bool paused, const QString &why, double time)
{
    AlarmEvent e;
    e.kind = paused ? Kind::Paused : Kind::Resumed;
    e.cause = Cause::Paused;
    e.channel = QStringLiteral("alarms");
    e.why = why;
    e.time = time;
    return e;
}

QString AlarmEvent::text() const
{
    if (cause == Cause::Paused)
        return kind == Kind::Paused ? QStringLiteral("Alarms paused: ") + why : QStringLiteral("Alarms resumed");
    if (kind == Kind::Acknowledged)
        return cause == Cause::LinkLost ? QStringLiteral("Acknowledged: the meter stopped answering")
                                        : QStringLiteral("Acknowledged %1").arg(channel);
    if (cause == Cause::LinkLost)
        return isAlarm() ? QStringLiteral("Alarm: the meter stopped answering")
                         : QStringLiteral("Cleared: the meter answers again");
    if (!isAlarm())
        return std::isnan(value) ? QStringLiteral("Cleared %1").arg(channel)
                                 : QStringLiteral("Cleared %1: %2").arg(channel, degrees(value, unit));
    if (cause == Cause::Overload)
        return QStringLiteral("Alarm %1: overload").arg(channel);
    return QStringLiteral("Alarm %1: %2 %3 %4")
        .arg(channel, degrees(value, unit), cause == Cause::High ? QStringLiteral("above") : QStringLiteral("below"),
             degrees(limit, unit));
}

WatchSample watchSample(const Reading &r, int model)
{
    WatchSample s;
    s.t1 = r.t1;
    s.t1Overload = r.t1Overload;
    s.hasT2 = model == 482;
    s.t2 = r.t2;
    s.t2Overload = r.t2Overload;
    s.unit = r.unit1;
    return s;
}

AlarmWatch::AlarmWatch(const Clock &clock)
    : m_clock(clock)
{
}

AlarmEvent AlarmWatch::event(AlarmEvent::Kind kind, AlarmEvent::Cause cause, const QString &channel, double value,
                             double limit) const
{
    AlarmEvent e;
    e.kind = kind;
    e.cause = cause;
    e.channel = channel;
    e.value = value;
    e.limit = limit;
    e.unit = m_settings.unit;
    e.time = m_clock.now();
    return e;
}

QVector<AlarmEvent> AlarmWatch::setSettings(const AlarmSettings &settings)
{
    QVector<AlarmEvent> out;
    const AlarmSettings old = m_settings;
    m_settings = settings;
    // Limits set in the other unit are the same limits: compare like with like.
    const AlarmSettings before = old.inUnit(settings.unit);
    for (int c = 0; c < kAlarmChannels; ++c) {
        for (int h = 0; h < 2; ++h) {
            Side &side = m_sides[c][h];
            const AlarmLimit &was = h == 0 ? before.channels[c].high : before.channels[c].low;
            const AlarmLimit &now = h == 0 ? settings.channels[c].high : settings.channels[c].low;
            const bool same = was.on == now.on && (!now.on || std::abs(was.value - now.value) < 1e-9);
            if (same && side.active) {
                // The alarm goes on; its figures follow the new unit.
                side.fired.limit = now.value;
                side.fired.unit = settings.unit;
                continue;
            }
            if (!same && side.active)
                out << event(AlarmEvent::Kind::Cleared, side.fired.cause, side.fired.channel,
                             std::numeric_limits<double>::quiet_NaN(), side.fired.limit);
            side = Side();
        }
    }
    if (!watchdogOn() && m_linkLost) {
        out << event(AlarmEvent::Kind::Cleared, AlarmEvent::Cause::LinkLost, QStringLiteral("link"),
                     std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN());
        m_linkLost = false;
    }
    return out;
}

void AlarmWatch::check(AlarmChannel channel, bool high, bool overload, double value, QVector<AlarmEvent> &out)
{
    const ChannelLimits &limits = m_settings[channel];
    const AlarmLimit &limit = high ? limits.high : limits.low;
    Side &side = m_sides[static_cast<int>(channel)][high ? 0 : 1];
    // An overload counts as past the high limit of a channel that is watched
    // at all: the probe is open or broken and measures nothing.
    const bool watched = high ? limits.anyOn() : limit.on;
    if (!watched)
        return;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    bool past;
    bool inside;
    if (overload) {
        if (!high)
            return; // an overload says nothing about the low limit
        past = true;
        inside = false;
    } else if (!limit.on) {
        past = false; // an overload alarm on a channel without a high limit
        inside = true;
    } else if (high) {
        past = value > limit.value;
        inside = value <= limit.value - m_settings.hysteresis;
    } else {
        past = value < limit.value;
        inside = value >= limit.value + m_settings.hysteresis;
    }
    const qint64 now = m_clock.tickCount();
    if (side.active) {
        if (inside) {
            out << event(AlarmEvent::Kind::Cleared, side.fired.cause, side.fired.channel, overload ? nan : value,
                         side.fired.limit);
            side = Side();
        }
        return;
    }
    if (!past) {
        side.pastSince = -1;
        return;
    }
    if (side.pastSince < 0)
        side.pastSince = now;
    if (now - side.pastSince < std::llround(m_settings.delaySeconds * 1000.0))
        return;
    const AlarmEvent::Cause cause = overload ? AlarmEvent::Cause::Overload
        : high                                 ? AlarmEvent::Cause::High
                                               : AlarmEvent::Cause::Low;
    side.active = true;
    side.fired = event(AlarmEvent::Kind::Alarm, cause, alarmChannelName(channel), overload ? nan : value,
                       limit.on ? limit.value : nan);
    out << side.fired;
}

QVector<AlarmEvent> AlarmWatch::feed(const WatchSample &s)
{
    QVector<AlarmEvent> out;
    const QString &unit = m_settings.unit;
    const double t1 = convertTemperature(s.t1, s.unit, unit);
    const double t2 = convertTemperature(s.t2, s.unit, unit);
    for (bool high : {true, false}) {
        check(AlarmChannel::T1, high, s.t1Overload, t1, out);
        if (!s.hasT2)
            continue;
        check(AlarmChannel::T2, high, s.t2Overload, t2, out);
        // Each side converted first: a difference has no offset.
        check(AlarmChannel::Difference, high, s.t1Overload || s.t2Overload, t1 - t2, out);
    }
    return out;
}

QVector<AlarmEvent> AlarmWatch::linkLost()
{
    if (m_linkLost || !watchdogOn())
        return {};
    m_linkLost = true;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    m_linkEvent = event(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::LinkLost, QStringLiteral("link"), nan, nan);
    return {m_linkEvent};
}

QVector<AlarmEvent> AlarmWatch::linkFound()
{
    if (!m_linkLost)
        return {};
    m_linkLost = false;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {event(AlarmEvent::Kind::Cleared, AlarmEvent::Cause::LinkLost, QStringLiteral("link"), nan, nan)};
}

bool AlarmWatch::active(AlarmChannel channel) const
{
    const auto &sides = m_sides[static_cast<int>(channel)];
    return sides[0].active || sides[1].active;
}

QVector<AlarmEvent> AlarmWatch::activeAlarms() const
{
    QVector<AlarmEvent> out;
    for (const auto &sides : m_sides)
        for (const Side &s : sides)
            if (s.active)
                out << s.fired;
    if (m_linkLost)
        out << m_linkEvent;
    std::stable_sort(out.begin(), out.end(), [](const AlarmEvent &a, const AlarmEvent &b) { return a.time < b.time; });
    return out;
}

} // namespace kv
