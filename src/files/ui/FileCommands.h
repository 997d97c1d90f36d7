#pragma once
// The File menu's Open and Save, and the tool bar's Output Data to Graph:
// the chooser, the file dialogs, the range and progress dialogs, and the
// dispatch by the kind of the active window. Collection files (.REC) go
// through the data-logger command, which decodes and shows them; single
// data sets are text files (TXT, CSV) and graph files (.GHF).

#include "common/RunNote.h"
#include "files/ScopeRange.h"
#include "files/ui/FileCommandContext.h"
#include "files/ui/OutputToGraph.h"

#include <QObject>
#include <QString>

#include <functional>

namespace kv {

class Chart;
class DataLoggerCommand;
struct DataSetCollection;
struct Workbook;
class GridSource;
class Prompt;
class TfrmGraph;
class TfrmList;

class FileCommands : public QObject
{
    Q_OBJECT
public:
    FileCommands(Prompt &prompt, DataLoggerCommand &dataLogger, FileCommandContext context,
                 QObject *parent = nullptr);

    void Open1Click();
    void Save1Click();
    // Turns the active list read from a file into a new graph window.
    void btnToGraphClick() { m_toGraph.btnToGraphClick(); }

    // Opens a file as Open would, without asking: a collection (.rec) in the
    // data-logger window, a graph file (.ghf) as a graph window, anything
    // else as a list. False (and the user told why) when nothing was shown.
    bool openPath(const QString &path);

    // The collection file of the data-logger window: all its data sets.
    bool OpenCollection();
    bool openCollectionFile(const QString &path);
    // Saves the image under a name the user gives (name: the one the
    // dialog suggests); the path saved to, or empty when nothing was saved.
    // Given its sets, the dialog also offers an Excel workbook of them all.
    QString SaveCollection(const QByteArray &image, const QString &name = QString(),
                           const DataSetCollection *sets = nullptr);

    // A graph window: the save dialog, then a graph file or a text file
    // by the chosen name's extension, which the dialog takes from the
    // chosen file type unless the user typed one (any other extension
    // saves nothing, and says so).
    void SaveGraphData(TfrmGraph &graph);
    // Points of a chart into a text file, after the range dialog. The
    // real-time graph is offered only as far as it has been recorded. The
    // separator follows the name: a comma for ".csv", TAB otherwise.
    // With analysis, the CSV for analysis is written instead, with the
    // chart's notes; a name ending ".xlsx" gets an Excel workbook.
    bool WriteGraphText(const Chart &chart, const QString &path, bool realTime, bool analysis = false);
    // Rows of a table: the save dialog (suggesting name), the range dialog,
    // then the file. The CSV for analysis, when that type is chosen, and
    // an Excel workbook (a name ending ".xlsx", its sheet named sheetName
    // or "List") take the rows' date-times from rowTime where given (a
    // data set's exact times), else from their date and time texts, and a
    // note column when there are notes.
    bool WriteGridText(const GridSource &grid, const QString &name = QString(),
                       const std::function<double(int)> &rowTime = {}, const RunNotes &notes = {},
                       const QString &sheetName = QString());
    // Whether the last WriteGridText wrote every row of its table, not
    // only a range of them.
    bool wroteWholeGrid() const { return m_wroteWholeGrid; }
    // A text file into a new list window captioned with its path; its
    // columns follow the file. None (and a message) when it cannot be read.
    TfrmList *ReadTextIntoList(const QString &path);
    // A graph file into a new graph window at the top left, shown as
    // stored. None (and a message) when the file does not read.
    TfrmGraph *OpenGraphFile(const QString &path);

    // The folder the save dialog starts in: the program's, or the user's
    // documents where the program's folder cannot be written.
    QString saveFolder() const;
    // What the save dialog starts with: the save folder, and the file name
    // suggested when there is one.
    QString saveStart(const QString &name) const;

    OutputToGraph &outputToGraph() { return m_toGraph; }

private:
    static bool decimalComma();
    // Writes the workbook; false (and the user told why) when it failed.
    bool writeWorkbook(const QString &path, const Workbook &book);
    // The range dialog captioned "Save File", from "1" to last; ok false
    // when cancelled or when a text is no whole number (said here).
    ScopeRange askSaveRange(int last, int largest);

    Prompt &m_prompt;
    DataLoggerCommand &m_dataLogger;
    FileCommandContext m_context;
    OutputToGraph m_toGraph;
    bool m_wroteWholeGrid = false;
};

} // namespace kv
