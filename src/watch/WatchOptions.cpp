#include "watch/WatchOptions.h"

#include <cmath>

namespace kv {

namespace {

QString number(double v)
{
    return QString::number(v, 'g', 10);
}

bool readNumber(const QMap<QString, QString> &keys, const QString &key, double &out)
{
    bool ok = false;
    const double v = keys.value(key).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

bool readFlag(const QMap<QString, QString> &keys, const QString &key, bool def)
{
    const QString v = keys.value(key).trimmed();
    if (v == QLatin1String("1"))
        return true;
    if (v == QLatin1String("0"))
        return false;
    return def;
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

WatchOptions WatchOptions::fromSection(const QMap<QString, QString> &keys)
{
    WatchOptions o;
    AlarmSettings &a = o.alarms;
    for (int c = 0; c < kAlarmChannels; ++c) {
        const QString name = alarmChannelName(static_cast<AlarmChannel>(c));
        for (bool high : {true, false}) {
            AlarmLimit &l = high ? a.channels[c].high : a.channels[c].low;
            const QString key = name + (high ? QStringLiteral(" High") : QStringLiteral(" Low"));
            readNumber(keys, key, l.value);
            l.on = readFlag(keys, key + QStringLiteral(" On"), false);
        }
        ChannelLimits &cl = a.channels[c];
        if (cl.high.on && cl.low.on && cl.low.value >= cl.high.value)
            cl.low.on = false;
        if (c >= 2)
            continue;
        ChannelLimits &rate = a.rates[c];
        for (bool high : {true, false}) {
            AlarmLimit &l = high ? rate.high : rate.low;
            const QString key = name + (high ? QStringLiteral(" Rate High") : QStringLiteral(" Rate Low"));
            readNumber(keys, key, l.value);
            l.on = readFlag(keys, key + QStringLiteral(" On"), false) && (high ? l.value > 0 : l.value < 0);
        }
    }
    double v = 0;
    if (readNumber(keys, QStringLiteral("Hysteresis"), v) && v >= 0)
        a.hysteresis = v;
    if (readNumber(keys, QStringLiteral("Delay"), v) && v >= 0)
        a.delaySeconds = v;
    const QString unit = keys.value(QStringLiteral("Unit")).trimmed().toUpper();
    if (unit == QLatin1String("C") || unit == QLatin1String("F"))
        a.unit = unit;
    a.watchdog = readFlag(keys, QStringLiteral("Watchdog"), a.watchdog);
    a.sound = readFlag(keys, QStringLiteral("Sound"), a.sound);
    a.notify = readFlag(keys, QStringLiteral("Notification"), a.notify);
    if (readNumber(keys, QStringLiteral("Rate Window"), v) && v > 0)
        o.rateWindowSeconds = v;
    o.showRate = readFlag(keys, QStringLiteral("Show Rate of Rise"), o.showRate);
    if (readNumber(keys, QStringLiteral("Reminder Minutes"), v) && reminderChoice(int(v)) && v == int(v))
        o.reminderMinutes = int(v);
    o.runCommand = readFlag(keys, QStringLiteral("Run Command"), o.runCommand);
    o.command = keys.value(QStringLiteral("Command"));
    return o;
}

QMap<QString, QString> WatchOptions::toSection() const
{
    QMap<QString, QString> keys;
    const AlarmSettings &a = alarms;
    for (int c = 0; c < kAlarmChannels; ++c) {
        const QString name = alarmChannelName(static_cast<AlarmChannel>(c));
        for (bool high : {true, false}) {
            const AlarmLimit &l = high ? a.channels[c].high : a.channels[c].low;
            const QString key = name + (high ? QStringLiteral(" High") : QStringLiteral(" Low"));
            keys.insert(key, number(l.value));
            keys.insert(key + QStringLiteral(" On"), flag(l.on));
        }
        if (c >= 2)
            continue;
        for (bool high : {true, false}) {
            const AlarmLimit &l = high ? a.rates[c].high : a.rates[c].low;
            const QString key = name + (high ? QStringLiteral(" Rate High") : QStringLiteral(" Rate Low"));
            keys.insert(key, number(l.value));
            keys.insert(key + QStringLiteral(" On"), flag(l.on));
        }
    }
    keys.insert(QStringLiteral("Hysteresis"), number(a.hysteresis));
    keys.insert(QStringLiteral("Delay"), number(a.delaySeconds));
    keys.insert(QStringLiteral("Unit"), a.unit);
    keys.insert(QStringLiteral("Watchdog"), flag(a.watchdog));
    keys.insert(QStringLiteral("Sound"), flag(a.sound));
    keys.insert(QStringLiteral("Notification"), flag(a.notify));
    keys.insert(QStringLiteral("Rate Window"), number(rateWindowSeconds));
    keys.insert(QStringLiteral("Show Rate of Rise"), flag(showRate));
    keys.insert(QStringLiteral("Reminder Minutes"), QString::number(reminderMinutes));
    keys.insert(QStringLiteral("Run Command"), flag(runCommand));
    keys.insert(QStringLiteral("Command"), command);
    return keys;
}

} // namespace kv
