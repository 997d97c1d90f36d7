#pragma once
// Live readings as the command line writes them: one record a line, CSV,
// TSV or JSON Lines. A time stamp in ISO 8601 with its UTC offset, T1, T2
// (two-channel meter), the unit and the annunciators; an overloaded channel
// has an empty value (null in JSON) and the flag "OL", never a number.

#include "link/Reading.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace kv {

enum class LiveFormat { Csv, Tsv, Jsonl };

bool parseLiveFormat(const QString &text, LiveFormat &format);

// The lines that open a CSV or TSV file: "#" comments naming the program
// version, the model and the port, then the column titles. Nothing for
// JSON Lines, whose records name their fields.
QByteArray liveHeader(LiveFormat format, int model, const QString &port, const QString &version);

// One record with its line end.
QByteArray liveRecord(LiveFormat format, int model, const Reading &reading, const QDateTime &when);

} // namespace kv
