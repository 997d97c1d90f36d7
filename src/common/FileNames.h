#pragma once
// The names the save dialogs suggest, made from what is saved: a data set's
// number and start, a recording's start. The date and time are written the
// same way in every locale (year first, so the names sort by time), and the
// names hold nothing a file system on Linux, Windows or macOS refuses.

#include <QString>

namespace kv {

// text with every character a file name may not hold (path separators,
// : * ? " < > |, control characters) made a '-', runs of spaces made one,
// and no space or dot at either end (Windows drops trailing ones); a name
// Windows keeps for a device (CON, NUL, COM1, ...) gets a '-' after it.
// Empty when nothing usable is left; at most 121 characters.
QString safeFileName(const QString &text);

// "2026-12-09 1030": the minute a date-time double falls in.
QString fileNameStamp(double dateTime);

// "Set 3 2026-12-09 1030": data set `number` (counted from 1) starting then.
QString dataSetFileName(int number, double start);
// "Recording 2026-12-09 1030": the live recording that started then.
QString recordingFileName(double start);
// "Data sets 2026-12-09 1030": a collection whose first set started then.
QString collectionFileName(double firstStart);

} // namespace kv
