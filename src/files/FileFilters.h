#pragma once
// The file dialogs' filters and default extensions for data sets, and the
// chooser's captions. When the locale's decimal separator is a comma the
// comma-separated choices are left out; each function takes that switch so
// the caller reads the locale at the moment it asks.

#include <QList>
#include <QString>

namespace kv {

// One choice of a file dialog: what it is called and the names it shows.
struct FileFilterPair
{
    QString description;
    QString pattern; // patterns separated by ';'
    bool operator==(const FileFilterPair &o) const
    {
        return description == o.description && pattern == o.pattern;
    }
};

namespace FileFilters {

// Open, a single data set (TXT, GHF, CSV, all files).
QList<FileFilterPair> openDataSet(bool decimalComma);
// Save from a graph window (GHF, TXT, CSV, CSV for analysis, Excel workbook).
QList<FileFilterPair> saveGraph(bool decimalComma);
// Save a table (TXT, CSV, CSV for analysis, Excel workbook, all files).
QList<FileFilterPair> saveTable(bool decimalComma);
// Save all data sets (the collection file, or an Excel workbook).
QList<FileFilterPair> saveCollection();

// Pairs in Qt's dialog form: "Description (pattern pattern);;...".
QString qtFilter(const QList<FileFilterPair> &pairs);

// Default extensions, without the dot.
inline QString dataSetExtension() { return QStringLiteral("TXT"); }
inline QString graphExtension() { return QStringLiteral("GHF"); }

// The chooser's second button.
QString openSingleSetCaption(bool decimalComma);
QString saveSingleSetCaption(bool decimalComma);

} // namespace FileFilters

} // namespace kv
