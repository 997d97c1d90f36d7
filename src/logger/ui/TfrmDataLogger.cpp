#include "logger/ui/TfrmDataLogger.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/Prompt.h"
#include "logger/DataSetDecoder.h"
#include "logger/SampleDecoding.h"
#include "logger/ui/PaneHeading.h"
#include "logger/ui/SampleTable.h"
#include "logger/ui/TfrmDecodeProcess.h"
#include "views/Chart.h"
#include "views/GridModel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
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

// The width of a grid column before any is set, in pixels, for a font whose
// digits are 6 pixels wide; the columns are sized as multiples of it, and
// it grows with the grid's font so dates and times fit.
constexpr int kDefaultColumnWidth = 64;
constexpr int kLeftColumnWidth = 287;
constexpr int kEmptyPoints = 500;
constexpr int kProgressStep = 4096; // readings between two moves of the progress bar

double fontScale(const QWidget *w)
{
    return std::max(1.0, w->fontMetrics().horizontalAdvance(QLatin1Char('0')) / 6.0);
}

int columnWidth(const QWidget *grid, double factor)
{
    return static_cast<int>(std::lround(kDefaultColumnWidth * fontScale(grid) * factor));
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

QTableView *stringGrid(const char *name, QAbstractItemModel *model, QWidget *parent)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setModel(model);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setTabKeyNavigation(false);
    grid->verticalHeader()->hide();
    // Rows of one height, so a view over 65535 readings never measures them.
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView::section { background: white; "
                                                           "border: 1px solid #a0a0a0; padding: 2px; }"));
    return grid;
}

QLabel *captionLabel(const char *name, const QColor &color, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    return l;
}

QLabel *valuePanel(const char *name, const QColor &color, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.15);
    l->setFont(f);
    l->setMargin(2);
    l->setMinimumHeight(24);
    // Readable by keyboard and screen readers, though not editable.
    l->setTextInteractionFlags(Qt::TextSelectableByKeyboard);
    l->setFocusPolicy(Qt::StrongFocus);
    return l;
}

QLabel *unitIcon(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFixedSize(26, 22);
    return l;
}

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

void TfrmDataLogger::buildLayout()
{
    QFont gridFont(QStringLiteral("MS Sans Serif"));
    gridFont.setPointSize(8);
    gridFont.setBold(true);

    // Left column: the data set list over the highest and lowest readings.
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(2);
    StaticText1 = new PaneHeading(QStringLiteral("Data Sets"), left);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    m_sets->setFixedFont(gridFont);
    Grid2 = stringGrid("Grid2", m_sets, left);
    QFont listFont = gridFont;
    listFont.setBold(false);
    Grid2->setFont(listFont);
    Grid2->setAccessibleName(QStringLiteral("Data sets"));
    Panel4 = buildExtremesPanel();
    leftLayout->addWidget(StaticText1);
    leftLayout->addWidget(Grid2, 1);
    leftLayout->addWidget(Panel4);

    // Right: the graph over the table.
    Panel5 = new QWidget(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    auto *graphLayout = new QVBoxLayout(Panel5);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    graphLayout->setSpacing(2);
    StaticText3 = new PaneHeading(QStringLiteral("Graph"), Panel5);
    StaticText3->setObjectName(QStringLiteral("StaticText3"));
    PESGraph1 = new Chart(Panel5);
    PESGraph1->setAccessibleName(QStringLiteral("Graph"));
    PESGraph1->setFocusPolicy(Qt::StrongFocus);
    // The chart's own customization, from its context menu (or the menu key).
    auto *customize = new QAction(QStringLiteral("Customize graph..."), PESGraph1);
    connect(customize, &QAction::triggered, PESGraph1, [this] { PESGraph1->customize(); });
    PESGraph1->addAction(customize);
    PESGraph1->setContextMenuPolicy(Qt::ActionsContextMenu);
    graphLayout->addWidget(StaticText3);
    graphLayout->addWidget(PESGraph1, 1);

    auto *tabular = new QWidget(this);
    tabular->setObjectName(QStringLiteral("Panel6"));
    auto *tableLayout = new QVBoxLayout(tabular);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(2);
    StaticText4 = new PaneHeading(QStringLiteral("Tabular"), tabular);
    StaticText4->setObjectName(QStringLiteral("StaticText4"));
    m_table->setFixedFont(gridFont);
    Grid1 = stringGrid("Grid1", m_table, tabular);
    Grid1->setFont(gridFont);
    Grid1->setAccessibleName(QStringLiteral("Readings"));
    Grid1->setToolTip(QStringLiteral("click to position this data on graph"));
    tableLayout->addWidget(StaticText4);
    tableLayout->addWidget(Grid1, 1);

    m_right = new QSplitter(Qt::Vertical, this);
    m_right->setObjectName(QStringLiteral("rightSplitter"));
    m_right->addWidget(Panel5);
    m_right->addWidget(tabular);
    m_right->setChildrenCollapsible(false);
    m_right->setStretchFactor(0, 2);
    m_right->setStretchFactor(1, 1);

    m_columns = new QSplitter(Qt::Horizontal, this);
    m_columns->setObjectName(QStringLiteral("columnSplitter"));
    m_columns->addWidget(left);
    m_columns->addWidget(m_right);
    m_columns->setChildrenCollapsible(false);
    m_columns->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_columns);

    // Keyboard order: list, its values, graph, table; the headings first in
    // each pane.
    setTabOrder(StaticText1, Grid2);
    setTabOrder(Grid2, lblT1MAX);
    setTabOrder(lblT1MAX, lblT1MIN);
    setTabOrder(lblT1MIN, lblT2MAX);
    setTabOrder(lblT2MAX, lblT2MIN);
    setTabOrder(lblT2MIN, StaticText3);
    setTabOrder(StaticText3, PESGraph1);
    setTabOrder(PESGraph1, StaticText4);
    setTabOrder(StaticText4, Grid1);

    connect(StaticText1, &PaneHeading::clicked, this, [this] { HighlightPane(Pane::DataSets); });
    connect(StaticText3, &PaneHeading::clicked, this, [this] { HighlightPane(Pane::Graph); });
    connect(StaticText4, &PaneHeading::clicked, this, [this] { HighlightPane(Pane::Tabular); });
    connect(PESGraph1, &Chart::clicked, this, [this] { HighlightPane(Pane::Graph); });
    connect(PESGraph1, &Chart::zoomedIn, this, &TfrmDataLogger::zoomedIn);
    connect(PESGraph1, &Chart::customizeDialogEnded, this, &TfrmDataLogger::PESGraph1CustomizeDlg);

    // A row chosen with the keyboard counts as a click; a mouse click on the
    // row that is already current, which changes nothing, counts too.
    const auto wire = [this](QTableView *grid, int which, void (TfrmDataLogger::*handler)(int)) {
        grid->viewport()->installEventFilter(this);
        connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, handler](const QModelIndex &current) {
                    if (!m_selecting && current.isValid())
                        (this->*handler)(current.row() + 1);
                });
        connect(grid, &QAbstractItemView::clicked, this, [this, which, handler](const QModelIndex &index) {
            if (index.isValid() && index.row() == m_rowAtPress[which])
                (this->*handler)(index.row() + 1);
        });
    };
    wire(Grid1, 0, &TfrmDataLogger::Grid1Click);
    wire(Grid2, 1, &TfrmDataLogger::Grid2Click);
}

QWidget *TfrmDataLogger::buildExtremesPanel()
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel4"));
    panel->setAccessibleName(QStringLiteral("Highest and lowest readings"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(32, 32, 32));
    panel->setPalette(p);

    const QColor yellow(255, 255, 0), red(255, 0, 0);
    T1MAX = captionLabel("T1MAX", yellow, panel);
    T1MIN = captionLabel("T1MIN", yellow, panel);
    T2MAX = captionLabel("T2MAX", red, panel);
    T2MIN = captionLabel("T2MIN", red, panel);
    T2MAX->setText(QStringLiteral("T2 MAX"));
    T2MIN->setText(QStringLiteral("T2 MIN"));
    lblT1MAX = valuePanel("lblT1MAX", yellow, panel);
    lblT1MIN = valuePanel("lblT1MIN", yellow, panel);
    lblT2MAX = valuePanel("lblT2MAX", red, panel);
    lblT2MIN = valuePanel("lblT2MIN", red, panel);
    imgT1Max = unitIcon("imgT1Max", panel);
    imgT1Min = unitIcon("imgT1Min", panel);
    imgT2Max = unitIcon("imgT2Max", panel);
    imgT2Min = unitIcon("imgT2Min", panel);

    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    QLabel *captions[] = {T1MAX, T1MIN, T2MAX, T2MIN};
    QLabel *values[] = {lblT1MAX, lblT1MIN, lblT2MAX, lblT2MIN};
    QLabel *icons[] = {imgT1Max, imgT1Min, imgT2Max, imgT2Min};
    for (int r = 0; r < 4; ++r) {
        captions[r]->setBuddy(values[r]);
        grid->addWidget(captions[r], r, 0);
        grid->addWidget(values[r], r, 1);
        grid->addWidget(icons[r], r, 2);
    }
    grid->setColumnStretch(1, 1);
    return panel;
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

void TfrmDataLogger::fillDataSetList()
{
    const QVector<QStringList> rows = m_collection ? dataSetListRows(*m_collection) : QVector<QStringList>();
    QScopedValueRollback<bool> quiet(m_selecting, true);
    m_sets->setRowCount(1);
    m_sets->setRowCount(std::max(2, int(rows.size()) + 1));
    m_sets->setRow(1, {});
    for (int i = 0; i < rows.size(); ++i)
        m_sets->setRow(i + 1, rows.at(i));
    m_sets->flush();
    // Dates and times in a long regional format would not fit the narrow
    // columns; those grow to fit, never shrink.
    const QFontMetrics fm(Grid2->font());
    for (int c = 1; c <= 3; ++c) {
        int widest = 0;
        for (const QStringList &r : rows)
            widest = std::max(widest, fm.horizontalAdvance(r.value(c)));
        Grid2->setColumnWidth(c, std::max(Grid2->columnWidth(c), widest + 10));
    }
}

void TfrmDataLogger::ShowDataSet(int index)
{
    // Showing lets events run once; a click that arrives then must not
    // start another showing.
    if (m_showing || !m_collection || index < 0 || index >= m_collection->sets.size())
        return;
    QScopedValueRollback<bool> busy(m_showing, true);

    TfrmDecodeProcess progress(this);
    progress.show();
    QCoreApplication::processEvents();
    // Whatever ran meanwhile may have replaced the collection.
    if (!m_collection || index >= m_collection->sets.size())
        return;
    WaitCursor hourglass;
    const bool tableHadFocus = Grid1->hasFocus();
    Grid1->hide();

    const DataSetCollection &c = *m_collection;
    const DataSet set = c.sets.at(index);
    const int b = c.bytesPerSample;
    // The collection says how many channels its readings hold, whatever
    // meter is connected now.
    const int channels = b == 4 ? 2 : 1;
    const int n = set.sampleCount;
    const double step = set.intervalSeconds / kSecondsPerDay;

    applyChannelLayout(channels);
    m_table->setDataSet(index, channels);
    m_shownSet = index;

    Chart &chart = *PESGraph1;
    chart.setPoints(std::max(4, n));
    for (int s = 0; s < channels; ++s)
        chart.emptySubset(s);
    progress.ProgressBar1->setRange(0, n);
    progress.ProgressBar1->setValue(0);
    chart.setManualX(set.start, set.start + n * step);

    m_extremes[0] = ChannelExtremes();
    m_extremes[1] = ChannelExtremes();
    const QByteArray &image = c.image;
    const int first = set.recordOffset + kRecordSamples;
    const int lastByte = std::min<int>(set.recordEnd - 2, image.size() - 1);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(image.constData());
    for (int q = 0; q < n; ++q) {
        const int o = first + q * b;
        if (o + b - 1 > lastByte)
            break;
        if (q % kProgressStep == 0)
            progress.ProgressBar1->setValue(q);
        const double t = set.start + q * step;
        for (int ch = 0; ch < channels; ++ch) {
            const Sample s = DecodeSample(bytes[o + 2 * ch], bytes[o + 2 * ch + 1]);
            if (!s.overload)
                m_extremes[ch].add(s.value, t);
            chart.setXData(ch, q, t);
            chart.setYData(ch, q, s.overload ? chart.nullY() : s.value);
        }
    }
    progress.ProgressBar1->setValue(n);

    chart.look().showVertLineAnnotations = true;
    const bool fahrenheit = set.unit == QLatin1Char('F');
    imgT1Max->setPixmap(fahrenheit ? imgFY : imgCY);
    imgT1Min->setPixmap(fahrenheit ? imgFY : imgCY);
    imgT2Max->setPixmap(fahrenheit ? imgFR : imgCR);
    imgT2Min->setPixmap(fahrenheit ? imgFR : imgCR);
    lblT1MAX->setText(maxText(m_extremes[0]));
    lblT1MIN->setText(minText(m_extremes[0]));
    placeCursor(0);
    if (channels == 2) {
        lblT2MAX->setText(maxText(m_extremes[1]));
        lblT2MIN->setText(minText(m_extremes[1]));
    } else {
        lblT2MAX->clear();
        lblT2MIN->clear();
    }
    const YRange y = dataSetYRange(m_extremes, channels);
    chart.setManualY(y.min, y.max);

    // One redraw for the cursor, the cells and the scales; back from any
    // zoom onto the new set's full range.
    chart.resetImage();
    if (chart.isZoomed())
        chart.undoZoom();

    selectRow(Grid2, index);
    selectRow(Grid1, 0);
    Grid1->show();
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
    PESGraph1->removeVertLines();
    m_table->setEmpty(m_channels);
    m_shownSet = -1;
    m_collection.reset();
    event->accept();
}

} // namespace kv
