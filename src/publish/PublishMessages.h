#pragma once
// What goes to the broker: the topics of one meter, a live reading as one
// JSON message, and the configurations by which Home Assistant lists the
// meter's sensors by itself (its MQTT discovery).

#include "link/Reading.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace kv {

struct MqttMessage
{
    QByteArray topic;
    QByteArray payload;
    bool retain = false;
    bool operator==(const MqttMessage &o) const
    {
        return topic == o.topic && payload == o.payload && retain == o.retain;
    }
};

// A name fit for one level of a topic: the characters MQTT gives a meaning
// ('/', '+', '#') and blanks and control characters become '_'.
QString topicLevel(const QString &name);

// The meter's name when the user gives none: the USB serial number of the
// port where the system knows it, else the device's own name.
QString meterNameForPort(const QString &device);

// The longest topic MQTT carries.
constexpr qsizetype kMaxTopicBytes = 65535;

// Why prefix and meter cannot name the meter's topics, or empty when they
// can: a level starting with '$' (the broker's own topics), a control
// character, or a topic longer than MQTT allows.
QString topicProblem(const QString &prefix, const QString &meter);

QByteArray stateTopic(const QString &prefix, const QString &meter);
QByteArray availabilityTopic(const QString &prefix, const QString &meter);

// {"time": "2026-12-09T12:00:01.000+01:00", "model": 482, "unit": "C",
//  "t1": 23.5, "t1_ol": false, "t2": 21.0, "t2_ol": false, "t1_t2": 2.5,
//  "hold": false, ...}: an overloaded channel is null with its "_ol" true.
// The one-channel meter has no t2 and no difference.
QByteArray stateMessage(const Reading &reading, int model, const QDateTime &when);

// The retained configurations, one for each channel of the model, under
// homeassistant/sensor/<id>/config; for the one-channel model also the
// withdrawal (an empty payload) of a second channel's configuration.
QList<MqttMessage> discoveryMessages(const QString &prefix, const QString &meter, int model, const QString &unit,
                                     const QString &version);

// The time with its UTC offset, to the millisecond.
QString isoTimeWithOffset(const QDateTime &when);

// The time of a live reading taken at dateTime (local wall-clock time, as
// the link counts it) with its UTC offset. In the hour a clock goes back the
// wall-clock time is there twice; a reading of the present takes the offset
// in force at now.
QDateTime readingTime(double dateTime, const QDateTime &now = QDateTime::currentDateTime());

} // namespace kv
