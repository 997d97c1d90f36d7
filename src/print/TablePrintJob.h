#pragma once
// Printing a table for real: onto the default printer, or into a PDF file
// when no printer is installed, with the "Print Progress" window and its
// Cancel.

#include "print/TablePrinter.h"

#include <QString>

class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace kv {

class Prompt;

struct TablePrintOutcome
{
    bool started = false;   // a job was started (and ended)
    TablePrintResult result;
    QString error;          // what went wrong, when the printer or file failed
    QString pdfFile;        // the file printed into, when there was no printer
};

// Prints rows range of grid onto device as one job: portrait, the device's
// smallest margins, one unit 1/600 inch. progress is told after each row (see
// PrintGrid). A device that refuses to start, to begin a page or to finish
// gives an error; what was drawn before a Cancel is printed.
TablePrintOutcome printTable(const GridSource &grid, RowRange range, QPagedPaintDevice &device,
                             const PrintProgress &progress = {},
                             const TableFonts &fonts = TableFonts::standard(), const TableHeading &heading = {});

// The print command's part: prints on the printer chosen in Printer Setup,
// or on the default printer without asking which; with no printer installed, asks prompt for a PDF file
// (suggesting pdfName) and prints into it (written whole, or left as it was on an error). Shows the progress
// window over parent for the job. An empty range prints nothing and asks
// nothing.
TablePrintOutcome printTableWithProgress(const GridSource &grid, RowRange range, Prompt &prompt,
                                         QWidget *parent = nullptr,
                                         const TableFonts &fonts = TableFonts::standard(),
                                         QPrinter *chosen = nullptr, const QString &pdfName = QString(),
                                         const TableHeading &heading = {});

} // namespace kv
