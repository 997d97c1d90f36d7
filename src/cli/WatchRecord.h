#pragma once
// What kv481 watch writes beside the live records: one line per alarm
// event (a JSON record with "event": "alarm" or "cleared", or a "#" comment
// line in CSV and TSV) and the rate of rise appended to each record.

#include "cli/LiveRecord.h"
#include "watch/AlarmWatch.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace kv {

// JSON: {"time":…,"event":"alarm","channel":"T1","cause":"high","value":81.2,"limit":80.0,"unit":"C"}
// CSV:  # alarm,TIME,T1,high,81.2,80.0,C   (TSV the same with TABs)
// An overload or a lost meter has no value; a lost meter has no limit.
QByteArray alarmEventLine(LiveFormat format, const AlarmEvent &event);

// The column titles line of a CSV/TSV header with the rate columns
// ("T1 rate", "T2 rate", in degrees a minute) added.
QByteArray headerWithRates(LiveFormat format, const QByteArray &header, int model);
// A record with each channel's rate of rise appended (empty, or null in
// JSON, while there is none yet).
QByteArray recordWithRates(LiveFormat format, const QByteArray &record, int model, double t1Rate, double t2Rate);

} // namespace kv
