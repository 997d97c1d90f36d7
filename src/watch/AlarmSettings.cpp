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

bool AlarmSettings::anyOn() const
{
    for (const ChannelLimits &c : channels)
        if (c.anyOn())
            return true;
    return false;
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
    s.hysteresis = hysteresis * scale;
    s.unit = to;
    return s;
}

bool AlarmSettings::operator==(const AlarmSettings &o) const
{
    return channels == o.channels && hysteresis == o.hysteresis && delaySeconds == o.delaySeconds && unit == o.unit
        && watchdog == o.watchdog && sound == o.sound && notify == o.notify;
}

bool parseAlarmExpression(const QString &text, AlarmSettings &settings, QString *unit, QString *error)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(T1\\s*[-\u2212]\\s*T2|T1|T2)\\s*([<>])\\s*([-+\u2212]?\\d+(?:[.]\\d+)?)\\s*(?:°?\\s*([CF]))?\\s*$"),
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
                                    "e.g. T1>80 or T2<-18")
                         .arg(shown);
        }
        return false;
    }
    QString name = m.captured(1).toUpper();
    name.remove(QLatin1Char(' '));
    const AlarmChannel channel = name == QLatin1String("T1") ? AlarmChannel::T1
        : name == QLatin1String("T2")                        ? AlarmChannel::T2
                                                             : AlarmChannel::Difference;
    QString number = m.captured(3);
    number.replace(QChar(0x2212), QLatin1Char('-'));
    const double value = number.toDouble();
    const bool high = m.captured(2) == QLatin1String(">");
    AlarmLimit &limit = high ? settings[channel].high : settings[channel].low;
    if (limit.on && limit.value != value) {
        if (error)
            *error = QStringLiteral("%1 has two %2 limits (%3 and %4)")
                         .arg(alarmChannelName(channel), high ? QStringLiteral("high") : QStringLiteral("low"))
                         .arg(limit.value)
                         .arg(value);
        return false;
    }
    limit.on = true;
    limit.value = value;
    const AlarmLimit &other = high ? settings[channel].low : settings[channel].high;
    if (other.on && (high ? value <= other.value : value >= other.value)) {
        if (error)
            *error = QStringLiteral("%1: the high limit must be above the low limit").arg(alarmChannelName(channel));
        return false;
    }
    if (unit && !m.captured(4).isEmpty())
        *unit = m.captured(4).toUpper();
    return true;
}

} // namespace kv
