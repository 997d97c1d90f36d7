#pragma once
// A collection file read for the command line: decoded by the same decoder
// as the window program's Open, except that a set whose start date or time
// is impossible cannot be put to the user. Such a set is marked and left
// out of what is written; its date is never guessed.

#include "files/AnalysisCsv.h"
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

enum class ExportLayout { Table, Graph, CsvIso };

// Writes one set to the device: the table or graph layout with the
// separator (byte for byte what the window program writes for the set), or
// the CSV for analysis (the header line only when withHeader, the set
// column first when setColumn), byte for byte what the window program's
// "CSV for analysis" writes of the set.
bool writeSet(QIODevice &device, const CollectionSets &sets, int index, ExportLayout layout, QChar separator,
              bool withHeader, QString *error, bool setColumn = false);

// The chosen sets (indexes) as an Excel workbook at path, titled with the
// file's name: with whole, the "Sets" sheet first, as the window program
// saves a whole collection; else one sheet per set. Empty, or the reason
// it was not written.
QString writeWorkbook(const QString &path, const CollectionSets &sets, const QList<int> &indexes, bool whole);

} // namespace kv
