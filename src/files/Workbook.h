#pragma once
// Readings as an Excel workbook (.xlsx), for the spreadsheet most people
// hand a recording to. One sheet per series of readings: a header row, the
// date and time as real date-time cells in local time (shown as
// yyyy-mm-dd hh:mm:ss), the seconds since the first reading, one number
// column per channel with its unit in the title ("T1 (°C)") and a flag
// column beside it that says "OL" where the value is an overload (the value
// cell then stays empty), and where the source has them the function words
// and notes. Each data sheet carries a line chart of its channels against
// time, its header row is frozen, its columns fit what they hold. A
// collection of data sets adds a first sheet "Sets" with each set's start,
// interval, count, figures and duration.
//
// The workbook is put together in a temporary file in the target's folder
// and then committed through SafeFile, so a failed save (a full disk) leaves
// the earlier file byte for byte. Qt Core only: kv481 writes it too.

#include <QString>

#include <vector>

namespace kv {

// One reading of one or two channels.
struct WorkbookRow
{
    double dateTime = 0.0; // days since 1899-12-30, local time
    double value[2] = {0.0, 0.0};
    // An overload: the value cell stays empty and the flag says "OL".
    bool overload[2] = {false, false};
    // No reading at all (a break in a recording): value and flag empty.
    bool missing[2] = {false, false};
    QString function;
    QString note;
};

struct WorkbookSheet
{
    QString name; // at most 31 characters, none of []:*?/\ .
    int channels = 1;
    QString unit; // "C" or "F"; empty when not known
    bool function = false; // a FUNCTION column (lists)
    bool notes = false;    // a Note column
    std::vector<WorkbookRow> rows;
};

// A channel's figures on the "Sets" sheet; left empty when count is 0.
struct WorkbookFigures
{
    int count = 0;
    double max = 0.0, min = 0.0, mean = 0.0, stdDev = 0.0;
};

// One line of the "Sets" sheet.
struct WorkbookSetLine
{
    int number = 0;
    double start = 0.0;
    int intervalSeconds = 0;
    int count = 0;
    QString unit;
    WorkbookFigures channel[2];
    double durationSeconds = 0.0;
};

struct Workbook
{
    QString title;  // the file's or the set's name
    int model = 0;  // 481 or 482; 0 when not known
    // The "Sets" sheet, first, when not empty.
    std::vector<WorkbookSetLine> sets;
    int setChannels = 1;
    std::vector<WorkbookSheet> sheets;
};

struct WorkbookResult
{
    bool ok = false;
    QString error; // one sentence naming the file when ok is false
};

namespace WorkbookFile {

// The Save dialog's file type, "Excel workbook (*.xlsx)", and whether a
// path names that kind of file.
QString typeDescription();
bool isWorkbookPath(const QString &path);

// The rows a sheet can hold below its header row.
constexpr int kMaxRows = 1048575;

// Writes the workbook to path, replacing the file there only when all of it
// is written.
WorkbookResult write(const QString &path, const Workbook &book);

// A list of rows as a one-sheet workbook titled title, as the list windows
// save them: one line for any window that holds its readings as rows.
WorkbookResult writeRows(const QString &path, const QString &title, WorkbookSheet sheet, int model = 0);

} // namespace WorkbookFile

} // namespace kv
