#include "logger/ui/TfrmDataLogger.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/FileNames.h"
#include "common/Prompt.h"
#include "logger/DataSetDecoder.h"
#include "logger/ui/PaneHeading.h"
#include "logger/ui/SampleTable.h"
#include "logger/ui/StatisticsPanel.h"
#include "logger/ui/TfrmDecodeProcess.h"
#include "views/Chart.h"
#include "views/GridModel.h"

#include <QAction>
#include <QElapsedTimer>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

static void registerDataLoggerArt()
{
    Q_INIT_RESOURCE(datalogger);
}

namespace kv {

namespace {

constexpr int kLeftColumnWidth = 287;
constexpr int kEmptyPoints = 500;
constexpr int kProgressMs = 100;    // the least time between two moves of the progress bar

double fontScale(const QWidget *w)
{
    return std::max(1.0, w->fontMetrics().horizontalAdvance(QLatin1Char('0')) / 6.0);
}

int columnWidth(const QWidget *grid, double factor)
{
    return static_cast<int>(std::lround(TfrmDataLogger::kDefaultColumnWidth * fontScale(grid) * factor));
}

QPixmap unitMark(const QString &name)
{
    static const bool registered = (registerDataLoggerArt(), true);
    (void)registered;
    const QString base = QStringLiteral(":/datalogger/") + name;
    if (qApp && qApp->devicePixelRatio() > 1.0 && QFile::exists(base + QStringLiteral("@2x"))) {
        QPixmap sharp(base + QStringLiteral("@2x"));
        sharp.setDevicePixelRatio(2.0);
        return sharp;
    }
    return QPixmap(base);
}

// The hourglass for as long as it lives.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

TfrmDataLogger::TfrmDataLogger(int model, double minScale, double maxScale, const GraphTemplate &tmpl,
                               Prompt &prompt, Clock &clock, QWidget *parent)
    : QWidget(parent)
    , m_template(tmpl)
    , m_prompt(prompt)
    , m_clock(clock)
    , m_table(new SampleTable(m_collection, this))
    , m_sets(new GridModel(this))
{
    setObjectName(QStringLiteral("TfrmDataLogger"));
    setWindowTitle(caption());
    setAttribute(Qt::WA_DeleteOnClose);
    imgCY = unitMark(QStringLiteral("imgCY"));
    imgFY = unitMark(QStringLiteral("imgFY"));
    imgCR = unitMark(QStringLiteral("imgCR"));
    imgFR = unitMark(QStringLiteral("imgFR"));
    buildLayout();
    InitialDataLogger(model, minScale, maxScale);
}

TfrmDataLogger::~TfrmDataLogger()
{
    // The table reads the collection, which goes before the table does.
    m_table->setEmpty(m_channels);
}

void TfrmDataLogger::InitialDataLogger(int model, double minScale, double maxScale)
{
    // The design size; whoever creates the window sizes it to the frame.
    resize(908, 732);
    const int leftWidth = static_cast<int>(std::lround(kLeftColumnWidth * fontScale(Grid2)));
    m_columns->setSizes({leftWidth, 908 - leftWidth});
    m_right->setSizes({488, 244});

    // The data set list: titles and one blank row.
    m_sets->setColCount(5);
    m_sets->setRowCount(2);
    m_sets->setRow(0, {QStringLiteral("Set"), QStringLiteral("DATE"), QStringLiteral("TIME"), QStringLiteral("Rate"),
                       QStringLiteral("Nums")});
    m_sets->setRow(1, {});
    m_sets->flush();
    const double setWidths[] = {0.4, 0.7, 1.0, 0.6, 1.0};
    for (int c = 0; c < 5; ++c)
        Grid2->setColumnWidth(c, columnWidth(Grid2, setWidths[c]));

    const int channels = model == 481 ? 1 : 2;
    const double now = m_clock.now();
    SetupGraph(*PESGraph1, channels, kEmptyPoints, now, now + kEmptyPoints / kSecondsPerDay, minScale, maxScale,
               m_template, m_prompt);

    m_table->setEmpty(channels);
    applyChannelLayout(channels);
    PESGraph1->resetImage();
    HighlightPane(Pane::DataSets);
}

void TfrmDataLogger::applyChannelLayout(int channels)
{
    m_channels = channels;
    const bool two = channels == 2;
    T1MAX->setText(two ? QStringLiteral("T1 MAX") : QStringLiteral("MAX"));
    T1MIN->setText(two ? QStringLiteral("T1 MIN") : QStringLiteral("MIN"));
    lblT1MAX->setAccessibleName(T1MAX->text());
    lblT1MIN->setAccessibleName(T1MIN->text());
    lblT2MAX->setAccessibleName(T2MAX->text());
    lblT2MIN->setAccessibleName(T2MIN->text());
    for (QWidget *w : {static_cast<QWidget *>(T2MAX), static_cast<QWidget *>(lblT2MAX),
                       static_cast<QWidget *>(T2MIN), static_cast<QWidget *>(lblT2MIN),
                       static_cast<QWidget *>(imgT2Max), static_cast<QWidget *>(imgT2Min)})
        w->setVisible(two);
    PanelStatistics->setChannels(channels);
    if (PESGraph1->subsets() != channels)
        PESGraph1->setSubsets(channels);

    const double widths[SampleTable::kColumns] = {0.8, 1.4, 1.4, 1.5, 0.6, 1.5, 0.6, 1.0};
    const int used = two ? 7 : 5;
    for (int c = 0; c < SampleTable::kColumns; ++c) {
        Grid1->setColumnWidth(c, columnWidth(Grid1, widths[c]));
        // Columns without a title hold nothing; the view leaves them out.
        Grid1->setColumnHidden(c, c >= used);
    }
}

void TfrmDataLogger::setCollectionFile(const QString &path)
{
    m_collectionFile = path;
    setWindowTitle(path.isEmpty() ? caption() : caption() + QStringLiteral(" - ") + QFileInfo(path).fileName());
}

QString TfrmDataLogger::suggestedFileName() const
{
    if (!m_collection || m_shownSet < 0 || m_shownSet >= m_collection->sets.size())
        return QString();
    return dataSetFileName(m_shownSet + 1, m_collection->sets.at(m_shownSet).start);
}

void TfrmDataLogger::fillDataSetList()
{
    const QVector<QStringList> rows = m_collection ? dataSetListRows(*m_collection) : QVector<QStringList>();
    // Another collection: the notes made on the sets of the last one go.
    m_setNotes.clear();
    m_notesSet = -1;
    QScopedValueRollback<bool> quiet(m_selecting, true);
    m_sets->setRowCount(1);
    m_sets->setRowCount(std::max(2, int(rows.size()) + 1));
    m_sets->setRow(1, {});
    for (int i = 0; i < rows.size(); ++i)
        m_sets->setRow(i + 1, rows.at(i));
    m_sets->flush();
    // Set numbers of four digits, dates and times in a long regional format
    // would not fit the narrow columns: every column grows to fit its title
    // and all its texts (the view measures every row), never shrinks.
    for (int c = 0; c < m_sets->ColCount(); ++c) {
        const int before = Grid2->columnWidth(c);
        Grid2->resizeColumnToContents(c);
        if (Grid2->columnWidth(c) < before)
            Grid2->setColumnWidth(c, before);
    }
}

void TfrmDataLogger::ShowDataSet(int index)
{
    // Showing lets events run once; a click that arrives then must not
    // start another showing.
    if (m_showing || !m_collection || index < 0 || index >= m_collection->sets.size())
        return;
    QScopedValueRollback<bool> busy(m_showing, true);

    // One progress window for the window's life: making a new one for each
    // set would cost more than showing the set. It has no parent, so that it
    // stays out of the window's keyboard order while hidden; it is put over
    // the window's middle as a child dialog would be.
    if (!m_progress)
        m_progress = std::make_unique<TfrmDecodeProcess>();
    TfrmDecodeProcess &progress = *m_progress;
    const struct Hide
    {
        QWidget *w;
        ~Hide() { w->hide(); }
    } hideProgress{m_progress.get()};
    progress.move(mapToGlobal(rect().center()) - QPoint(progress.width() / 2, progress.height() / 2));
    progress.show();
    QCoreApplication::processEvents();
    // Whatever ran meanwhile may have replaced the collection.
    if (!m_collection || index >= m_collection->sets.size())
        return;
    WaitCursor hourglass;
    const bool tableHadFocus = Grid1->hasFocus();
    // Notes belong to the set they were made on, and come back with it.
    if (m_notesSet >= 0)
        m_setNotes.insert(m_notesSet, PESGraph1->notes());
    PESGraph1->setNotes(m_setNotes.value(index), false); // drawn with the set
    m_notesSet = index;

    const DataSetCollection &c = *m_collection;
    const DataSet set = c.sets.at(index);
    const int b = c.bytesPerSample;
    // The collection says how many channels its readings hold, whatever
    // meter is connected now.
    const int channels = b == 4 ? 2 : 1;
    const int n = set.sampleCount;
    const double step = set.intervalSeconds / kSecondsPerDay;
    // The set the table shows already keeps its rows (and is not drawn
    // again); another is filled in while the table is not drawn. Hiding it
    // would give its room to the graph and take it back, drawing the graph
    // twice. Only its cells wait: the titles and the scroll bar repaint
    // when they change.
    const bool sameRows = m_table->shows(index, channels);
    if (!sameRows)
        Grid1->viewport()->setUpdatesEnabled(false);

    applyChannelLayout(channels);
    if (!sameRows)
        m_table->setDataSet(index, channels);
    m_shownSet = index;

    Chart &chart = *PESGraph1;
    chart.setPoints(std::max(4, n));
    progress.ProgressBar1->setRange(0, n);
    progress.ProgressBar1->setValue(0);
    // One interval a reading from the start; a lone reading stands in the
    // middle of its interval, where it is seen, not on the axis's edge under
    // the cursor line.
    const double from = n == 1 ? set.start - step / 2 : set.start;
    chart.setManualX(from, from + n * step);

    // The bar repaints at once when it moves: only a showing long enough to
    // watch moves it.
    QElapsedTimer sinceMoved;
    sinceMoved.start();
    const SetReadings &r = m_reader.read(c, index, channels, chart.nullY(), [&](int q) {
        if (sinceMoved.elapsed() >= kProgressMs) {
            progress.ProgressBar1->setValue(q);
            sinceMoved.start();
        }
    });
    m_extremes[0] = r.extremes[0];
    m_extremes[1] = r.extremes[1];
    // The cells of each channel go to the chart whole.
    for (int ch = 0; ch < channels; ++ch)
        chart.setSubsetCells(ch, r.x, r.y[ch]);

    chart.look().showVertLineAnnotations = true;
    const bool fahrenheit = set.unit == QLatin1Char('F');
    imgT1Max->setPixmap(fahrenheit ? imgFY : imgCY);
    imgT1Min->setPixmap(fahrenheit ? imgFY : imgCY);
    imgT2Max->setPixmap(fahrenheit ? imgFR : imgCR);
    imgT2Min->setPixmap(fahrenheit ? imgFR : imgCR);
    // A set that holds no reading at all has no extremes, not even
    // overloads: its labels stay empty.
    const bool readings = n > 0;
    lblT1MAX->setText(readings ? maxText(m_extremes[0]) : QString());
    lblT1MIN->setText(readings ? minText(m_extremes[0]) : QString());
    if (readings)
        placeCursor(0);
    else
        chart.setVertLine(-1, 0.0, 0, QColor(), QString()); // no reading to point at
    if (channels == 2 && readings) {
        lblT2MAX->setText(maxText(m_extremes[1]));
        lblT2MIN->setText(minText(m_extremes[1]));
    } else {
        lblT2MAX->clear();
        lblT2MIN->clear();
    }
    PanelStatistics->showStatistics(r.statistics, set.unit, readings);
    const YRange y = dataSetYRange(m_extremes, channels);
    chart.setManualY(y.min, y.max);

    // One redraw for the cursor, the cells and the scales; back from any
    // zoom onto the new set's full range.
    chart.resetImage();
    if (chart.isZoomed())
        chart.undoZoom();
    else
        chart.fitValueAxis(); // auto scale follows the new set at once

    selectRow(Grid2, index);
    selectRow(Grid1, 0);
    Grid1->scrollTo(m_table->index(0, 0)); // back to the first reading
    if (!sameRows)
        Grid1->viewport()->setUpdatesEnabled(true);
    if (tableHadFocus)
        Grid1->setFocus();
}

void TfrmDataLogger::placeCursor(int index)
{
    Chart &chart = *PESGraph1;
    if (index < 0 || index >= chart.points())
        return;
    chart.look().lineAnnotationTextSize = 100;
    const int row = index + 1;
    QString text = m_table->cell(2, row);
    if (m_channels == 2)
        text += QStringLiteral(" T1:") + m_table->cell(3, row) + QStringLiteral(" T2:") + m_table->cell(5, row);
    else
        text += QStringLiteral(" T:") + m_table->cell(3, row);
    chart.setVertLine(0, chart.xData(0, index), 2, QColor(255, 0, 0), text);
}

void TfrmDataLogger::PositionCursor(int index)
{
    if (index < 0 || index >= PESGraph1->points())
        return;
    placeCursor(index);
    PESGraph1->resetImage();
}

void TfrmDataLogger::HighlightPane(Pane pane)
{
    m_pane = pane;
    StaticText1->setActive(pane == Pane::DataSets);
    StaticText3->setActive(pane == Pane::Graph);
    StaticText4->setActive(pane == Pane::Tabular);
}

void TfrmDataLogger::setTitles(const QString &mainTitle, const QString &subTitle)
{
    PESGraph1->look().mainTitle = mainTitle;
    PESGraph1->look().subTitle = subTitle;
    PESGraph1->resetImage();
}

const GridSource &TfrmDataLogger::sampleTable() const
{
    return *m_table;
}

const GridSource &TfrmDataLogger::dataSetList() const
{
    return *m_sets;
}

void TfrmDataLogger::Grid1Click(int row)
{
    HighlightPane(Pane::Tabular);
    PositionCursor(row - 1);
}

void TfrmDataLogger::Grid2Click(int row)
{
    if (m_dataSetsLoaded)
        ShowDataSet(row - 1);
    else if (m_shownSet >= 0)
        // The list keeps pointing at what is shown, once the view has done
        // with the click that moved it.
        QTimer::singleShot(0, this, [this] {
            if (!m_dataSetsLoaded && m_shownSet >= 0)
                selectRow(Grid2, m_shownSet);
        });
}

void TfrmDataLogger::PESGraph1CustomizeDlg(bool accepted)
{
    if (accepted)
        Q_EMIT titlesChanged(PESGraph1->look().mainTitle, PESGraph1->look().subTitle);
}

void TfrmDataLogger::selectRow(QTableView *view, int row)
{
    QScopedValueRollback<bool> quiet(m_selecting, true);
    const QModelIndex index = view->model()->index(row, 0);
    if (index.isValid())
        view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect
                                                           | QItemSelectionModel::Rows);
}

bool TfrmDataLogger::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == Grid1->viewport())
            m_rowAtPress[0] = Grid1->currentIndex().row();
        else if (watched == Grid2->viewport())
            m_rowAtPress[1] = Grid2->currentIndex().row();
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmDataLogger::closeEvent(QCloseEvent *event)
{
    for (QLabel *l : {lblT1MAX, lblT1MIN, lblT2MAX, lblT2MIN})
        l->clear();
    PanelStatistics->clear();
    PESGraph1->removeVertLines();
    m_table->setEmpty(m_channels);
    m_shownSet = -1;
    m_collection.reset();
    event->accept();
}

} // namespace kv
