#pragma once
// What goes into a workbook from each thing the program saves: the rows of
// a list (any table whose columns are the lists': row 0 the titles, then
// number, date, time, value, unit and, for two channels, value and unit,
// then the function words), the points of a graph, a data set of the
// logger, and a whole collection of them.

#include "common/RunNote.h"
#include "files/TextDataSet.h"
#include "files/Workbook.h"

#include <QList>
#include <QString>

#include <functional>

namespace kv {

class GridSource;
struct DataSetCollection;

struct WorkbookSheetResult
{
    WorkbookSheet sheet;
    // The first row whose date, time or a value does not read, and why;
    // then the sheet is not to be written.
    int badRow = 0;
    QString problem;
};

namespace WorkbookSources {

// Rows from to to (1-based) of a list. The values are in the unit of the
// first row that names one; a row in the other unit (the meter's unit was
// switched while recording) is converted. rowTime, when given, gives a
// row's date-time (a data set's exact times) instead of its texts.
WorkbookSheetResult listSheet(const GridSource &grid, int from, int to,
                              const std::function<double(int row)> &rowTime = {},
                              const QString &name = QStringLiteral("List"));

// Points from to to (1-based) of a chart, in unit: up to the first
// unrecorded point (x 0), without the points that hold no reading in any
// subset (breaks in a recording's line).
WorkbookSheet graphSheet(const GraphCells &cells, int from, int to, const QString &unit,
                         const QString &name = QStringLiteral("Graph"));

// Puts each note on the sheet's row nearest its time (notes on one row
// joined with "; ") and gives the sheet its Note column when any lands.
// Notes further from the sheet's first or last row than the rows are apart
// belong to rows not saved, and are left out.
void addNotes(WorkbookSheet &sheet, const RunNotes &notes);

// Set index of a collection, as a sheet "Set N" (N counted from 1).
WorkbookSheet dataSetSheet(const DataSetCollection &collection, int index, int channels);

// The sets of a collection (all when indexes is empty): the "Sets" sheet,
// then one sheet per set.
Workbook collection(const DataSetCollection &collection, const QString &title, QList<int> indexes = {});

} // namespace WorkbookSources

} // namespace kv
