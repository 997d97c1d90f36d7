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
    case Kind::Failed:
        return QStringLiteral("failed");
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
    case Cause::Rise:
        return QStringLiteral("rise");
    case Cause::Fall:
        return QStringLiteral("fall");
    case Cause::Command:
        return QStringLiteral("command");
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

AlarmEvent AlarmEvent::commandFailed(const AlarmEvent &event, const QString &why, double time)
{
    AlarmEvent e;
    e.kind = Kind::Failed;
    e.cause = Cause::Command;
    e.channel = event.channel;
    e.why = why;
    e.time = time;
    return e;
}

QString AlarmEvent::text() const
{
    if (kind == Kind::Failed)
        return QStringLiteral("Alarm command failed (%1): %2").arg(channel, why);
    if (kind == Kind::Acknowledged)
        // Which of the channel's alarms: its high, low, rise and fall are apart.
        return cause == Cause::LinkLost ? QStringLiteral("Acknowledged: the meter stopped answering")
                                        : QStringLiteral("Acknowledged %1 %2").arg(channel, causeName());
    if (isRate()) {
        const QString perMinute = QStringLiteral("/min");
        if (!isAlarm())
            return QStringLiteral("Cleared %1: %2").arg(channel, degrees(value, unit) + perMinute);
        return QStringLiteral("Alarm %1: %2 %3, faster than %4")
            .arg(channel, cause == Cause::Rise ? QStringLiteral("rising") : QStringLiteral("falling"),
                 degrees(std::abs(value), unit) + perMinute, degrees(std::abs(limit), unit) + perMinute);
    }
    if (cause == Cause::Paused)
        return kind == Kind::Paused ? QStringLiteral("Alarms paused: ") + why : QStringLiteral("Alarms resumed");
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
    setRateWindow(RateOfRise::kDefaultWindowSeconds);
}

void AlarmWatch::setRateWindow(double seconds)
{
    for (RateOfRise &r : m_rates)
        if (r.windowSeconds() != seconds)
            r.setWindowSeconds(seconds);
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

AlarmWatch::Values AlarmWatch::valuesOf(const WatchSample &s) const
{
    Values v;
    const QString &unit = m_settings.unit;
    const double t1 = convertTemperature(s.t1, s.unit, unit);
    const double t2 = convertTemperature(s.t2, s.unit, unit);
    // Each side converted first: a difference has no offset.
    v.value = {t1, t2, t1 - t2};
    v.overload = {s.t1Overload, s.t2Overload, s.t1Overload || s.t2Overload};
    v.there[0] = true;
    v.there[1] = v.there[2] = s.hasT2;
    return v;
}

QVector<AlarmEvent> AlarmWatch::setSettings(const AlarmSettings &settings)
{
    QVector<AlarmEvent> out;
    const AlarmSettings old = m_settings;
    m_settings = settings;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Limits set in the other unit are the same limits: compare like with like.
    const AlarmSettings before = old.inUnit(settings.unit);
    const double scale = settings.unit == old.unit ? 1.0 : settings.unit == QLatin1String("F") ? 1.8 : 1.0 / 1.8;
    const Values last = m_haveLast ? valuesOf(m_last) : Values();
    auto reapply = [&](Side &side, const AlarmLimit &was, const AlarmLimit &now, const Verdict &v, double value) {
        const bool same = was.on == now.on && (!now.on || std::abs(was.value - now.value) < 1e-9);
        if (!side.active) {
            if (!same)
                side = Side();
            return;
        }
        // What still holds under the new limits goes on, quietly: a clear
        // and a new alarm for a condition that never ended would be false.
        if (v.watched && !v.inside) {
            const AlarmEvent &f = side.fired;
            if (!std::isnan(f.value) && f.unit != settings.unit)
                side.fired.value = f.isRate() || f.channel == alarmChannelName(AlarmChannel::Difference)
                    ? f.value * scale
                    : convertTemperature(f.value, f.unit, settings.unit);
            if (f.cause != AlarmEvent::Cause::Overload)
                side.fired.limit = now.on ? now.value : nan;
            side.fired.unit = settings.unit;
            return;
        }
        // The limit it cleared under, in the new unit.
        const double limit = side.fired.cause == AlarmEvent::Cause::Overload || !was.on ? nan : was.value;
        out << event(AlarmEvent::Kind::Cleared, side.fired.cause, side.fired.channel, value, limit);
        side = Side();
    };
    for (int c = 0; c < kAlarmChannels; ++c) {
        const AlarmChannel channel = static_cast<AlarmChannel>(c);
        for (int h = 0; h < 2; ++h) {
            const bool high = h == 0;
            const bool overload = last.there[c] && last.overload[c];
            // Without a reading there is nothing to say the alarm is over.
            Verdict v = last.there[c] ? judge(channel, high, overload, last.value[c]) : Verdict{true, true, false};
            if (!last.there[c] && !(high ? settings.channels[c].high.on : settings.channels[c].low.on))
                v.watched = high && settings.channels[c].anyOn();
            reapply(m_sides[c][h], high ? before.channels[c].high : before.channels[c].low,
                    high ? settings.channels[c].high : settings.channels[c].low, v,
                    overload || !last.there[c] ? nan : last.value[c]);
        }
        if (c >= 2)
            continue;
        const double rate = m_rates[c].perMinute() * scale; // its samples are in the old unit
        for (int h = 0; h < 2; ++h) {
            const bool high = h == 0;
            reapply(m_rateSides[c][h], high ? before.rates[c].high : before.rates[c].low,
                    high ? settings.rates[c].high : settings.rates[c].low, judgeRate(channel, high, rate), rate);
        }
    }
    if (settings.unit != old.unit)
        for (RateOfRise &r : m_rates) // the samples held are in the old unit
            r.clear();
    if (!watchdogOn() && m_linkLost) {
        out << event(AlarmEvent::Kind::Cleared, AlarmEvent::Cause::LinkLost, QStringLiteral("link"), nan, nan);
        m_linkLost = false;
    }
    return out;
}

AlarmWatch::Verdict AlarmWatch::judge(AlarmChannel channel, bool high, bool overload, double value) const
{
    const ChannelLimits &limits = m_settings[channel];
    const AlarmLimit &limit = high ? limits.high : limits.low;
    Verdict v;
    // An overload counts as past the high limit of a channel that is watched
    // at all, its rate too: the probe is open or broken and measures nothing.
    v.watched = high ? limits.anyOn() || (channel != AlarmChannel::Difference && m_settings.rate(channel).anyOn())
                     : limit.on;
    if (!v.watched)
        return v;
    if (overload) {
        if (!high)
            return v; // an overload says nothing about the low limit
        v.past = true;
        v.inside = false;
    } else if (!limit.on) {
        // an overload alarm on a channel without a high limit
    } else {
        compare(v, high, value, limit.value);
    }
    return v;
}

AlarmWatch::Verdict AlarmWatch::judgeRate(AlarmChannel channel, bool high, double rate) const
{
    const ChannelLimits &limits = m_settings.rate(channel);
    const AlarmLimit &limit = high ? limits.high : limits.low;
    Verdict v;
    v.watched = limit.on;
    if (!v.watched)
        return v;
    if (std::isnan(rate)) {
        // No rate yet (or an overload): nothing starts and nothing ends.
        v.inside = false;
        return v;
    }
    compare(v, high, rate, limit.value);
    return v;
}

// Past the limit at once; back inside only by the hysteresis.
void AlarmWatch::compare(Verdict &v, bool high, double value, double limit) const
{
    if (high) {
        v.past = value > limit;
        v.inside = value <= limit - m_settings.hysteresis;
    } else {
        v.past = value < limit;
        v.inside = value >= limit + m_settings.hysteresis;
    }
}

void AlarmWatch::step(Side &side, const Verdict &v, const AlarmEvent &alarm, double value, QVector<AlarmEvent> &out)
{
    if (!v.watched)
        return;
    const qint64 now = m_clock.tickCount();
    if (side.active) {
        if (v.inside) {
            out << event(AlarmEvent::Kind::Cleared, side.fired.cause, side.fired.channel, value, side.fired.limit);
            side = Side();
        }
        return;
    }
    if (!v.past) {
        side.pastSince = -1;
        return;
    }
    if (side.pastSince < 0)
        side.pastSince = now;
    if (now - side.pastSince < std::llround(m_settings.delaySeconds * 1000.0))
        return;
    side.active = true;
    side.fired = alarm;
    out << side.fired;
}

void AlarmWatch::check(AlarmChannel channel, bool high, bool overload, double value, QVector<AlarmEvent> &out)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const AlarmLimit &limit = high ? m_settings[channel].high : m_settings[channel].low;
    const AlarmEvent::Cause cause = overload ? AlarmEvent::Cause::Overload
        : high                                 ? AlarmEvent::Cause::High
                                               : AlarmEvent::Cause::Low;
    // An overload is past every limit there is: it names none.
    const AlarmEvent alarm = event(AlarmEvent::Kind::Alarm, cause, alarmChannelName(channel), overload ? nan : value,
                                   limit.on && !overload ? limit.value : nan);
    step(m_sides[static_cast<int>(channel)][high ? 0 : 1], judge(channel, high, overload, value), alarm,
         overload ? nan : value, out);
}

void AlarmWatch::checkRate(AlarmChannel channel, bool high, double rate, QVector<AlarmEvent> &out)
{
    const AlarmLimit &limit = high ? m_settings.rate(channel).high : m_settings.rate(channel).low;
    const AlarmEvent alarm = event(AlarmEvent::Kind::Alarm, high ? AlarmEvent::Cause::Rise : AlarmEvent::Cause::Fall,
                                   alarmChannelName(channel), rate, limit.value);
    step(m_rateSides[static_cast<int>(channel)][high ? 0 : 1], judgeRate(channel, high, rate), alarm, rate, out);
}

QVector<AlarmEvent> AlarmWatch::feed(const WatchSample &s)
{
    QVector<AlarmEvent> out;
    m_last = s;
    m_haveLast = true;
    const Values v = valuesOf(s);
    const double seconds = m_clock.tickCount() / 1000.0;
    for (int c = 0; c < 2; ++c)
        if (v.there[c])
            m_rates[c].add(seconds, v.overload[c] ? std::numeric_limits<double>::quiet_NaN() : v.value[c]);
    for (bool high : {true, false}) {
        for (int c = 0; c < kAlarmChannels; ++c)
            if (v.there[c])
                check(static_cast<AlarmChannel>(c), high, v.overload[c], v.value[c], out);
    }
    for (int c = 0; c < 2; ++c)
        for (bool high : {true, false})
            if (v.there[c])
                checkRate(static_cast<AlarmChannel>(c), high, v.overload[c] ? std::numeric_limits<double>::quiet_NaN()
                                                                             : m_rates[c].perMinute(), out);
    return out;
}

QVector<AlarmEvent> AlarmWatch::linkLost()
{
    // A line broken by a lost meter has no slope across its break.
    for (RateOfRise &r : m_rates)
        r.clear();
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
    const int c = static_cast<int>(channel);
    const auto &sides = m_sides[c];
    return sides[0].active || sides[1].active
        || (c < 2 && (m_rateSides[c][0].active || m_rateSides[c][1].active));
}

QVector<AlarmEvent> AlarmWatch::activeAlarms() const
{
    QVector<AlarmEvent> out;
    for (const auto &sides : m_sides)
        for (const Side &s : sides)
            if (s.active)
                out << s.fired;
    for (const auto &sides : m_rateSides)
        for (const Side &s : sides)
            if (s.active)
                out << s.fired;
    if (m_linkLost)
        out << m_linkEvent;
    std::stable_sort(out.begin(), out.end(), [](const AlarmEvent &a, const AlarmEvent &b) { return a.time < b.time; });
    return out;
}

} // namespace kv
