#include "publish/PublishMessages.h"

#include "common/DateTime.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

QString number(double v, bool integer)
{
    return QString::number(v, 'f', integer ? 0 : 1);
}

const char *boolText(bool b)
{
    return b ? "true" : "false";
}

// Home Assistant wants ids of letters, digits, '_' and '-'. Other ASCII
// characters become '_'; a character beyond ASCII becomes its code in hex,
// so that two meters named in another script ("Кухня", "Печка") keep ids,
// and discovery topics, of their own.
QString idText(const QString &name)
{
    QString out;
    for (const QChar c : name) {
        if (c.unicode() >= 128)
            out += QStringLiteral("_%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c.isLetterOrNumber() || c == QLatin1Char('-') ? c : QLatin1Char('_');
    }
    return out;
}

} // namespace

QString topicLevel(const QString &name)
{
    QString out;
    for (const QChar c : name.trimmed()) {
        const bool special = c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') || c.isSpace()
            || c.unicode() < 0x20 || c.unicode() == 0x7f;
        out += special ? QLatin1Char('_') : c;
    }
    return out.isEmpty() ? QStringLiteral("meter") : out;
}

QString meterNameForPort(const QString &device)
{
    const QSerialPortInfo info(device);
    if (!info.serialNumber().trimmed().isEmpty())
        return topicLevel(info.serialNumber());
    // /dev/ttyUSB0 is ttyUSB0, /dev/pts/3 pts_3; another path its file's name.
    const QString dev = QStringLiteral("/dev/");
    QString name = device.startsWith(dev) ? device.mid(dev.size()) : QFileInfo(device).fileName();
    if (name.isEmpty())
        name = device;
    return topicLevel(name);
}

QString topicProblem(const QString &prefix, const QString &meter)
{
    const auto control = [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
    };
    for (const QString &level : prefix.split(QLatin1Char('/'))) {
        if (level.startsWith(QLatin1Char('$')))
            return QStringLiteral("the topic prefix \"%1\" may not start a level with '$': the broker keeps such "
                                  "topics for itself and refuses every reading")
                .arg(prefix);
        if (std::any_of(level.begin(), level.end(), control))
            return QStringLiteral("the topic prefix may not hold control characters");
    }
    if (meter.startsWith(QLatin1Char('$')))
        return QStringLiteral("the meter name \"%1\" may not start with '$': the broker keeps such topics for itself")
            .arg(meter);
    if (std::any_of(meter.begin(), meter.end(), control))
        return QStringLiteral("the meter name may not hold control characters");
    // The longest of the meter's topics: its discovery topic, whose id
    // writes each character beyond ASCII as five.
    qsizetype longest = availabilityTopic(prefix, meter).size();
    for (const MqttMessage &m : discoveryMessages(prefix, meter, 482, QStringLiteral("C"), QString()))
        longest = std::max(longest, m.topic.size());
    if (longest > kMaxTopicBytes)
        return QStringLiteral("the topic prefix and meter name make a topic of %1 bytes; MQTT allows at most %2")
            .arg(longest)
            .arg(kMaxTopicBytes);
    return QString();
}

QByteArray stateTopic(const QString &prefix, const QString &meter)
{
    return (prefix + QLatin1Char('/') + meter + QStringLiteral("/state")).toUtf8();
}

QByteArray availabilityTopic(const QString &prefix, const QString &meter)
{
    return (prefix + QLatin1Char('/') + meter + QStringLiteral("/availability")).toUtf8();
}

QString isoTimeWithOffset(const QDateTime &when)
{
    const int offset = when.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
        + QStringLiteral("%1%2:%3")
              .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QDateTime readingTime(double dateTime, const QDateTime &now)
{
    const QDateTime local = fromDateTimeDouble(dateTime);
    const QDateTime wall(local.date(), local.time(), Qt::UTC);
    const QDateTime localNow = now.toLocalTime();
    const QDateTime wallNow(localNow.date(), localNow.time(), Qt::UTC);
    if (qAbs(wall.msecsTo(wallNow)) > 60 * 1000)
        return local;
    return QDateTime(local.date(), local.time(), Qt::OffsetFromUTC, localNow.offsetFromUtc());
}

QByteArray stateMessage(const Reading &r, int model, const QDateTime &when)
{
    const bool two = model == 482;
    const auto value = [](bool overload, double v, bool integer) {
        return overload ? QStringLiteral("null") : number(v, integer);
    };
    QString s = QStringLiteral("{\"time\":\"%1\",\"model\":%2,\"unit\":\"%3\"")
                    .arg(isoTimeWithOffset(when))
                    .arg(model)
                    .arg(r.celsius ? QStringLiteral("C") : QStringLiteral("F"));
    s += QStringLiteral(",\"t1\":%1,\"t1_ol\":%2").arg(value(r.t1Overload, r.t1, r.t1Integer), boolText(r.t1Overload));
    // The two-channel meter's sub display shows the clock while it is in
    // clock mode; its last temperature is then not a reading of now.
    if (two) {
        const bool t2Known = !r.clockMode;
        const bool t2Ol = t2Known && r.t2Overload;
        s += QStringLiteral(",\"t2\":%1,\"t2_ol\":%2")
                 .arg(t2Known ? value(r.t2Overload, r.t2, r.t2Integer) : QStringLiteral("null"), boolText(t2Ol));
        const bool diffKnown = t2Known && !r.t1Overload && !r.t2Overload;
        // Both values have at most one decimal: so has their difference,
        // once the binary fractions are rounded away.
        const double diff = std::round((r.t1 - r.t2) * 10.0) / 10.0;
        s += QStringLiteral(",\"t1_t2\":%1").arg(diffKnown ? number(diff == 0 ? 0.0 : diff, false)
                                                           : QStringLiteral("null"));
    }
    const QString maxMin = r.maxMinMode == 1 ? QStringLiteral("\"MAX\"")
        : r.maxMinMode == 2                  ? QStringLiteral("\"MIN\"")
        : r.maxMinMode == 3                  ? QStringLiteral("\"MAX MIN\"")
                                             : QStringLiteral("null");
    s += QStringLiteral(",\"hold\":%1,\"rel\":%2,\"max_min\":%3,\"low_battery\":%4,\"recording\":%5}")
             .arg(boolText(r.hold), boolText(r.relative), maxMin, boolText(r.lowBattery), boolText(r.meterRecording));
    return s.toUtf8();
}

QList<MqttMessage> discoveryMessages(const QString &prefix, const QString &meter, int model, const QString &unit,
                                     const QString &version)
{
    // Home Assistant's ids share one name space for every prefix: meters of
    // the same name under other prefixes (two labs, each with a "desk") keep
    // ids of their own. Under the usual prefix the id is the meter's alone.
    const QString deviceId = prefix == QLatin1String("kv481")
        ? QStringLiteral("kv481_") + idText(meter)
        : QStringLiteral("kv481_%1__%2").arg(idText(prefix), idText(meter));
    QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{deviceId}},
        {QStringLiteral("name"), QStringLiteral("Thermometer %1").arg(meter)},
        {QStringLiteral("model"), QString::number(model)},
        {QStringLiteral("sw_version"), version},
    };
    QList<MqttMessage> out;
    const QStringList channels = model == 482 ? QStringList{QStringLiteral("t1"), QStringLiteral("t2")}
                                              : QStringList{QStringLiteral("t1")};
    for (const QString &channel : channels) {
        const QString id = deviceId + QLatin1Char('_') + channel;
        QJsonObject config{
            {QStringLiteral("name"), channel.toUpper()},
            {QStringLiteral("unique_id"), id},
            // The entity Home Assistant makes for it at first, by id.
            {QStringLiteral("default_entity_id"), QStringLiteral("sensor.") + id},
            {QStringLiteral("state_topic"), QString::fromUtf8(stateTopic(prefix, meter))},
            {QStringLiteral("value_template"), QStringLiteral("{{ value_json.%1 }}").arg(channel)},
            {QStringLiteral("unit_of_measurement"), unit == QLatin1String("F") ? QStringLiteral("°F")
                                                                                : QStringLiteral("°C")},
            {QStringLiteral("device_class"), QStringLiteral("temperature")},
            {QStringLiteral("state_class"), QStringLiteral("measurement")},
            {QStringLiteral("availability_topic"), QString::fromUtf8(availabilityTopic(prefix, meter))},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            {QStringLiteral("device"), device},
        };
        out << MqttMessage{QStringLiteral("homeassistant/sensor/%1/config").arg(id).toUtf8(),
                           QJsonDocument(config).toJson(QJsonDocument::Compact), true};
    }
    // A one-channel meter under a name a two-channel one had before: the
    // second sensor's retained configuration is withdrawn (an empty retained
    // message), or Home Assistant would keep a sensor nothing feeds.
    if (model != 482)
        out << MqttMessage{QStringLiteral("homeassistant/sensor/%1_t2/config").arg(deviceId).toUtf8(), QByteArray(),
                           true};
    return out;
}

} // namespace kv
