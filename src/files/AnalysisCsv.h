#pragma once
// Readings as CSV for analysis: what a spreadsheet or a data-frame reader
// takes as it stands. A header row names the columns, one line per reading
// follows: the time in ISO 8601 with its UTC offset
// (2026-12-09T14:03:10+01:00), each channel's value with a decimal point
// whatever the regional settings, its unit and a flag that says "OL" where
// the value is an overload (the value itself is then empty), and for a list
// the function text. UTF-8, lines ended by LF.
//
//   time,t1,t1_unit,t1_flag,t2,t2_unit,t2_flag,function   (a two-channel list)
//   time,t1,t1_unit,t1_flag,function                     (a one-channel list)
//   time,t1,t1_unit,t1_flag[,t2,t2_unit,t2_flag]         (a data set, a graph)
//
// A run with notes on its time line has a last "note" column.
//
// Several data sets in one file carry a leading "set" column. The window
// program's Save and `kv481 export --format csv-iso` both write through
// here, so the same set gives the same bytes.

#include "files/TextDataSet.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>

class QDateTime;
class QIODevice;

namespace kv {

class GridSource;

// A date-time double as ISO 8601 local time with its UTC offset,
// "2026-01-31T14:03:10+01:00", with milliseconds when asked
// ("2026-01-31T14:03:10.250+01:00").
QString isoText(const QDateTime &local, bool milliseconds = false);
QString isoText(double dateTime);

// isoText to whole seconds for many date-times in a row: the date text is
// worked out once a day and the UTC offset once an hour.
class IsoTimes
{
public:
    QByteArray operator()(double dateTime);

private:
    QDate m_day;
    QByteArray m_dayText;
    int m_hour = -1;
    QByteArray m_offset;
};

namespace AnalysisCsv {

// The Save dialog's file type, and whether a chosen type is it.
QString typeDescription();
bool isAnalysisType(const QString &nameFilter);

// The header row (with its LF) for channels 1 or 2, with a function
// column, a set column first, and a note column last.
QByteArray header(int channels, bool function, bool withSet = false, bool note = false);

// How a list grid's columns read: 1 or 2 channels (a second when column
// 5 is titled), and whether it has a titled function column.
struct GridShape
{
    int channels = 1;
    int functionColumn = -1; // -1: none
};
GridShape shapeOf(const GridSource &grid);

// The date-time of a data row (1-based); when not given, the row's date
// and time texts are read as the regional settings (or ISO 8601) write them.
using RowTime = std::function<double(int row)>;

// Rows from to to (1-based data rows) of a list or table grid: row 0
// gives the shape, columns 1 and 2 the date and time, 3 and 5 the values
// (locale texts or "OL"), 4 and 6 their units. setNumber above 0 puts the
// set column first; withHeader writes the header row first. Notes (when
// there is at least one) add a last "note" column: each note on the row
// nearest its time, several on one row joined with "; ". Without notes
// the bytes are those of a file without the column.
TextWriteResult writeGrid(QIODevice &device, const GridSource &grid, int from, int to, const RowTime &rowTime = {},
                          int setNumber = 0, bool withHeader = true, const TextProgress &progress = {},
                          const QString &name = QString(), const RunNotes &notes = {});
// Points from to to (1-based) of a chart's cells in unit: stops at the
// first unrecorded point (x 0), skips a point without a value in any
// subset (a break in a recording's line); the overload mark is flagged.
TextWriteResult writeGraph(QIODevice &device, const GraphCells &cells, int from, int to, const QString &unit,
                           const TextProgress &progress = {}, const QString &name = QString(),
                           const RunNotes &notes = {});

// The same into a file through the checked writer, replacing it only when
// all is written (a cancelled write keeps the lines so far).
TextWriteResult writeGridFile(const QString &path, const GridSource &grid, int from, int to,
                              const RowTime &rowTime = {}, const TextProgress &progress = {},
                              const RunNotes &notes = {});
TextWriteResult writeGraphFile(const QString &path, const GraphCells &cells, int from, int to, const QString &unit,
                               const TextProgress &progress = {}, const RunNotes &notes = {});

// A text field: as it stands (trimmed), or quoted where it holds a
// comma, a quote or a line break.
QByteArray textField(const QString &text);
// The fields of a CSV line; a quoted field may hold commas and doubled
// quotes.
QList<QByteArray> csvFields(const QByteArray &line);

// Whether the first line of a file is one of these headers (or that of
// the ISO export of earlier versions).
bool isHeader(const QByteArray &firstLine);

} // namespace AnalysisCsv

} // namespace kv
