#include "app/TfrmMain.h"

#include "app/TfrmAbout.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "link/PortList.h"
#include "panel/Artwork.h"
#include "panel/TfrmPanel.h"
#include "views/Chart.h"
#include "views/ScaleRange.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace kv {

namespace {
QString className(const QWidget *w)
{
    QString name = QString::fromLatin1(w->metaObject()->className());
    const int colon = name.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? name : name.mid(colon + 1);
}
} // namespace

TfrmMain::TfrmMain(MainOptions options, QWidget *parent)
    : QMainWindow(parent)
    , m_options(std::move(options))
    , m_clock(m_options.clock ? *m_options.clock : SystemClock::instance())
    , m_qtPrompt(this)
    , m_prompt(m_options.prompt ? *m_options.prompt : static_cast<Prompt &>(m_qtPrompt))
    , m_mdi(new QMdiArea(this))
    , m_link(m_Comm2, m_clock, m_prompt)
    , m_settingsLocation(Settings::locate(m_options.programPath))
    , m_template(GraphTemplate::locate(m_options.programPath))
{
    ensureArtwork();
    setObjectName(QStringLiteral("TfrmMain"));
    setWindowTitle(QStringLiteral("Main Menu"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kv481")));
    // The client area has no frame and no scroll bars.
    m_mdi->setObjectName(QStringLiteral("ClientArea"));
    m_mdi->setFrameShape(QFrame::NoFrame);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(m_mdi);

    ThTimer1.setObjectName(QStringLiteral("ThTimer1"));
    ThTimer1.setInterval(MeterLink::kStartInterval);
    connect(&ThTimer1, &QTimer::timeout, &m_link, &MeterLink::ThTimer1Timer);

    buildMenus();
    buildToolBar();
    buildStatusBar();
    connectLink();
    resize(1024, 720);
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    ThTimer1.stop();
    // Child windows refer to the link; let them go first.
    delete m_mdi;
    m_mdi = nullptr;
}

void TfrmMain::setStartupBox(TfrmAbout *box)
{
    m_startupBox = box;
}

QString TfrmMain::helpFilePath() const
{
    return QFileInfo(m_options.programPath).absolutePath() + QStringLiteral("/KV481Help.htm");
}

QString TfrmMain::activeChildClass() const
{
    QMdiSubWindow *sw = m_mdi ? m_mdi->activeSubWindow() : nullptr;
    return sw && sw->widget() ? className(sw->widget()) : QString();
}

void TfrmMain::buildMenus()
{
    auto action = [](QMenu *menu, const char *name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    Open1 = action(file, "Open1", QStringLiteral("&Open"));
    Save1 = action(file, "Save1", QStringLiteral("&Save"));
    Print1 = action(file, "Print1", QStringLiteral("&Print"));
    connect(Print1, &QAction::triggered, this, &TfrmMain::Print1Click);
    PrinterSetup1 = action(file, "PrinterSetup1", QStringLiteral("&Printer Setup"));
    file->addSeparator();
    Exit1 = action(file, "Exit1", QStringLiteral("E&xit"));
    connect(Exit1, &QAction::triggered, this, &TfrmMain::Exit1Click);

    QMenu *realTime = bar->addMenu(QStringLiteral("&Real Time"));
    Run1 = action(realTime, "Run1", QStringLiteral("Run"));
    Stop1 = action(realTime, "Stop1", QStringLiteral("Stop"));
    Run1->setEnabled(false);
    Stop1->setEnabled(false);
    connect(Run1, &QAction::triggered, this, &TfrmMain::btnRunClick);
    connect(Stop1, &QAction::triggered, this, &TfrmMain::btnPauseClick);

    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    DataLogger1 = action(view, "DataLogger1", QStringLiteral("&Data Logger"));
    ControlPanel1 = action(view, "ControlPanel1", QStringLiteral("&Control Panel"));
    ControlPanel1->setCheckable(true);
    connect(ControlPanel1, &QAction::triggered, this, [this] { ControlPanel1Click(); });
    RealTimeGraph1 = action(view, "RealTimeGraph1", QStringLiteral("Real Time &Graph"));
    RealTimeGraph1->setCheckable(true);
    connect(RealTimeGraph1, &QAction::triggered, this, &TfrmMain::RealTimeGraph1Click);
    RealTimeList1 = action(view, "RealTimeList1", QStringLiteral("Real Time List"));
    connect(RealTimeList1, &QAction::triggered, this, &TfrmMain::RealTimeList1Click);
    LinkTest1 = action(view, "LinkTest1", QStringLiteral("&LinkTest"));
    LinkTest1->setVisible(false);
    RS2321 = view->addMenu(QStringLiteral("&COM Port"));
    RS2321->setObjectName(QStringLiteral("RS2321"));
    for (int n = 1; n <= 8; ++n) {
        QAction *a = RS2321->addAction(QStringLiteral("Com%1").arg(n));
        a->setObjectName(QStringLiteral("Com%1").arg(n) + QLatin1Char('1'));
        a->setCheckable(true);
        a->setEnabled(false);
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, n] { Com1Click(n); });
        ComItems[n - 1] = a;
    }
    RS2321->menuAction()->setVisible(false);
    RS2321->menuAction()->setEnabled(false);

    QMenu *option = bar->addMenu(QStringLiteral("&Option"));
    Range1 = action(option, "Range1", QStringLiteral("Range"));
    GraphCustomization1 = action(option, "GraphCustomization1", QStringLiteral("Graph Customization"));
    connect(Range1, &QAction::triggered, this, &TfrmMain::Range1Click);
    connect(GraphCustomization1, &QAction::triggered, this, &TfrmMain::GraphCustomization1Click);

    Window1 = bar->addMenu(QStringLiteral("&Window"));
    Window1->setObjectName(QStringLiteral("Window1"));
    Tile1 = action(Window1, "Tile1", QStringLiteral("&Tile"));
    Cascade1 = action(Window1, "Cascade1", QStringLiteral("&Cascade"));
    Window1->menuAction()->setVisible(false);

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    Contents1 = action(help, "Contents1", QStringLiteral("&Contents"));
    About1 = action(help, "About1", QStringLiteral("&About"));
    connect(Contents1, &QAction::triggered, this, &TfrmMain::Contents1Click);
    connect(About1, &QAction::triggered, this, &TfrmMain::About1Click);
}

void TfrmMain::buildToolBar()
{
    Panel1 = addToolBar(QStringLiteral("Tools"));
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMovable(false);
    Panel1->setIconSize(QSize(24, 24));
    auto button = [this](const char *name, const char *icon, const QString &hint, QAction *same = nullptr) {
        auto *b = new QToolButton(Panel1);
        b->setObjectName(QLatin1String(name));
        if (icon)
            b->setIcon(QIcon(QStringLiteral(":/icons/") + QLatin1String(icon)));
        b->setToolTip(hint);
        b->setAutoRaise(true);
        if (same)
            connect(b, &QToolButton::clicked, same, &QAction::trigger);
        Panel1->addWidget(b);
        return b;
    };
    SpeedButton1 = button("SpeedButton1", "open", QStringLiteral("Open File"), Open1);
    SpeedButton2 = button("SpeedButton2", "save", QStringLiteral("Save to file"), Save1);
    btnPrint = button("btnPrint", "print", QStringLiteral("Print"), Print1);
    Panel1->addSeparator();
    btnRun = button("btnRun", "run", QStringLiteral("Start Graphing Real Time Data"));
    btnPause = button("btnPause", "stop", QStringLiteral("Stop Graphing Real Time Data"));
    btnRun->setEnabled(false);
    btnPause->setEnabled(false);
    connect(btnRun, &QToolButton::clicked, this, &TfrmMain::btnRunClick);
    connect(btnPause, &QToolButton::clicked, this, &TfrmMain::btnPauseClick);
    btnDataLogger = button("btnDataLogger", "datalogger", QStringLiteral("Data Logger"), DataLogger1);
    btnClear = button("btnClear", "clear", QStringLiteral("clear and reset graph"));
    connect(btnClear, &QToolButton::clicked, this, &TfrmMain::btnClearClick);
    btnToGraph = button("btnToGraph", "tograph", QStringLiteral("Output Data to Graph"));
    Panel1->addSeparator();

    StaticText1 = new QLabel(QStringLiteral(" Sampling Rate "), Panel1);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    Panel1->addWidget(StaticText1);
    QStringList values;
    for (int i = 0; i <= 60; ++i)
        values << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    auto combo = [this, &values](const char *name) {
        auto *c = new QComboBox(Panel1);
        c->setObjectName(QLatin1String(name));
        c->addItems(values);
        c->setMaxVisibleItems(12);
        connect(c, &QComboBox::activated, this, &TfrmMain::cmbMinuteChange);
        Panel1->addWidget(c);
        return c;
    };
    cmbMinute = combo("cmbMinute");
    Label2 = new QLabel(QStringLiteral(" MM "), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Panel1->addWidget(Label2);
    cmbSecond = combo("cmbSecond");
    Label3 = new QLabel(QStringLiteral(" SS "), Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Panel1->addWidget(Label3);
    Panel1->addSeparator();

    UndoZoom = button("UndoZoom", nullptr, QStringLiteral("Clear Graph"));
    UndoZoom->setText(QStringLiteral("Undo Zoom"));
    UndoZoom->setToolButtonStyle(Qt::ToolButtonTextOnly);
    UndoZoom->setEnabled(false);
    connect(UndoZoom, &QToolButton::clicked, this, &TfrmMain::UndoZoomClick);
    Panel1->addSeparator();

    ComboBoxDeviceName = new QComboBox(Panel1);
    ComboBoxDeviceName->setObjectName(QStringLiteral("ComboBoxDeviceName"));
    ComboBoxDeviceName->setMinimumContentsLength(14);
    ComboBoxDeviceName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ComboBoxDeviceName->setToolTip(QStringLiteral("Serial port of the meter"));
    connect(ComboBoxDeviceName, &QComboBox::activated, &m_link, &MeterLink::ComboBoxDeviceNameChange);
    Panel1->addWidget(ComboBoxDeviceName);
}

void TfrmMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setMinimumWidth(220);
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPanel1, 1);
}

void TfrmMain::connectLink()
{
    connect(&m_link, &MeterLink::portListChanged, this, [this](const QStringList &entries, int selected) {
        QSignalBlocker block(ComboBoxDeviceName);
        if (ComboBoxDeviceName->count() != entries.size()) {
            ComboBoxDeviceName->clear();
            ComboBoxDeviceName->addItems(entries);
        } else {
            for (int i = 0; i < entries.size(); ++i)
                ComboBoxDeviceName->setItemText(i, entries.at(i));
        }
        ComboBoxDeviceName->setCurrentIndex(selected);
    });
    connect(&m_link, &MeterLink::portStatusChanged, StatusPanel0, &QLabel::setText);
    connect(&m_link, &MeterLink::connectionStatusChanged, StatusPanel1, &QLabel::setText);
    connect(&m_link, &MeterLink::noConnectionChanged, this, [this](bool shown) {
        if (m_panel)
            m_panel->setNoConnection(shown);
    });
    connect(&m_link, &MeterLink::recordingControlsChanged, this, &TfrmMain::setRecordingControls);
    connect(&m_link, &MeterLink::portItemChecked, this, [this](int index) {
        for (int i = 0; i < 8; ++i)
            ComItems[i]->setChecked(i == index);
    });
    connect(&m_link, &MeterLink::modelRecognised, this, [this](int model) {
        if (m_panel)
            m_panel->applyModelLayout(model);
    });
    connect(&m_link, &MeterLink::frameDecoded, this, [this](const Reading &previous) {
        if (m_panel)
            m_panel->applyFrame(previous, m_link.reading(), m_link.model());
    });
    connect(&m_link, &MeterLink::sampleDue, this, &TfrmMain::onSampleDue);
    m_link.setPointCountSource([this] { return m_rt.realTimePointCount; });
    connect(&m_link, &MeterLink::intervalChanged, &ThTimer1, qOverload<int>(&QTimer::setInterval));
    connect(&m_link, &MeterLink::busy, this, [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    connect(&m_link, &MeterLink::startupBoxCloseRequested, this, [this] {
        if (m_startupBox)
            m_startupBox->close();
    });
}

void TfrmMain::setRecordingControls(bool runEnabled, bool stopEnabled)
{
    btnRun->setEnabled(runEnabled);
    Run1->setEnabled(runEnabled);
    btnPause->setEnabled(stopEnabled);
    Stop1->setEnabled(stopEnabled);
}

void TfrmMain::FormCreate()
{
    m_settings = Settings::read(m_settingsLocation.readPath);
    m_link.setModel(m_settings.model);
    m_link.setPortIndex(m_settings.connectedPort);
    m_link.setSamplingRate(m_settings.samplingRate);
    cmbMinute->setCurrentIndex(m_settings.samplingRate / 60);
    cmbSecond->setCurrentIndex(m_settings.samplingRate % 60);

    m_glyphs = loadGlyphs();

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move((s.width() - width()) / 2, (s.height() - height()) / 2);
    }

    m_link.setPortList(portListEntries(m_options.extraPorts, m_options.systemPorts));
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The search lets events run; start it once the window is up.
    if (!m_showScheduled) {
        m_showScheduled = true;
        QTimer::singleShot(0, this, &TfrmMain::FormShow);
    }
}

void TfrmMain::FormShow()
{
    createPanel();
    const int panelWidth = TfrmPanel::kWidth;
    OpenRealTimeGraph();
    const int graphHeight = (height() - (Panel1->height() + statusBar()->height() + 40)) / 2;
    const int graphWidth = width() - panelWidth - 20;
    if (QMdiSubWindow *sw = frameOf(m_realTimeGraph))
        sw->setGeometry(panelWidth, 0, graphWidth, graphHeight);
    if (m_startupBox)
        m_startupBox->Label4->setText(QStringLiteral("Initialing COM Port ...."));
    m_link.SearchMeter();
    ThTimer1.setInterval(m_link.interval());
    ThTimer1.start();
    if (m_startupBox)
        m_startupBox->close();
    if (m_link.connected()) {
        try {
            m_link.port().write(QByteArrayLiteral("A"));
        } catch (const PortAbort &) {
        }
        if (m_panel)
            m_panel->setNoConnection(false);
        setRecordingControls(true, false);
    } else if (m_panel) {
        m_panel->setNoConnection(true);
    }
    createRealTimeList();
    if (QMdiSubWindow *sw = frameOf(m_realTimeList))
        sw->setGeometry(panelWidth, graphHeight, graphWidth, graphHeight - 20);
    if (m_panel)
        m_mdi->setActiveSubWindow(frameOf(m_panel));
    m_formShown = true;
    Q_EMIT shown();
}

TfrmPanel *TfrmMain::createPanel()
{
    auto *panel = new TfrmPanel(m_glyphs, &m_link);
    QMdiSubWindow *sw = m_mdi->addSubWindow(panel, Qt::FramelessWindowHint);
    sw->setObjectName(QStringLiteral("PanelFrame"));
    sw->move(0, 0);
    sw->show();
    m_panel = panel;
    m_panelObject = panel;
    ControlPanel1->setChecked(true);
    // Closing the panel frees it; the menu item follows.
    // The panel is being destroyed here: compare addresses only.
    connect(panel, &QObject::destroyed, this, [this, self = static_cast<QObject *>(panel)](QObject *) {
        if (m_panelObject == self) {
            m_panelObject = nullptr;
            m_panel = nullptr;
            ControlPanel1->setChecked(false);
        }
    });
    return panel;
}

QMdiSubWindow *TfrmMain::frameOf(QWidget *child) const
{
    return child ? qobject_cast<QMdiSubWindow *>(child->parentWidget()) : nullptr;
}

QMdiSubWindow *TfrmMain::addChild(QWidget *child)
{
    QMdiSubWindow *sw = m_mdi->addSubWindow(child);
    sw->setAttribute(Qt::WA_DeleteOnClose);
    sw->setWindowIcon(windowIcon());
    sw->show();
    return sw;
}

void TfrmMain::registerGraph(TfrmGraph *graph)
{
    connect(graph, &TfrmGraph::zoomedIn, this, [this] { UndoZoom->setEnabled(true); });
}

void TfrmMain::OpenRealTimeGraph()
{
    auto *graph = new TfrmGraph(m_template, m_prompt);
    graph->setWindowTitle(TfrmGraph::realTimeCaption());
    m_realTimeGraph = graph;
    m_graphObject = graph;
    RealTimeGraph1->setChecked(true);
    registerGraph(graph);
    connect(graph, &QObject::destroyed, this, [this, self = static_cast<QObject *>(graph)](QObject *) {
        if (m_graphObject == self) {
            m_graphObject = nullptr;
            m_realTimeGraph = nullptr;
            RealTimeGraph1->setChecked(false);
        }
    });
    addChild(graph);
    const int subsets = m_link.model() == 481 ? 1 : 2;
    m_rt.realTimeSpan = 100.0 * m_link.samplingRate() / kSecondsPerDay;
    const double t = m_clock.now();
    SetupGraph(*graph->PESGraph1, subsets, kRealTimePoints, t, t + m_rt.realTimeSpan, m_settings.minScale,
               m_settings.maxScale, m_template, m_prompt);
}

TfrmList *TfrmMain::createRealTimeList()
{
    auto *list = new TfrmList([this] { return m_link.model(); });
    m_realTimeList = list;
    m_listObject = list;
    connect(list, &QObject::destroyed, this, [this, self = static_cast<QObject *>(list)](QObject *) {
        if (m_listObject == self) {
            m_listObject = nullptr;
            m_realTimeList = nullptr;
        }
    });
    addChild(list);
    return list;
}

void TfrmMain::RealTimeGraph1Click()
{
    if (QMdiSubWindow *sw = frameOf(m_realTimeGraph)) {
        RealTimeGraph1->setChecked(true);
        sw->showNormal();
        m_mdi->setActiveSubWindow(sw);
        return;
    }
    OpenRealTimeGraph();
}

void TfrmMain::RealTimeList1Click()
{
    if (QMdiSubWindow *sw = frameOf(m_realTimeList)) {
        sw->showNormal();
        m_mdi->setActiveSubWindow(sw);
        return;
    }
    createRealTimeList();
}

void TfrmMain::onSampleDue(double dateTime)
{
    const Reading &r = m_link.reading();
    if (m_realTimeGraph)
        AddRealTimePoint(*m_realTimeGraph->PESGraph1, m_rt, m_link.model(), r.t1Overload, r.t2Overload,
                         static_cast<float>(r.t1), dateTime, static_cast<float>(r.t2));
    if (m_realTimeList)
        m_realTimeList->AddRealTimeRow(dateTime, r, m_link.model());
}

void TfrmMain::btnClearClick()
{
    m_rt.realTimePointCount = 0;
    if (m_realTimeGraph)
        clearRealTimeGraph(*m_realTimeGraph->PESGraph1, m_rt, m_link.channelCount(), m_clock.now());
    if (m_realTimeList)
        m_realTimeList->clear();
}

void TfrmMain::UndoZoomClick()
{
    const QString cls = activeChildClass();
    if (cls == QLatin1String("TfrmGraph") || cls == QLatin1String("TfrmDataLogger")) {
        if (Chart *chart = m_mdi->activeSubWindow()->widget()->findChild<Chart *>(QStringLiteral("PESGraph1")))
            chart->undoZoom();
    }
    UndoZoom->setEnabled(false);
}

void TfrmMain::Range1Click()
{
    const QString cls = activeChildClass();
    QString maxText = QString::number(m_settings.maxScale);
    QString minText = QString::number(m_settings.minScale);
    if (m_realTimeGraph) {
        maxText = scaleFieldText(m_realTimeGraph->PESGraph1->manualMaxY());
        minText = scaleFieldText(m_realTimeGraph->PESGraph1->manualMinY());
    }
    if (!m_prompt.setupScale(maxText, minText))
        return;
    if (cls != QLatin1String("TfrmGraph") && cls != QLatin1String("TfrmDataLogger"))
        return;
    if (Chart *chart = m_mdi->activeSubWindow()->widget()->findChild<Chart *>(QStringLiteral("PESGraph1")))
        applyScaleRange(*chart, maxText, minText, m_settings.maxScale, m_settings.minScale, m_prompt);
}

void TfrmMain::GraphCustomization1Click()
{
    if (!m_realTimeGraph)
        return;
    m_realTimeGraph->PESGraph1->customize();
    m_realTimeGraph->PESGraph1->resetImage();
}

void TfrmMain::Print1Click()
{
    // A graph prints itself through its own print dialog.
    if (activeChildClass() == QLatin1String("TfrmGraph")) {
        if (auto *graph = qobject_cast<TfrmGraph *>(m_mdi->activeSubWindow()->widget()))
            graph->PESGraph1->printDialog(m_prompt);
    }
}

void TfrmMain::ControlPanel1Click()
{
    if (m_panel) {
        ControlPanel1->setChecked(true);
        m_panel->frameWidget()->showNormal();
        m_panel->frameWidget()->raise();
        return;
    }
    createPanel();
    ControlPanel1->setChecked(true);
    const QByteArray code = QByteArray::number(m_link.model()) + '\0';
    m_link.RecogniseModel(code);
    m_panel->setNoConnection(!m_link.connected());
}

void TfrmMain::About1Click()
{
    if (!m_about)
        m_about = new TfrmAbout(this);
    m_about->exec();
    delete m_about;
}

void TfrmMain::Contents1Click()
{
    const QUrl url = QUrl::fromLocalFile(helpFilePath());
    const bool opened = m_options.openUrl ? m_options.openUrl(url) : QDesktopServices::openUrl(url);
    if (!opened)
        m_prompt.information(QStringLiteral("The help file %1 could not be opened.").arg(helpFilePath()));
}

void TfrmMain::btnRunClick()
{
    m_link.setRecording(true);
    setRecordingControls(false, true);
}

void TfrmMain::btnPauseClick()
{
    m_link.setRecording(false);
    setRecordingControls(true, false);
    if (QMdiSubWindow *sw = frameOf(m_realTimeGraph))
        sw->showNormal();
}

void TfrmMain::cmbMinuteChange()
{
    int rate = cmbMinute->currentIndex() * 60 + cmbSecond->currentIndex();
    if (cmbMinute->currentIndex() == 0 && cmbSecond->currentIndex() == 0) {
        cmbSecond->setCurrentIndex(1);
        rate = 1;
    }
    m_link.setSamplingRate(rate);
}

void TfrmMain::Com1Click(int n)
{
    m_link.SelectPort(n);
}

void TfrmMain::Exit1Click()
{
    // Leaves at once: the settings are not written on this way out.
    if (m_options.exitHandler)
        m_options.exitHandler();
    else
        QCoreApplication::exit(0);
}

void TfrmMain::FormClose()
{
    m_settings.model = m_link.model();
    m_settings.connectedPort = m_link.portIndex();
    m_settings.samplingRate = m_link.samplingRate();
    if (!Settings::write(m_settingsLocation.writePath, m_settings))
        m_prompt.error(QStringLiteral("The settings could not be written to %1.").arg(m_settingsLocation.writePath));

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const double start = m_clock.now();
    while (m_link.tickBusy() && m_clock.now() - start < 0.00003)
        m_clock.idle(10);
    ThTimer1.stop();
    m_Comm2.close();
    QApplication::restoreOverrideCursor();
    m_glyphs.clear();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

} // namespace kv
