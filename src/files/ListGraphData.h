#pragma once
// A list of readings turned into chart cells: one point per data row, x the
// row's date and time, y its first value (column 3) and, when row 1's
// column 6 holds a unit letter, its second value (column 5) in a second
// subset. The values are in one unit, that of the first row whose unit
// (column 4) is C or F: a value whose row says the other unit (column 4
// for the first value, 6 for the second) is converted, as when the meter's
// unit was switched during a recording. The y range is fitted to the
// values. The Output Data to Graph command puts the result into a new
// graph window.

#include "files/TextDataSet.h"

#include <QString>

#include <vector>

namespace kv {

class GridSource;

struct ListGraphData
{
    int subsets = 1;
    int points = 0; // the list's data rows
    // Per subset, `points` long. An "OL" value becomes the overload mark
    // (TextDataSet::OverloadValue), which the chart does not draw and the
    // graph writer writes back as "OL". An empty or "----" cell (no
    // reading) becomes NaN, a break in the line that the graph writer
    // writes back as "----"; any other text that is no number makes no
    // graph (see badRow).
    std::vector<std::vector<double>> x;
    std::vector<std::vector<float>> y;
    // "C" or "F", or empty when no row names either.
    QString unit;
    // Row 1's and the last row's date-time.
    double start = 0;
    double end = 0;
    bool hasXRange() const { return start != 0 && end != 0; }
    // The fitted y range: the values' extremes, each widened by a tenth of
    // its own magnitude, or -200 to 1370 when no value was stored.
    double yMin = -200.0;
    double yMax = 1370.0;
    bool anyValue = false;
    int rowsDone = 0;
    bool cancelled = false;
    // The first row whose date, time or a value did not read, and why
    // ("holds the date ..."): then nothing else is converted and no graph
    // is to be made of the list.
    int badRow = 0;
    QString problem;
};

// The first row of a list whose date or time does not read as the regional
// settings write them, nor as ISO 8601, and why: "holds the date "12/9/26"
// where a date such as 09.12.26 (day.month.year) or 2026-12-09 is
// expected". Rows read from a file are lines of it (see TextListRows).
struct UnreadableRow
{
    int row = 0; // 0 when every row reads
    QString problem;
};
UnreadableRow firstUnreadableRow(const GridSource &list);
// Rows read from a file: also the first value or unit cell that does not
// read (TextListRows::valueRow), whichever row comes first.
UnreadableRow firstUnreadableRow(const TextListRows &rows);

// Why a value cell is no reading: "holds the value "C" where a number such
// as 22.5 or OL is expected".
QString unreadableValue(const QString &text);
// A unit cell that reads as a number (the second half of a value split by a
// comma), and why it is refused: "holds the unit "5" where C or F is expected".
bool unitIsNumber(const QString &cell);
QString misplacedUnit(const QString &cell);

// progress is told the row about to be converted and the row count before
// each row; returning false leaves the rows done so far, still fitted.
ListGraphData convertListToGraph(const GridSource &list, const TextProgress &progress = {});

// A value cell as the conversion reads it: the locale's decimal separator,
// or a point where that separator is a comma (files written with a comma
// between fields). false for "OL" and for anything that is no number.
bool listValue(const QString &text, float &value);

} // namespace kv
