#pragma once
// A table printed as a ruled form: portrait pages of 50 rows, each with its
// frame, its rules and the table's title row. Pure layout over a PageCanvas,
// so the same drawing goes to a printer, a PDF file or a test's recorder.

#include "print/PageCanvas.h"

#include <QFont>

#include <functional>

namespace kv {

class GridSource;

// The rows to print, 1-based data row numbers of the grid, as the range
// dialog leaves them (from <= to). Rows outside the grid are not printed.
struct RowRange
{
    int from = 1;
    int to = 0;
};

// The title row's font and the data rows' font.
struct TableFonts
{
    QFont title;
    QFont data;
    // Arial, bold, 10 pt, for both.
    static TableFonts standard();
};

// Told after each printed row: the rows printed so far and the rows to
// print. Returning false ends the job after that row, with the pages drawn
// so far. A caller with a window lets its events through here.
using PrintProgress = std::function<bool(int rowsDone, int rowsTotal)>;

struct TablePrintResult
{
    int rows = 0;  // data rows printed
    int pages = 0; // pages drawn
    bool cancelled = false;
    bool failed = false; // the canvas could not start a new page
};

// What a printed page says above and below its frame: above it, what is
// printed, the meter model and the first and last date and time of the
// printed rows; below it, "Page k of n" and when it was printed. An empty
// subject prints neither line, only the form.
struct TableHeading
{
    QString subject;        // a file name, "Real-time list", a data set
    int model = 0;          // 481 or 482; 0 leaves it out
    double printedAt = 0.0; // date-time of printing

    bool isEmpty() const { return subject.isEmpty(); }
    // The line above the frame for rows from to to of grid.
    QString line(const GridSource &grid, int from, int to) const;
    static QString pageText(int page, int pages);
    QString printedText() const;
};

// The form's geometry, in units of 1/600 inch.
namespace TableForm {
constexpr int kLeft = 150, kTop = 250, kRight = 4500, kBottom = 5500;
constexpr int kFramePen = 20, kRulePen = 5;
constexpr int kTitleRuleY1 = 460, kTitleRuleY2 = 470;
constexpr int kFirstRowRuleY = 570, kRowRules = 49;
constexpr int kColumnRuleX[8] = {510, 980, 1450, 2000, 2300, 2930, 3230, 3650};
// Where the texts of a row stand when they fit there: tops and left edges.
constexpr int kTitleTextY = 320;
constexpr int kTitleTextX[8] = {250, 630, 1100, 1600, 2020, 2380, 2950, 3280};
constexpr int kFirstRowY = 500, kRowHeight = 100, kRowsPerPage = 50;
constexpr int kDataTextX[8] = {250, 600, 1050, 1650, 2100, 2550, 3000, 3350};
// The heading's bottom and the footing's top keep this far from the frame.
constexpr int kHeadingGap = 30;
} // namespace TableForm

// Draws the frame and the rules of one page, no text.
void DrawTablePage(PageCanvas &canvas);

// Prints rows range.from to range.to of grid onto canvas, which stands at
// the start of an empty first page: 50 rows a page, each page with its frame,
// rules and the grid's row 0 as titles. Columns 0 to 5 are printed, 6 and 7
// too when the grid has more than 5 columns. An empty range draws nothing.
// Every text stands inside its cell, clear of the rules around it: where its
// place in the form would reach a rule it moves clear of it, and a text too
// wide (or tall) for its cell is printed in a smaller size of its font.
// With a heading, each page also gets the heading line above its frame and
// its number and the printing date below it (see TableHeading); the frame,
// rules and cells stay where they are.
TablePrintResult PrintGrid(const GridSource &grid, RowRange range, PageCanvas &canvas,
                           const PrintProgress &progress = {},
                           const TableFonts &fonts = TableFonts::standard(),
                           const TableHeading &heading = {});

} // namespace kv
