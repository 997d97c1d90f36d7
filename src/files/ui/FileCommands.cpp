#include "files/ui/FileCommands.h"

#include "common/FileNames.h"
#include "common/Prompt.h"
#include "common/Temperature.h"
#include "files/AnalysisCsv.h"
#include "files/NotesFile.h"
#include "files/CollectionFile.h"
#include "files/FileFilters.h"
#include "files/ListGraphData.h"
#include "files/TextDataSet.h"
#include "files/Workbook.h"
#include "files/WorkbookSources.h"
#include "files/ui/ProgressSteps.h"
#include "logger/ui/DataLoggerCommand.h"
#include "logger/ui/SampleTable.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/Chart.h"
#include "views/ProgressDialog.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>

#include <vector>

namespace kv {

namespace {

const QString kNoWindow = QStringLiteral("Did not choose any graph or list window.");

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The saving progress window. Graph text is saved under the progress
// window's own names; tables under those of the one printing shares.
class SavingProgress : public ProgressDialog
{
public:
    SavingProgress(bool graph, int lines, QWidget *parent)
        : ProgressDialog(QStringLiteral("Saving Progress"), QStringLiteral("saving....."), parent)
    {
        if (graph) {
            setObjectName(QStringLiteral("TfrmProgress"));
            if (auto *bar = findChild<QProgressBar *>(QStringLiteral("ProgressBar1")))
                bar->setObjectName(QStringLiteral("Progress1"));
            if (auto *text = findChild<QLabel *>(QStringLiteral("Label1")))
                text->setObjectName(QStringLiteral("SText1"));
            if (auto *cancel = findChild<QPushButton *>(QStringLiteral("BitBtn1")))
                cancel->setObjectName(QStringLiteral("BitBtn2"));
        } else {
            setObjectName(QStringLiteral("TfrmPrintProgress"));
        }
        start(lines);
        show();
        m_step = progressSteps(*this, lines);
    }
    const TextProgress &callback() const { return m_step; }

private:
    TextProgress m_step;
};

} // namespace

FileCommands::FileCommands(Prompt &prompt, DataLoggerCommand &dataLogger, FileCommandContext context,
                           QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_dataLogger(dataLogger)
    , m_context(std::move(context))
    , m_toGraph(prompt, m_context)
{
}

bool FileCommands::decimalComma()
{
    return QLocale().decimalPoint() == QStringLiteral(",");
}

QString FileCommands::saveFolder() const
{
    const QFileInfo folder(m_context.programFolder);
    if (folder.isDir() && folder.isWritable())
        return folder.absoluteFilePath();
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString FileCommands::saveStart(const QString &name) const
{
    return name.isEmpty() ? saveFolder() : QDir(saveFolder()).filePath(name);
}

void FileCommands::Open1Click()
{
    const bool comma = decimalComma();
    switch (m_prompt.chooseOpenSave(QStringLiteral("Open File"),
                                    QStringLiteral("Open a data set collection file(*.rec)"),
                                    FileFilters::openSingleSetCaption(comma))) {
    case Prompt::Choice::Collection:
        OpenCollection();
        break;
    case Prompt::Choice::SingleSet: {
        const QString path = m_prompt.openFileName(QStringLiteral("Open"),
                                                   FileFilters::qtFilter(FileFilters::openDataSet(comma)),
                                                   FileFilters::dataSetExtension());
        if (path.isEmpty())
            break;
        if (QFileInfo(path).suffix().compare(QLatin1String("ghf"), Qt::CaseInsensitive) == 0)
            OpenGraphFile(path);
        else
            ReadTextIntoList(path);
        break;
    }
    case Prompt::Choice::Cancel:
        break;
    }
}

void FileCommands::Save1Click()
{
    QWidget *active = m_context.activeChild ? m_context.activeChild() : nullptr;
    if (auto *graph = qobject_cast<TfrmGraph *>(active)) {
        SaveGraphData(*graph);
        return;
    }
    if (auto *list = qobject_cast<TfrmList *>(active)) {
        WriteGridText(*list->grid(), list->suggestedFileName(), {}, list->notes());
        return;
    }
    auto *dataLogger = qobject_cast<TfrmDataLogger *>(active);
    if (!dataLogger) {
        m_prompt.information(kNoWindow);
        return;
    }
    const bool comma = decimalComma();
    switch (m_prompt.chooseOpenSave(QStringLiteral("Save File"),
                                    QStringLiteral("Save all data sets to a data set collection file(*.REC)"),
                                    FileFilters::saveSingleSetCaption(comma))) {
    case Prompt::Choice::Collection:
        if (const DataSetCollection *collection = dataLogger->collection()) {
            const QString name = collection->sets.isEmpty() ? QString() : collectionFileName(collection->sets.first().start);
            const QString saved = SaveCollection(collection->image, name, collection);
            // The window now shows what that file holds (a workbook is
            // only a copy of it).
            if (!saved.isEmpty() && !WorkbookFile::isWorkbookPath(saved))
                dataLogger->setCollectionFile(saved);
        } else
            m_prompt.information(QStringLiteral("There are no data sets to save yet."));
        break;
    case Prompt::Choice::SingleSet:
        // The data set shown at the moment, at its readings' exact times.
        // With the notes made on its graph.
        if (const auto *table = dynamic_cast<const SampleTable *>(&dataLogger->sampleTable()))
            WriteGridText(*table, dataLogger->suggestedFileName(), [table](int row) { return table->rowTime(row); },
                          dataLogger->chart() ? dataLogger->chart()->notes() : RunNotes(),
                          QStringLiteral("Set %1").arg(dataLogger->shownSet() + 1));
        else
            WriteGridText(dataLogger->sampleTable(), dataLogger->suggestedFileName());
        break;
    case Prompt::Choice::Cancel:
        break;
    }
}

bool FileCommands::OpenCollection()
{
    const QString path = m_prompt.openFileName(QStringLiteral("Open"), CollectionFile::qtFilter(),
                                               QString::fromLatin1(CollectionFile::DefaultExtension));
    return !path.isEmpty() && openCollectionFile(path);
}

bool FileCommands::openCollectionFile(const QString &path)
{
    const CollectionFileResult read = CollectionFile::readFile(path);
    if (!read.ok) {
        m_prompt.error(read.error);
        return false;
    }
    return m_dataLogger.showImage(read.image, path);
}

bool FileCommands::openPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("rec"), Qt::CaseInsensitive) == 0)
        return openCollectionFile(path);
    if (suffix.compare(QLatin1String("ghf"), Qt::CaseInsensitive) == 0)
        return OpenGraphFile(path) != nullptr;
    return ReadTextIntoList(path) != nullptr;
}

QString FileCommands::SaveCollection(const QByteArray &image, const QString &name, const DataSetCollection *sets)
{
    const QString filter = sets ? FileFilters::qtFilter(FileFilters::saveCollection()) : CollectionFile::qtFilter();
    const QString path = m_prompt.saveFileName(QStringLiteral("Save As"), filter,
                                               QString::fromLatin1(CollectionFile::DefaultExtension), saveStart(name));
    if (path.isEmpty())
        return QString();
    if (sets && WorkbookFile::isWorkbookPath(path))
        return writeWorkbook(path, WorkbookSources::collection(*sets, QFileInfo(path).completeBaseName())) ? path
                                                                                                            : QString();
    const CollectionFileResult written = CollectionFile::writeFile(path, image);
    if (!written.ok) {
        m_prompt.error(written.error);
        return QString();
    }
    return path;
}

void FileCommands::SaveGraphData(TfrmGraph &graph)
{
    const bool realTime = graph.isRealTime();
    const QString path = m_prompt.saveFileName(QStringLiteral("Save As"),
                                               FileFilters::qtFilter(FileFilters::saveGraph(decimalComma())),
                                               FileFilters::graphExtension(), saveStart(graph.suggestedFileName()));
    if (path.isEmpty())
        return;
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("ghf")) {
        QString error;
        if (!SaveGraphState(*graph.PESGraph1, path, &error))
            m_prompt.error(QStringLiteral("The graph file %1 could not be written: %2.").arg(shownPath(path), error));
    } else if (extension == QLatin1String("txt") || extension == QLatin1String("csv")
               || extension == QLatin1String("xlsx")) {
        WriteGraphText(*graph.PESGraph1, path, realTime,
                       extension == QLatin1String("csv") && AnalysisCsv::isAnalysisType(m_prompt.lastSaveType()));
    } else {
        // A typed extension wins over the chosen type; one that names no
        // format saves nothing, and the user is told rather than left to
        // believe the graph saved.
        m_prompt.information(QStringLiteral("The graph was not saved: %1 names neither a graph file (.GHF) "
                                            "nor a text file (.TXT, .CSV) nor an Excel workbook (.XLSX).")
                                 .arg(shownPath(path)));
    }
}

ScopeRange FileCommands::askSaveRange(int last, int largest)
{
    Prompt::RangeAnswer answer{true, QStringLiteral("1"), QString::number(last)};
    if (!m_prompt.askRange(QStringLiteral("Save File"), answer))
        return {};
    const ScopeRange range = selectScopeRange(answer.all, answer.fromText, answer.toText, last, largest);
    if (!range.ok)
        m_prompt.information(range.error);
    return range;
}

bool FileCommands::WriteGraphText(const Chart &chart, const QString &path, bool realTime, bool analysis)
{
    const int points = chart.points();
    // The real-time graph is offered as far as it has been recorded.
    const int last = realTime && m_context.realTimePointCount ? m_context.realTimePointCount() : points;
    const ScopeRange range = askSaveRange(last, points);
    if (!range.ok)
        return false;

    // The recording goes on while the file is written (events run between
    // lines): write what the graph held when the save began.
    const ChartData &data = chart.data();
    const int subsets = data.subsets() >= 2 ? 2 : 1;
    const std::vector<double> x = data.xs(0);
    const std::vector<float> y0 = data.ys(0);
    const std::vector<float> y1 = subsets == 2 ? data.ys(1) : std::vector<float>();
    const GraphCells cells = GraphCells::over(points, x, y0, y1);
    // The unit the graph's title names (the real-time graph's first sample,
    // a list's first row); where it names none, the meter's.
    QString unit = temperatureAxisUnit(chart.look().yAxisLabel);
    if (unit.isEmpty())
        unit = m_context.unit ? m_context.unit() : QStringLiteral("C");

    if (WorkbookFile::isWorkbookPath(path)) {
        Workbook book;
        book.title = QFileInfo(path).completeBaseName();
        book.model = m_context.model ? m_context.model() : 0;
        book.sheets.push_back(WorkbookSources::graphSheet(cells, range.from, range.to, unit));
        WorkbookSources::addNotes(book.sheets.back(), chart.notes());
        return writeWorkbook(path, book);
    }
    TextWriteResult written;
    {
        SavingProgress progress(true, range.to - range.from + 1, m_context.dialogParent);
        written = analysis
            ? AnalysisCsv::writeGraphFile(path, cells, range.from, range.to, unit, progress.callback(), chart.notes())
            : TextDataSet::writeGraphFile(path, cells, range.from, range.to, unit, progress.callback());
    }
    if (!written.ok)
        m_prompt.error(written.error);
    return written.ok;
}

bool FileCommands::WriteGridText(const GridSource &grid, const QString &name, const std::function<double(int)> &rowTime,
                                 const RunNotes &notes, const QString &sheetName)
{
    m_wroteWholeGrid = false;
    const QString path = m_prompt.saveFileName(QStringLiteral("Save As"),
                                               FileFilters::qtFilter(FileFilters::saveTable(decimalComma())),
                                               FileFilters::dataSetExtension(), saveStart(name));
    if (path.isEmpty())
        return false;
    // A name typed with another extension than the type's wins, as ever.
    const bool analysis = AnalysisCsv::isAnalysisType(m_prompt.lastSaveType())
        && QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    const int rows = std::max(0, grid.RowCount() - 1);
    const ScopeRange range = askSaveRange(rows, rows);
    if (!range.ok)
        return false;
    if (WorkbookFile::isWorkbookPath(path)) {
        WorkbookSheetResult sheet = WorkbookSources::listSheet(grid, range.from, range.to, rowTime,
                                                               sheetName.isEmpty() ? QStringLiteral("List") : sheetName);
        if (sheet.badRow) {
            m_prompt.error(QStringLiteral("The file %1 is not written: row %2 %3.")
                               .arg(shownPath(path))
                               .arg(sheet.badRow)
                               .arg(sheet.problem));
            return false;
        }
        Workbook book;
        book.title = QFileInfo(path).completeBaseName();
        book.model = sheet.sheet.channels == 2 ? 482 : 481;
        WorkbookSources::addNotes(sheet.sheet, notes);
        book.sheets.push_back(std::move(sheet.sheet));
        const bool ok = writeWorkbook(path, book);
        m_wroteWholeGrid = ok && range.from <= 1 && range.to >= rows;
        return ok;
    }
    TextWriteResult written;
    {
        SavingProgress progress(false, range.to - range.from + 1, m_context.dialogParent);
        written = analysis
            ? AnalysisCsv::writeGridFile(path, grid, range.from, range.to, rowTime, progress.callback(), notes)
            : TextDataSet::writeGridFile(path, grid, range.from, range.to, progress.callback());
    }
    if (!written.ok)
        m_prompt.error(written.error);
    m_wroteWholeGrid = written.ok && range.from <= 1 && range.to >= rows;
    return written.ok;
}

bool FileCommands::writeWorkbook(const QString &path, const Workbook &book)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const WorkbookResult written = WorkbookFile::write(path, book);
    QApplication::restoreOverrideCursor();
    if (!written.ok)
        m_prompt.error(written.error);
    return written.ok;
}

TfrmList *FileCommands::ReadTextIntoList(const QString &path)
{
    TextListRows read = TextDataSet::readFile(path);
    if (!read.ok) {
        m_prompt.error(read.error);
        return nullptr;
    }
    // A list shows its texts as they stand, its numbers with this
    // computer's decimal separator. A list whose dates are not this
    // computer's would graph misdated, one whose values do not read would
    // graph them as 0: such a file, and one that is no list at all, opens
    // no window.
    if (read.rows.empty()) {
        m_prompt.error(QStringLiteral("The file %1 holds no readable row: none of its lines holds fields "
                                      "separated by %2.")
                           .arg(shownPath(path),
                                TextDataSet::separatorFor(path) == TextDataSet::Comma ? QStringLiteral("commas")
                                                                                      : QStringLiteral("tabs")));
        return nullptr;
    }
    if (const UnreadableRow bad = firstUnreadableRow(read); bad.row) {
        m_prompt.error(QStringLiteral("The file %1 cannot be opened as a data set: line %2 %3.")
                           .arg(shownPath(path))
                           .arg(read.lineOf(bad.row))
                           .arg(bad.problem));
        return nullptr;
    }
    const int model = read.model() ? read.model() : (m_context.model ? m_context.model() : 482);
    auto *list = new TfrmList([model] { return model; });
    list->setWindowTitle(shownPath(path));
    GridModel &grid = *list->grid();
    grid.setRowCount(1);
    grid.appendRows(std::move(read.rows));
    // A CSV for analysis holds its notes; a recording's journal has them beside it.
    int unread = 0;
    list->setNotes(!read.notes.isEmpty() ? read.notes : NotesFile::read(NotesFile::pathBeside(path), &unread));
    if (QMdiSubWindow *frame = m_context.addChild ? m_context.addChild(list) : nullptr)
        giveRoom(frame, QSize(680, 360));
    else
        list->show();
    if (read.moreSets)
        m_prompt.information(QStringLiteral("The file %1 holds more than one data set; the list shows the first. "
                                            "Export one set at a time to see each.")
                                 .arg(shownPath(path)));
    if (unread != 0)
        m_prompt.information(QStringLiteral("The list opened with the notes that could be read; %1 (%2).")
                                 .arg(NotesFile::unreadText(unread), shownPath(NotesFile::pathBeside(path))));
    return list;
}

TfrmGraph *FileCommands::OpenGraphFile(const QString &path)
{
    QByteArray block;
    QString error;
    auto *graph = new TfrmGraph(m_context.graphTemplate, m_prompt);
    if (!readGraphFile(path, block, &error) || !graph->PESGraph1->restoreState(block, &error)) {
        delete graph;
        m_prompt.error(QStringLiteral("The graph file %1 cannot be opened: %2.").arg(shownPath(path), error));
        return nullptr;
    }
    graph->setWindowTitle(shownPath(path));
    if (QMdiSubWindow *frame = m_context.addChild ? m_context.addChild(graph) : nullptr) {
        giveRoom(frame, QSize(680, 440));
        frame->move(0, 0);
    } else
        graph->show();
    return graph;
}

} // namespace kv
