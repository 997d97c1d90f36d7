#pragma once
// Data set text files: one reading per line, every field (the last one too)
// followed by the separator, lines ended by CR LF, no header line. TAB
// separates the fields of a TXT file, a comma those of a CSV file; nothing
// but the separator tells them apart. A number in a CSV file has a decimal
// point; any other field that would hold the separator is written in double
// quotes, so that no field reads back as two.
//
// Two layouts are written. The graph layout has one line per chart point:
// date, time, first value, unit, and for a two-subset chart second value
// and unit again, with dates, times and numbers as the regional settings
// write them. The table layout has one line per grid row: the cell texts
// of columns 1 to the last, as shown. The reader fills list rows from
// either layout.
//
// Everything here works on QIODevice and plain data; the Open and Save
// commands ask for names and ranges, show progress and fill the windows.

#include "common/CompactRows.h"
#include "common/RunNote.h"

#include <QString>
#include <QStringList>
#include <QStringConverter>

#include <functional>
#include <vector>

class QIODevice;

namespace kv {

class GridSource;

// The cells of a chart that the graph layout needs, borrowed from the
// chart for the time of one write: subset 0's x values and the y values of
// the first one or two subsets, each `points` long. y1 is read only when
// subsets is 2.
struct GraphCells
{
    int subsets = 1;
    int points = 0;
    const double *x = nullptr;
    const float *y0 = nullptr;
    const float *y1 = nullptr;

    // Cells over whole arrays; a second subset when y1 is not empty.
    static GraphCells over(int points, const std::vector<double> &x, const std::vector<float> &y0,
                           const std::vector<float> &y1)
    {
        return {y1.empty() ? 1 : 2, points, x.data(), y0.data(), y1.empty() ? nullptr : y1.data()};
    }
};

// Told after each line is written: lines written so far and lines the range
// asks for. Returning false cancels; the lines already written are kept.
using TextProgress = std::function<bool(int done, int total)>;

struct TextWriteResult
{
    bool ok = false;
    bool cancelled = false;
    int lines = 0; // lines written
    QString error; // names the file when ok is false
};

// List rows read from a file. Every row holds `columns` cells, column 0
// being its number in file order ("1", "2", ...), so it goes into a list's
// grid as it stands. columns is 8 (the two-channel list) when the first
// line has six or more fields and 6 (the one-channel list) otherwise; it is
// 0 when the file held no line to read, and the list keeps its own columns.
struct TextListRows
{
    bool ok = false; // false only when the file could not be read
    int columns = 0;
    CompactRows rows;
    QString error;
    // The file's line that row 1 came from: 2 below a header line.
    int firstLine = 1;
    // The file holds data sets after the one read (an export of several).
    bool moreSets = false;
    // The first row whose value or unit cell does not read as the file
    // writes its numbers, and why ("holds the value ..."); 0 when all do.
    int valueRow = 0;
    QString valueProblem;
    int lineOf(int row) const { return row + firstLine - 1; }
    // Notes a CSV for analysis holds in its "note" column, at their rows' times.
    RunNotes notes;
    // The meter model whose list has these columns: 482, 481 or 0.
    int model() const { return columns == 8 ? 482 : columns == 6 ? 481 : 0; }
};

class TextDataSet
{
public:
    static constexpr QChar Tab = QLatin1Char('\t');
    static constexpr QChar Comma = QLatin1Char(',');
    // A line is read up to this many characters; a longer one is cut there
    // and is the last line read.
    static constexpr int MaxLineLength = 179;
    // The overload mark and the "no reading" mark among y values.
    static constexpr float OverloadValue = 9999.0f;
    static constexpr float NoReadingValue = 19999.0f;

    // Comma when the name's extension, in any case, is "csv"; TAB otherwise
    // (no extension too).
    static QChar separatorFor(const QString &path);

    // The graph layout's value field: "OL" for the overload mark, "----"
    // for 19999 and for NaN (a break in the line: no reading), otherwise
    // fixed notation with one decimal and the locale's
    // decimal separator, or a point when that separator is also the field
    // separator (a comma in a CSV file), so a value never spans two fields.
    static QString valueText(float y, QChar separator);

    // Text as files are written: UTF-8, or the ANSI code page on Windows.
    static QStringConverter::Encoding fileEncoding();
    // Bytes read from a file: UTF-8 when they are valid UTF-8 (a leading
    // byte-order mark dropped), otherwise the 8-bit code page (Windows-1252,
    // or the ANSI code page on Windows).
    static QString decode(const QByteArray &bytes);

    // One graph-layout line without its CR LF.
    static QString graphLine(double x, float y0, const float *y1, const QString &unit, QChar separator);

    // Writes points from to to (1-based, inclusive, as the range dialog
    // gives them) of the graph layout, stopping early at the first point
    // whose x is 0 (not recorded); a point with no value in any subset (a
    // break in a recording's line) gives no line. unit is the unit letter
    // the values are in. The device must be open for writing.
    static TextWriteResult writeGraph(QIODevice &device, const GraphCells &cells, int from, int to,
                                      const QString &unit, QChar separator, const TextProgress &progress = {},
                                      const QString &name = QString());
    // One data row of the table layout as writeGrid writes it: in the
    // file's encoding, with its CR LF.
    static QByteArray tableRowBytes(const GridSource &grid, int row, QChar separator);
    // Writes grid rows from to to (1-based data rows) in the table layout.
    static TextWriteResult writeGrid(QIODevice &device, const GridSource &grid, int from, int to, QChar separator,
                                     const TextProgress &progress = {}, const QString &name = QString());

    // The same into a file, replacing it only when the writing is done. A
    // cancelled write still replaces it with the lines written so far. The
    // separator follows the name.
    static TextWriteResult writeGraphFile(const QString &path, const GraphCells &cells, int from, int to,
                                          const QString &unit, const TextProgress &progress = {});
    static TextWriteResult writeGridFile(const QString &path, const GridSource &grid, int from, int to,
                                         const TextProgress &progress = {});

    // Reads list rows from an open device: lines until the first one with
    // no separator in it, the first MaxLineLength characters of each, the
    // fields that are followed by a separator, as many as the columns
    // after the number column hold. A field that opens with a double quote
    // runs to its closing quote and may hold the separator. The numbers of
    // the value cells take the locale's decimal separator: a file's numbers
    // are written with a point or with a comma, and the first one that has
    // either tells which (a comma-separated file cannot hold a bare decimal
    // comma). A value cell that is no number, "OL", "----" or empty, one
    // with the other decimal separator, and a unit cell that is a number
    // (the halves of a number split by a comma) are told in valueRow. A file of comma-separated readings
    // with ISO 8601 times under its header line (as the command-line
    // program exports them, see readIsoCsv) is told by that line,
    // whatever the separator, and read into the same columns.
    static TextListRows read(QIODevice &device, QChar separator, const QString &name = QString());
    // The header of such a file names its columns: the CSV for analysis
    // (see AnalysisCsv: "time,t1,t1_unit,t1_flag,...", an optional "set"
    // column first and "function" last), or the ISO export of earlier
    // versions, which starts with this, then "unit" (one channel) or
    // "T2,T2 flag,unit" (two). A reading's date and time go into the
    // list's date and time, a flag "OL" makes the value "OL", and the
    // value takes the locale's decimal separator. Reading stops at the
    // first line of another shape, and at the first of another data set;
    // a header with a column of any other name reads nothing.
    static constexpr const char *IsoCsvHeader = "set,time,T1,T1 flag,";
    static TextListRows readIsoCsv(QIODevice &device, const QString &name = QString());
    static TextListRows readFile(const QString &path);
};

} // namespace kv
