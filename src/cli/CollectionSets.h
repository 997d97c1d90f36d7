#pragma once
// A collection file read for the command line: decoded by the same decoder
// as the window program's Open, except that a set whose start date or time
// is impossible cannot be put to the user. Such a set is marked and left
// out of what is written; its date is never guessed.

#include "logger/DataSet.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QDateTime;
class QIODevice;

namespace kv {

struct CollectionSets
{
    bool ok = false;
    QString error; // one line, naming the file, when ok is false
    std::unique_ptr<DataSetCollection> collection;
    // Per set: the impossible start as the record holds it ("2008-2-30
    // 10:15:30"), empty for a set with a good start.
    QStringList impossibleStart;

    int channels() const { return collection && collection->bytesPerSample == 4 ? 2 : 1; }
    bool usable(int index) const { return impossibleStart.value(index).isEmpty(); }
};

// Reads and decodes the file.
CollectionSets readCollectionSets(const QString &path);
// Decodes an image (downloaded or read); name is used in messages.
CollectionSets decodeCollectionSets(QByteArray image, const QString &name);

// A date-time double as ISO 8601 local time with its UTC offset,
// "2026-01-31T14:03:10+01:00", with milliseconds when asked
// ("2026-01-31T14:03:10.250+01:00").
QString isoText(const QDateTime &local, bool milliseconds = false);
QString isoText(double dateTime);

enum class ExportLayout { Table, Graph, CsvIso };

// Writes one set to the device: the table or graph layout with the
// separator (byte for byte what the window program writes for the set), or
// the CSV with ISO 8601 times (the header line only when withHeader).
bool writeSet(QIODevice &device, const CollectionSets &sets, int index, ExportLayout layout, QChar separator,
              bool withHeader, QString *error);

} // namespace kv
