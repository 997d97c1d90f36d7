#include "watch/AlarmSettings.h"

#include "common/Temperature.h"

#include <QRegularExpression>

namespace kv {

QString alarmChannelName(AlarmChannel channel)
{
    switch (channel) {
    case AlarmChannel::T1:
        return QStringLiteral("T1");
    case AlarmChannel::T2:
        return QStringLiteral("T2");
    case AlarmChannel::Difference:
        break;
    }
    return QStringLiteral("T1-T2");
}

LimitRange limitRange(AlarmChannel channel, const QString &unit)
{
    const bool f = unit == QLatin1String("F");
    if (channel == AlarmChannel::Difference)
        return f ? LimitRange{-2826.0, 2826.0} : LimitRange{-1570.0, 1570.0};
    return f ? LimitRange{-328.0, 2498.0} : LimitRange{-200.0, 1370.0};
}

LimitRange rateLimitRange(const QString &unit)
{
    return limitRange(AlarmChannel::Difference, unit);
}

bool AlarmSettings::anyOn() const
{
    for (const ChannelLimits &c : channels)
        if (c.anyOn())
            return true;
    for (const ChannelLimits &c : rates)
        if (c.anyOn())
            return true;
    return false;
}

namespace {

QString rangeText(const LimitRange &r, const QString &unit)
{
    return QStringLiteral("%1 to %2 \u00B0%3").arg(r.low).arg(r.high).arg(unit);
}

} // namespace

QString AlarmSettings::outOfRange() const
{
    for (int c = 0; c < kAlarmChannels; ++c) {
        const AlarmChannel channel = static_cast<AlarmChannel>(c);
        const LimitRange r = limitRange(channel, unit);
        for (const AlarmLimit &l : {channels[c].high, channels[c].low}) {
            if (!l.on || (l.value >= r.low && l.value <= r.high))
                continue;
            const QString what = channel == AlarmChannel::Difference
                ? QStringLiteral("a difference of two readings goes from")
                : QStringLiteral("the meter measures");
            return QStringLiteral("the %1 limit %2 is beyond the meter: %3 %4")
                .arg(alarmChannelName(channel), QString::number(l.value), what, rangeText(r, unit));
        }
    }
    const LimitRange r = rateLimitRange(unit);
    for (int c = 0; c < 2; ++c) {
        for (const AlarmLimit &l : {rates[c].high, rates[c].low}) {
            if (!l.on || (l.value >= r.low && l.value <= r.high))
                continue;
            return QStringLiteral("the %1 rate limit %2 is beyond the meter: a rate goes from %3 a minute")
                .arg(alarmChannelName(static_cast<AlarmChannel>(c)), QString::number(l.value), rangeText(r, unit));
        }
    }
    return QString();
}

AlarmSettings AlarmSettings::inUnit(const QString &to) const
{
    AlarmSettings s = *this;
    if (to == unit || (to != QLatin1String("C") && to != QLatin1String("F")))
        return s;
    const double scale = to == QLatin1String("F") ? 1.8 : 1.0 / 1.8;
    for (int i = 0; i < kAlarmChannels; ++i) {
        auto convert = [&](double v) {
            return i == static_cast<int>(AlarmChannel::Difference) ? v * scale : convertTemperature(v, unit, to);
        };
        s.channels[i].high.value = convert(channels[i].high.value);
        s.channels[i].low.value = convert(channels[i].low.value);
    }
    for (int i = 0; i < 2; ++i) {
        s.rates[i].high.value = rates[i].high.value * scale;
        s.rates[i].low.value = rates[i].low.value * scale;
    }
    s.hysteresis = hysteresis * scale;
    s.unit = to;
    return s;
}

bool AlarmSettings::operator==(const AlarmSettings &o) const
{
    return channels == o.channels && rates == o.rates && hysteresis == o.hysteresis && delaySeconds == o.delaySeconds && unit == o.unit
        && watchdog == o.watchdog && sound == o.sound && notify == o.notify;
}

bool parseAlarmExpression(const QString &text, AlarmSettings &settings, QString *unit, QString *error)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(T1\\s*[-\u2212]\\s*T2|T1|T2|rate\\s*\\(\\s*T[12]\\s*\\))\\s*([<>])\\s*([-+\u2212]?\\d+(?:[.]\\d+)?)\\s*(?:°?\\s*([CF]))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        if (error) {
            // Shown on one line, whatever the text holds.
            QString shown = text;
            for (QChar &c : shown)
                if (c.category() == QChar::Other_Control)
                    c = QChar(0xFFFD);
            *error = QStringLiteral("\"%1\" is no alarm; write a channel (T1, T2 or T1-T2), > or < and a limit, "
                                    "e.g. T1>80 or T2<-18, or a rate in degrees a minute, e.g. rate(T1)>10")
                         .arg(shown);
        }
        return false;
    }
    QString name = m.captured(1).toUpper();
    name.remove(QLatin1Char(' '));
    const bool isRate = name.startsWith(QLatin1String("RATE"));
    if (isRate)
        name = name.mid(name.indexOf(QLatin1Char('(')) + 1, 2);
    const AlarmChannel channel = name == QLatin1String("T1") ? AlarmChannel::T1
        : name == QLatin1String("T2")                        ? AlarmChannel::T2
                                                             : AlarmChannel::Difference;
    QString number = m.captured(3);
    number.replace(QChar(0x2212), QLatin1Char('-'));
    const double value = number.toDouble();
    const bool high = m.captured(2) == QLatin1String(">");
    ChannelLimits &limits = isRate ? settings.rate(channel) : settings[channel];
    const QString shown = isRate ? QStringLiteral("rate(%1)").arg(alarmChannelName(channel)) : alarmChannelName(channel);
    if (isRate && (high ? value <= 0 : value >= 0)) {
        if (error)
            *error = high ? QStringLiteral("%1: a rising rate takes degrees a minute above 0, e.g. %1>10").arg(shown)
                          : QStringLiteral("%1: a falling rate takes degrees a minute below 0, e.g. %1<-10").arg(shown);
        return false;
    }
    AlarmLimit &limit = high ? limits.high : limits.low;
    if (limit.on && limit.value != value) {
        if (error)
            *error = QStringLiteral("%1 has two %2 limits (%3 and %4)")
                         .arg(shown, high ? QStringLiteral("high") : QStringLiteral("low"))
                         .arg(limit.value)
                         .arg(value);
        return false;
    }
    limit.on = true;
    limit.value = value;
    const AlarmLimit &other = high ? limits.low : limits.high;
    if (other.on && (high ? value <= other.value : value >= other.value)) {
        if (error)
            *error = QStringLiteral("%1: the high limit must be above the low limit").arg(shown);
        return false;
    }
    if (unit && !m.captured(4).isEmpty())
        *unit = m.captured(4).toUpper();
    return true;
}

} // namespace kv
